// What became of one page.
#pragma once

#include <vector>

#include "collect/record_list.h"
#include "runtime/search_limits.h"
#include "runtime/text.h"

namespace collect {

struct PageOutcome {
  runtime::Text address;
  // A record a match, its cells the match's groups and the page address (then room for the detail
  // page's cells), cut from their source: the cut and cleaned text the rule is matched against.
  RecordList records;
  // The records' source is in UTF-8 (RunRules::matchesAlikeInUtf8), their cells converted each.
  bool textInUtf8 = false;
  int groupCount = 0;
  // The answer's HTTP status; 0 when there was none.
  int status = 0;
  // The download gave no complete answer, or an answer with a status of 400 or more.
  bool failed = false;
  // Why, as the status line shows it: "无法连接: Connection refused", "HTTP 404". Empty when the
  // page did not fail.
  runtime::Text reason;
  // A note that is not a failure (the page declares another encoding than it was read with).
  runtime::Text warning;
  // The page was abandoned because the run was stopped; nothing of it counts.
  bool stopped = false;
  // Asking again would not help or would go too far: the download ran to its whole-transfer
  // limit, or it already waited out the server's Retry-After and asked a second time, or the
  // matching was given up.
  bool finalAttempt = false;
  // The matching was given up (the rule too complex, or the page's matching time spent) after
  // the matches the outcome holds.
  bool tooComplex = false;
  // Time the match rule's search took.
  runtime::SearchClock::duration matchingTime{};
  // The address the page's next-page link leads to, resolved; empty when the run follows no next
  // pages or the page has no such link.
  runtime::Text nextAddress;
  // For each match, the address its detail page link leads to, resolved (empty for a match whose
  // link is empty); none when the run fetches no detail pages.
  std::vector<runtime::Text> detailAddresses;
  // The whole page, cleaned but not cut: kept only by the configuration test.
  runtime::Text wholePageText;

  // The cut and cleaned text: in UTF-8 when textInUtf8.
  const runtime::Text& PageText() const { return records.Source(); }
};

// What became of one detail page.
struct DetailOutcome {
  runtime::Text address;
  // The groups of the detail rule's first match on the page; empty when it found none.
  std::vector<runtime::Text> cells;
  bool matched = false;
  // Why the download failed, as for a list page; empty when it did not.
  runtime::Text reason;
  // Abandoned because the run was stopped; nothing of it counts.
  bool stopped = false;
};

}  // namespace collect
