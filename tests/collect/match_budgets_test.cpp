// The matching time of a page's two attempts, taken from one budget.
#include "collect/match_budgets.h"

#include <gtest/gtest.h>

namespace collect {
namespace {

using std::chrono::seconds;

TEST(MatchBudgets, SecondAttemptHasWhatTheFirstLeft) {
  MatchBudgets budgets({"a", "b", "a"}, seconds(10));
  // Both first attempts at a come before any second one: each starts afresh.
  for (const char* address : {"a", "b", "a"}) {
    const MatchBudgets::Grant grant = budgets.Take(address);
    EXPECT_EQ(grant.budget, seconds(10)) << address;
    EXPECT_TRUE(grant.firstAttempt) << address;
  }
  budgets.Leave("a", seconds(3));
  budgets.Leave("a", seconds(7));
  budgets.Leave("b", seconds(1));
  const std::vector<std::pair<const char*, seconds>> rests = {{"b", seconds(1)}, {"a", seconds(3)}, {"a", seconds(7)}};
  for (const auto& [address, rest] : rests) {
    const MatchBudgets::Grant grant = budgets.Take(address);
    EXPECT_EQ(grant.budget, rest) << address;
    EXPECT_FALSE(grant.firstAttempt) << address;
  }
  // An attempt the ledger has no rest for (a page asked again that had none left over) starts afresh.
  EXPECT_EQ(budgets.Take("b").budget, seconds(10));
}

}  // namespace
}  // namespace collect
