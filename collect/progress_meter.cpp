// The progress of a run and its time left.
#include "collect/progress_meter.h"

namespace collect {

void ProgressMeter::RunStarted(int pageCount, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  figures_ = ProgressFigures{};
  figures_.pageCount = pageCount;
  recent_.assign(1, Mark{now, 0});
}

namespace {

void TakeDetailFigures(const RunProgress& progress, ProgressFigures& figures) {
  figures.followsNextPages = progress.followsNextPages;
  figures.fetchesDetailPages = progress.fetchesDetailPages;
  figures.detailPagesDone = progress.detailPagesDone;
  figures.detailPageCount = progress.detailPageCount;
  figures.detailPagesFailed = progress.detailPagesFailed;
}

}  // namespace

void ProgressMeter::PageStarted(const RunProgress& progress, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  figures_.pageCount = progress.pageCount;
  figures_.pagesFailed = progress.pagesFailed;
  TakeDetailFigures(progress, figures_);
  if (progress.pagesDone == figures_.pagesDone) return;
  figures_.pagesDone = progress.pagesDone;
  recent_.push_back({now, progress.pagesDone});
  while (static_cast<int>(recent_.size()) > kRatePages + 1) recent_.pop_front();
}

void ProgressMeter::DetailPageFinished(const RunProgress& progress) {
  std::lock_guard lock(mutex_);
  TakeDetailFigures(progress, figures_);
}

void ProgressMeter::RowsFound(int count) {
  std::lock_guard lock(mutex_);
  figures_.rowsFound += count;
}

void ProgressMeter::RunFinished(const RunSummary& summary) {
  std::lock_guard lock(mutex_);
  // The summary counts a run's addresses; with next pages, each stands for a chain of list pages,
  // all of them done when the run was not stopped.
  if (!figures_.followsNextPages) {
    figures_.pagesDone = summary.pagesDone;
  } else if (!summary.stopped) {
    figures_.pagesDone = figures_.pageCount;
  }
  figures_.pagesFailed = summary.pagesFailed;
}

ProgressFigures ProgressMeter::Figures(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  ProgressFigures figures = figures_;
  const int left = figures.pageCount - figures.pagesDone;
  if (recent_.empty() || left <= 0) return figures;
  const Mark& oldest = recent_.front();
  const int done = figures.pagesDone - oldest.pagesDone;
  if (done <= 0) return figures;
  const auto perPage = std::chrono::duration<double>(now - oldest.when) / done;
  figures.timeLeft = std::chrono::round<std::chrono::seconds>(perPage * left);
  return figures;
}

}  // namespace collect
