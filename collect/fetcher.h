// The seam between the engine and the network: a request in, a typed response out.
#pragma once

#include "web/fetch.h"

namespace collect {

class Fetcher {
public:
  virtual ~Fetcher() = default;
  // Must be safe to call from several threads at once.
  virtual web::FetchResponse Fetch(const web::FetchRequest& request) = 0;
};

// Fetches over HTTP and HTTPS with web::Fetch.
class WebFetcher final : public Fetcher {
public:
  web::FetchResponse Fetch(const web::FetchRequest& request) override { return web::Fetch(request); }
};

}  // namespace collect
