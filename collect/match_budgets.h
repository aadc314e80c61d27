// The matching time of each list page of a run, both attempts of a page together.
#pragma once

#include <map>
#include <mutex>
#include <utility>

#include "collect/page_downloads.h"
#include "runtime/search_limits.h"

namespace collect {

// Attempts are prepared on download threads, several at once. A first attempt at a page has a
// page's budget; a second attempt has what the first one left of it, so that a page never takes
// more than one budget's matching time.
class MatchBudgets {
public:
  explicit MatchBudgets(runtime::SearchClock::duration perPage) : perPage_(perPage) {}

  // The budget of attempt 1 or 2 at page, which starts matching now: a page's budget for the
  // first; for the second what the first left (Leave), or a page's budget when it left nothing on
  // record.
  runtime::SearchClock::duration Take(const ListPage& page, int attempt);
  // The first attempt at page, which is to be asked again, left this much of its budget.
  void Leave(const ListPage& page, runtime::SearchClock::duration left);

private:
  std::mutex mutex_;
  // By list page (start, depth): what its first attempt left, until its second attempt takes it.
  std::map<std::pair<int, int>, runtime::SearchClock::duration> rests_;
  const runtime::SearchClock::duration perPage_;
};

}  // namespace collect
