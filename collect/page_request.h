// The request of one page of a run, as the engine and the downloads of a run both make it.
#pragma once

#include "collect/collection_settings.h"
#include "collect/run_observer.h"
#include "runtime/text.h"
#include "web/fetch.h"

namespace collect {

// Browser identification sent with every page request.
inline constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/49.0.2623.221 Safari/537.36 SE 2.X MetaSr 1.0";

// The request of one page: GET with the browser agent and the cookie, bounded by the settings'
// page size limit, abandoned when the observer asks to stop.
web::FetchRequest PageRequest(const runtime::Text& address, const CollectionSettings& settings,
                              const RunObserver& observer);

}  // namespace collect
