// The matching time of each page of a run, both attempts of a page together.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <vector>

#include "runtime/search_limits.h"
#include "runtime/text.h"

namespace collect {

// Attempts are prepared on download threads, several at once, and do not say which attempt they
// are. The ledger counts an address's attempts as first attempts until the address list holds no
// more of it, and later ones as second attempts, each given what a first attempt at the address
// left of its budget. (With an address that stands in the list more than once, a second attempt
// may so be given a fresh budget and a first attempt a rest: no attempt ever gets more than one
// page's budget.)
class MatchBudgets {
public:
  MatchBudgets(const std::vector<runtime::Text>& addresses, runtime::SearchClock::duration perPage);

  struct Grant {
    runtime::SearchClock::duration budget{};
    bool firstAttempt = true;
  };
  // The budget of an attempt at address that starts matching now.
  Grant Take(const runtime::Text& address);
  // A first attempt at address that is to be asked again left this much of its budget.
  void Leave(const runtime::Text& address, runtime::SearchClock::duration left);

private:
  struct Ledger {
    int firstAttemptsToCome = 0;
    std::vector<runtime::SearchClock::duration> rests;
  };

  std::mutex mutex_;
  std::map<runtime::Text, Ledger> ledgers_;
  runtime::SearchClock::duration perPage_;
};

}  // namespace collect
