// Page fetching as values, over the request routine.
#include "web/fetch.h"

#include <cstdlib>

#include "web/http_request.h"

namespace web {

FetchResponse Fetch(const FetchRequest& request) {
  FetchResponse response;
  runtime::Text headers;
  const int method = static_cast<int>(request.method);
  response.body = HttpRequest(request.address, method, std::nullopt, request.cookies, nullptr,
                              request.extraHeaders, &headers, !request.followRedirects, request.body,
                              request.proxy, request.settings);
  if (headers.rfind("HTTP/", 0) != 0) {
    response.failure = FetchFailure::CouldNotConnect;
    response.message = "no answer";
    return response;
  }
  response.headerBlock = headers;
  response.status = std::atoi(headers.c_str() + headers.find(' ') + 1);
  response.finalAddress = request.address;
  return response;
}

}  // namespace web
