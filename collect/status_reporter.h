// The typed events of a run turned into the two status channels, in the order the program has
// always shown them: the status box's lines and the status bar's messages. A front end derives
// from it and says where the texts go.
#pragma once

#include "collect/run_observer.h"
#include "runtime/text.h"

namespace collect {

class StatusReporter : public RunObserver {
public:
  // "新的一轮开始处理.." as a line.
  void RunStarted(int pageCount) override;
  // The address as a message.
  void AttemptStarted(const AttemptStart& attempt) override;
  // "匹配结果为0,…" as a message when nothing was found, the attempt's line, then "匹配成功，共n条".
  void AttemptFinished(const AttemptResult& attempt) override;
  // The detail page's line when it failed or did not match, or the record had no link.
  void DetailPageFinished(const DetailPageResult& detail) override;
  // The final message.
  void RunFinished(const RunSummary& summary) override;

protected:
  // A message for the status bar, in place of the one before.
  virtual void ShowMessage(const runtime::Text& /*message*/) {}
  // A line for the status box, without its line break.
  virtual void AppendLine(const runtime::Text& /*line*/) {}
};

}  // namespace collect
