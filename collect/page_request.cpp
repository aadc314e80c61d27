// The request of one page.
#include "collect/page_request.h"

namespace collect {

web::FetchRequest PageRequest(const runtime::Text& address, const CollectionSettings& settings,
                              const RunObserver& observer) {
  web::FetchRequest request;
  request.address = address;
  request.cookies = settings.cookie;
  request.extraHeaders = runtime::Text("User-Agent: ") + kUserAgent;
  request.settings.maxBodyBytes = settings.maxPageBytes;
  request.honourRetryAfter = true;
  request.settings.cancelRequested = [&observer] { return observer.StopRequested(); };
  return request;
}

}  // namespace collect
