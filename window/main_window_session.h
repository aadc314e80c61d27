// What the main window remembers between its commands: the page of the last configuration test,
// on which the rule preview tries the rule and the link settings are tested, and the pages the
// last run could not collect.
#pragma once

#include <memory>
#include <vector>

#include "collect/link_test.h"
#include "runtime/text.h"

namespace window {

// A page as the configuration test prepared it: cut and cleaned as a run matches it, and whole.
using TestedPage = collect::TestedPageTexts;

// Lives as long as the main window it belongs to, so a new main window starts with nothing.
struct MainWindowSession {
  // The page of the last configuration test; null before the first. Shared, so a preview at
  // work keeps its page when a newer test replaces it.
  std::shared_ptr<const TestedPage> testedPage;
  // Addresses of the pages the last run (or retry) left uncollected, in run order.
  std::vector<runtime::Text> failedAddresses;
};

}  // namespace window
