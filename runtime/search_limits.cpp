// The search meter: the clock and the stop request, looked at every few thousand steps.
#include "runtime/search_limits.h"

namespace runtime {

SearchMeter::SearchMeter(const SearchLimits& limits)
    : started_(SearchClock::now()), stopRequested_(limits.stopRequested) {
  const SearchClock::duration left = SearchClock::time_point::max() - started_;
  deadline_ = limits.budget >= left ? SearchClock::time_point::max() : started_ + limits.budget;
}

void SearchMeter::Check() {
  countdown_ = kStride;
  if (stopRequested_ && stopRequested_()) throw SearchInterrupted{SearchOutcome::Cancelled};
  if (SearchClock::now() >= deadline_) throw SearchInterrupted{SearchOutcome::TooComplex};
}

}  // namespace runtime
