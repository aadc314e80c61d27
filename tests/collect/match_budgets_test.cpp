// The matching time of a page's two attempts, taken from one budget.
#include "collect/match_budgets.h"

#include <gtest/gtest.h>

namespace collect {
namespace {

using std::chrono::seconds;

TEST(MatchBudgets, SecondAttemptHasWhatTheFirstLeft) {
  MatchBudgets budgets(seconds(10));
  // The same address at two places of the run, and a next page of the first: three pages.
  const ListPage first{0, 0, "a"};
  const ListPage again{2, 0, "a"};
  const ListPage next{0, 1, "b"};
  for (const ListPage& page : {first, again, next}) EXPECT_EQ(budgets.Take(page, 1), seconds(10)) << page.start;
  budgets.Leave(first, seconds(3));
  budgets.Leave(again, seconds(7));
  budgets.Leave(next, seconds(1));
  EXPECT_EQ(budgets.Take(next, 2), seconds(1));
  EXPECT_EQ(budgets.Take(again, 2), seconds(7));
  EXPECT_EQ(budgets.Take(first, 2), seconds(3));
  // A second attempt whose first left nothing on record starts afresh.
  EXPECT_EQ(budgets.Take(first, 2), seconds(10));
}

}  // namespace
}  // namespace collect
