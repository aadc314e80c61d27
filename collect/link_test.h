// The next-page and detail settings tried on the page of the configuration test, before a run:
// where the next-page link leads, and what the first record's detail page adds.
#pragma once

#include <vector>

#include "collect/collection_settings.h"
#include "collect/fetcher.h"
#include "collect/run_observer.h"
#include "runtime/text.h"

namespace collect {

// A page as the configuration test prepared it.
struct TestedPageTexts {
  runtime::Text address;
  runtime::Text pageText;       // cut and cleaned, as the rule sees it
  runtime::Text wholePageText;  // cleaned, not cut
  // Why its download failed, as a run's status line says it; empty when it did not.
  runtime::Text failureReason;
};

// Where the next-page rule leads from the page: the resolved address, or why there is none.
struct NextPageTest {
  runtime::Text address;
  runtime::Text problem;
};

// The next-page link of the page as a run would follow it (on the page text or the whole page, as
// settings.next says). A problem when no next page is set, the rule cannot run (NextPageProblem)
// or it finds no link on the page.
NextPageTest TestNextPage(const TestedPageTexts& page, const CollectionSettings& settings);

// The detail page of the page's first record: its resolved address, the captions of the columns
// its cells go to, and the cells, or why there are none.
struct DetailPageTest {
  runtime::Text address;
  std::vector<runtime::Text> captions;
  std::vector<runtime::Text> cells;
  runtime::Text problem;
};

// Downloads the first record's detail page as a run would and matches the detail rule on it. A
// problem when no detail stage is set, it cannot run (DetailPageProblem), the page has no record
// or the record no link, the download fails (the cells are still given when it matched) or the
// rule finds nothing there.
DetailPageTest TestDetailPage(const TestedPageTexts& page, const CollectionSettings& settings, Fetcher& fetcher,
                              const RunObserver& observer);

}  // namespace collect
