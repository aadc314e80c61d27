// Where the engine gets each page's answer, in address order.
#pragma once

#include <memory>

#include "collect/collection_settings.h"
#include "collect/fetcher.h"
#include "collect/run_observer.h"
#include "runtime/text.h"

namespace collect {

// Downloads one page now. An empty address is no page: nothing is sent and the answer is empty,
// without a failure.
web::FetchResponse DownloadPage(const runtime::Text& address, const CollectionSettings& settings,
                                Fetcher& fetcher, const RunObserver& observer);

class PageDownloads {
public:
  virtual ~PageDownloads() = default;
  // The answer of page index (0-based) of settings.addresses; pages are taken in order.
  virtual web::FetchResponse Take(int index) = 0;
  // The page asked once more (after an attempt without a match).
  virtual web::FetchResponse Again(int index) = 0;
};

// The downloads of a run under the settings' politeness limits.
std::unique_ptr<PageDownloads> MakePageDownloads(const CollectionSettings& settings,
                                                 Fetcher& fetcher, const RunObserver& observer);

}  // namespace collect
