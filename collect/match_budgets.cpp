// The ledger of matching time per page.
#include "collect/match_budgets.h"

namespace collect {

MatchBudgets::MatchBudgets(const std::vector<runtime::Text>& addresses, runtime::SearchClock::duration perPage)
    : perPage_(perPage) {
  for (const runtime::Text& address : addresses) ++ledgers_[address].firstAttemptsToCome;
}

MatchBudgets::Grant MatchBudgets::Take(const runtime::Text& address) {
  std::lock_guard lock(mutex_);
  Ledger& ledger = ledgers_[address];
  if (ledger.firstAttemptsToCome > 0) {
    --ledger.firstAttemptsToCome;
    return {perPage_, true};
  }
  if (ledger.rests.empty()) return {perPage_, false};
  const runtime::SearchClock::duration rest = ledger.rests.front();
  ledger.rests.erase(ledger.rests.begin());
  return {rest, false};
}

void MatchBudgets::Leave(const runtime::Text& address, runtime::SearchClock::duration left) {
  std::lock_guard lock(mutex_);
  ledgers_[address].rests.push_back(left);
}

}  // namespace collect
