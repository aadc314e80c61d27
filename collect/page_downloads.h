// Where the engine gets each page's attempts, prepared and in address order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/fetcher.h"
#include "collect/page_outcome.h"
#include "collect/run_observer.h"
#include "runtime/text.h"

namespace collect {

// Downloads one page now. An empty address is no page: nothing is sent and the answer is empty,
// without a failure.
web::FetchResponse DownloadPage(const runtime::Text& address, const CollectionSettings& settings,
                                Fetcher& fetcher, const RunObserver& observer);

// Turns the answer of one attempt at a page into its outcome: decoded, cut, cleaned and matched.
// Called from download threads, several at once; it must not reach the observer.
using PreparePage = std::function<PageOutcome(const runtime::Text& address, web::FetchResponse&& response)>;

// True when a first attempt found nothing and the page is to be asked once more: it was not
// abandoned by a stop, and asking again is not pointless (PageOutcome::finalAttempt).
bool WorthAnotherAttempt(const PageOutcome& first);

class PageDownloads {
public:
  virtual ~PageDownloads() = default;
  // The first attempt at page index (0-based) of settings.addresses, prepared. Pages are taken in
  // order; taking one lets go of every earlier page.
  virtual PageOutcome First(int index) = 0;
  // The second attempt at page index, after a first attempt WorthAnotherAttempt.
  virtual PageOutcome Again(int index) = 0;
};

// What the downloads may hold ahead of the page in hand (answers and prepared pages waiting their
// turn, and the bodies of transfers still running): 512 MiB, or twice the page size limit when
// that is more.
std::int64_t AheadBudget(std::int64_t maxPageBytes);

// The attempts of a run under the settings' politeness limits. With more than one job, pages are
// downloaded and prepared ahead of the page in hand, and a first attempt that is WorthAnotherAttempt
// is asked again at once, each attempt waiting its turn within the limits by address order. What
// is held ahead stays within aheadBudget: a transfer ahead pauses, and no new one starts, while
// there is no room; the attempt the engine waits for is never held back by the budget, nor by
// the limits' room that paused transfers take. Pages marked in notFetched (by index; missing
// entries count as false) are never downloaded: the engine does not take them.
std::unique_ptr<PageDownloads> MakePageDownloads(const CollectionSettings& settings, Fetcher& fetcher,
                                                 const RunObserver& observer, PreparePage prepare,
                                                 std::int64_t aheadBudget, const std::vector<bool>& notFetched = {});

}  // namespace collect
