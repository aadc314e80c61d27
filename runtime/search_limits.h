// How long a search through a text may run, and how it ended: a time budget, a stop request, and
// the meter that both matchers consult while they work.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace runtime {

using SearchClock = std::chrono::steady_clock;

// How a search ended.
enum class SearchOutcome {
  Complete,    // every match was found
  TooComplex,  // the engine gave up, or the time budget ran out; the matches before it stand
  Cancelled,   // the stop request was granted; the matches before it stand
};

struct SearchLimits {
  // Time the search may take; when it runs out the search ends as TooComplex.
  SearchClock::duration budget = SearchClock::duration::max();
  // Asked every few milliseconds while the search runs; true ends it as Cancelled.
  std::function<bool()> stopRequested;
};

// Thrown by SearchMeter::Check out of a matcher in progress; only the search loop catches it.
struct SearchInterrupted {
  SearchOutcome outcome;
};

// Counts the steps of one search and, every kStride of them, looks at the clock and the stop
// request, so that neither matcher can run for more than a few milliseconds past either.
class SearchMeter {
public:
  // Steps between two looks at the clock: well under a millisecond of matching.
  static constexpr std::int64_t kStride = 1 << 14;

  explicit SearchMeter(const SearchLimits& limits);

  // Counts cost steps; throws SearchInterrupted when a look finds the budget spent or a stop.
  void Step(std::int64_t cost = 1) {
    countdown_ -= cost;
    if (countdown_ <= 0) Check();
  }
  // Looks now; throws SearchInterrupted as Step does.
  void Check();

  // Time since the meter was made.
  SearchClock::duration Spent() const { return SearchClock::now() - started_; }

private:
  std::int64_t countdown_ = kStride;
  SearchClock::time_point started_;
  SearchClock::time_point deadline_;
  const std::function<bool()>& stopRequested_;
};

}  // namespace runtime
