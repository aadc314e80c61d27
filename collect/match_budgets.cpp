// The ledger of matching time per list page.
#include "collect/match_budgets.h"

namespace collect {

runtime::SearchClock::duration MatchBudgets::Take(const ListPage& page, int attempt) {
  if (attempt == 1) return perPage_;
  std::lock_guard lock(mutex_);
  const auto rest = rests_.find({page.start, page.depth});
  if (rest == rests_.end()) return perPage_;
  const runtime::SearchClock::duration left = rest->second;
  rests_.erase(rest);
  return left;
}

void MatchBudgets::Leave(const ListPage& page, runtime::SearchClock::duration left) {
  std::lock_guard lock(mutex_);
  rests_[{page.start, page.depth}] = left;
}

}  // namespace collect
