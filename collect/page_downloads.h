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

// A page of the list: an address of the run, or a page reached from it over next-page links.
struct ListPage {
  int start = 0;  // 0-based index of the address in settings.addresses
  int depth = 0;  // next-page links followed from there: 0 for the address itself
  runtime::Text address;
};

// Turns the answer of one attempt (1 or 2) at a list page into its outcome: decoded, cut, cleaned
// and matched, with its next-page and detail addresses. Called from download threads, several at
// once; it may ask the observer only whether the run is to stop.
using PreparePage = std::function<PageOutcome(const ListPage& page, int attempt, web::FetchResponse&& response)>;
// The same for a detail page.
using PrepareDetailPage = std::function<DetailOutcome(const runtime::Text& address, web::FetchResponse&& response)>;

// Where a run's downloads begin: at its first address, or, when a run is resumed, at the first
// list page the engine will take after those told from the journal, which name the list and
// detail pages they met.
struct DownloadsStart {
  ListPage page;
  // Next pages met before page; their next links are not followed again.
  std::vector<runtime::Text> listAddresses;
  // Detail pages taken before page; the engine has their cells.
  std::vector<runtime::Text> detailAddresses;
};

// True when a first attempt found nothing and the page is to be asked once more: it was not
// abandoned by a stop, and asking again is not pointless (PageOutcome::finalAttempt).
bool WorthAnotherAttempt(const PageOutcome& first);

// The pages of a run in the order the engine takes them: a list page (its first attempt, its
// second), the detail pages of its records in record order, then its next page; the next address
// of the run after the last of those.
class PageDownloads {
public:
  virtual ~PageDownloads() = default;
  // The first attempt at a list page, prepared. Pages are taken in order; taking one lets go of
  // every earlier page.
  virtual PageOutcome First(const ListPage& page) = 0;
  // The second attempt at a list page, after a first attempt WorthAnotherAttempt.
  virtual PageOutcome Again(const ListPage& page) = 0;
  // The detail page at address for the records of the list page in hand, prepared; each address
  // is asked for once in a run.
  virtual DetailOutcome Detail(const ListPage& page, const runtime::Text& address) = 0;
};

// What the downloads may hold ahead of the page in hand (answers and prepared pages waiting their
// turn, and the bodies of transfers still running): 512 MiB, or twice the page size limit when
// that is more.
std::int64_t AheadBudget(std::int64_t maxPageBytes);

// The attempts of a run under the settings' politeness limits. With more than one job, pages are
// downloaded and prepared ahead of the page in hand, and a first attempt that is WorthAnotherAttempt
// is asked again at once, each attempt waiting its turn within the limits by the order the engine
// takes them in; a prepared list page's detail pages (each address once) and its next page (unless
// it is an address of the run or a next page found before, or lies beyond settings.next.maxNext)
// are queued at once. What is held ahead stays within aheadBudget: a transfer ahead pauses, and no
// new one starts, while there is no room; the page the engine waits for is never held back by the
// budget, nor by the limits' room that paused transfers take. With one job, each page is fetched
// when the engine asks for it. The downloads begin at start: no page before it is downloaded, nor
// any address it names.
std::unique_ptr<PageDownloads> MakePageDownloads(const CollectionSettings& settings, Fetcher& fetcher,
                                                 const RunObserver& observer, PreparePage prepare,
                                                 std::int64_t aheadBudget, PrepareDetailPage prepareDetail = {},
                                                 const DownloadsStart& start = {});

}  // namespace collect
