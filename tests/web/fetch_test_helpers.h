// Helpers shared by the tests of Fetch against the loopback server.
#pragma once

#include <functional>
#include <string>

#include "web/fetch.h"

namespace web_test {

// Fetches address with the other fields of the request as configure sets them (a GET by default).
inline web::FetchResponse FetchWith(const std::string& address,
                                    const std::function<void(web::FetchRequest&)>& configure = {}) {
  web::FetchRequest request;
  request.address = address;
  if (configure) configure(request);
  return web::Fetch(request);
}

inline const std::string kFormType = "Content-Type: application/x-www-form-urlencoded";
inline const std::string kDefaultAgentLine = std::string("User-Agent: ") + web::kDefaultAgent;

}  // namespace web_test
