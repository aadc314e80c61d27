// The rule preview worked out off the GUI thread, one job at a time: while a job runs only the
// newest request waits, and an answer that a newer request has overtaken is dropped, so a rule
// that takes the engine seconds never holds up typing nor shows after the rule has changed.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "window/main_window_session.h"
#include "collect/rule_preview.h"

namespace window {

class RulePreviewJobs final : public QObject {
  Q_OBJECT

public:
  struct Request {
    std::shared_ptr<const TestedPage> page;  // not null
    runtime::Text rule;
    collect::RuleSyntax syntax = collect::RuleSyntax::Pattern;
  };
  using AnswerHandler = std::function<void(const collect::RulePreview&)>;

  // onAnswer runs on this object's thread with the answer of the newest request only.
  RulePreviewJobs(QObject* parent, AnswerHandler onAnswer);

  // Asks for the preview of request; from now on the answers of every earlier request are
  // dropped. Starts at once when no job runs, otherwise waits for the running one to end.
  void Ask(Request request);
  // A job is running.
  bool Busy() const { return watcher_->isRunning(); }

private:
  void Start(Request request);
  void JobEnded();

  QFutureWatcher<collect::RulePreview>* watcher_;
  AnswerHandler onAnswer_;
  std::optional<Request> waiting_;
  std::uint64_t newest_ = 0;   // generation of the newest request
  std::uint64_t running_ = 0;  // generation of the running job
};

}  // namespace window
