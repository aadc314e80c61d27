// What a front end hears of a run. Every call comes from the thread that runs the engine, in the
// order of the run; StopRequested may also be asked from download threads.
#pragma once

#include <vector>

#include "collect/page_outcome.h"
#include "runtime/text.h"

namespace collect {

struct RunProgress {
  int page = 0;       // 1-based page whose turn it is
  int pageCount = 0;
  int pagesDone = 0;  // pages processed before this one
  int pagesFailed = 0;
};

class RunObserver {
public:
  virtual ~RunObserver() = default;
  // A page's turn begins.
  virtual void PageStarted(const RunProgress&) {}
  // The status-bar message (the address, a count, the final total).
  virtual void StatusMessage(const runtime::Text&) {}
  // One line of the status box, without its line break.
  virtual void StatusLine(const runtime::Text&) {}
  // The prepared text of the page in hand.
  virtual void PageText(const runtime::Text&) {}
  // Columns to append to the result list, by caption, before the records that need them.
  virtual void ColumnsAdded(const std::vector<runtime::Text>&) {}
  // The rows of one page, in match order.
  virtual void RecordsFound(std::vector<Record>) {}
  // True once the user asked the run to stop; downloads in flight are then abandoned.
  virtual bool StopRequested() const { return false; }
};

}  // namespace collect
