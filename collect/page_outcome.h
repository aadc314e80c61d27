// What became of one page.
#pragma once

#include <vector>

#include "runtime/regex.h"
#include "runtime/text.h"

namespace collect {

struct PageOutcome {
  runtime::Text address;
  // The cut and cleaned text the rule is matched against.
  runtime::Text pageText;
  std::vector<runtime::SearchResult> matches;
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
  // limit, or it already waited out the server's Retry-After and asked a second time.
  bool finalAttempt = false;
};

}  // namespace collect
