// Where a run stands, as both front ends show it while it goes: pages done of all, failed pages,
// rows found, and the time left estimated from the rate of the last pages.
#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <optional>

#include "collect/run_observer.h"

namespace collect {

// How often a front end shows the progress at most.
inline constexpr std::chrono::milliseconds kProgressInterval{200};

// How many of the last pages the rate is taken over.
inline constexpr int kRatePages = 10;

struct ProgressFigures {
  // A run over pageCount pages that has not done any yet.
  static ProgressFigures Start(int pageCount) {
    ProgressFigures figures;
    figures.pageCount = pageCount;
    return figures;
  }

  int pagesDone = 0;
  int pageCount = 0;
  int pagesFailed = 0;  // among the pages done
  int rowsFound = 0;    // by this run
  // Estimated from the rate of the last pages; none before the first page is done and after the
  // last.
  std::optional<std::chrono::seconds> timeLeft;
  // A run that follows next pages or fetches detail pages: its list pages are pagesDone of
  // pageCount (known so far), and its detail pages are counted apart.
  bool followsNextPages = false;
  bool fetchesDetailPages = false;
  int detailPagesDone = 0;
  int detailPageCount = 0;
  int detailPagesFailed = 0;
};

// Follows a run's events and works out its figures. It is fed on the engine's thread and read
// from any other.
class ProgressMeter {
public:
  using Clock = std::chrono::steady_clock;

  void RunStarted(int pageCount, Clock::time_point now);
  void PageStarted(const RunProgress& progress, Clock::time_point now);
  // A detail page done: its figures, the rate aside (a list page is done with its detail pages).
  void DetailPageFinished(const RunProgress& progress);
  void RowsFound(int count);
  void RunFinished(const RunSummary& summary);

  // The figures at the moment now: the time left is the pages still to do at the rate of the
  // last kRatePages pages, measured up to now, so that a page that takes long slows the estimate.
  ProgressFigures Figures(Clock::time_point now) const;

private:
  struct Mark {
    Clock::time_point when;
    int pagesDone = 0;
  };

  mutable std::mutex mutex_;
  ProgressFigures figures_;
  std::deque<Mark> recent_;  // oldest first: the run's start, then each time pages were done
};

}  // namespace collect
