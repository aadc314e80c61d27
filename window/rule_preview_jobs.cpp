// One preview job at a time on Qt's thread pool.
#include "window/rule_preview_jobs.h"

#include <QtConcurrent/QtConcurrentRun>

namespace window {

RulePreviewJobs::RulePreviewJobs(QObject* parent, AnswerHandler onAnswer)
    : QObject(parent),
      watcher_(new QFutureWatcher<collect::RulePreview>(this)),
      onAnswer_(std::move(onAnswer)) {
  connect(watcher_, &QFutureWatcherBase::finished, this, &RulePreviewJobs::JobEnded);
}

void RulePreviewJobs::Ask(Request request) {
  ++newest_;
  if (Busy()) {
    waiting_ = std::move(request);
    return;
  }
  Start(std::move(request));
}

void RulePreviewJobs::Start(Request request) {
  running_ = newest_;
  // The job holds its own share of the page and a copy of the rule: the window may replace or
  // drop both meanwhile, and the job outlives this object when the window closes.
  watcher_->setFuture(
      QtConcurrent::run([page = std::move(request.page), rule = std::move(request.rule), syntax = request.syntax] {
        if (!page->failureReason.empty()) return collect::FailedPagePreview(page->failureReason);
        return collect::PreviewRule(page->pageText, rule, page->address, collect::kPreviewRows, syntax);
      }));
}

void RulePreviewJobs::JobEnded() {
  if (running_ == newest_) {
    if (onAnswer_) onAnswer_(watcher_->result());
    return;
  }
  // Overtaken: a newer request waits, and its answer is the one to show.
  if (waiting_) {
    Request next = std::move(*waiting_);
    waiting_.reset();
    Start(std::move(next));
  }
}

}  // namespace window
