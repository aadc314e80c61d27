// Helpers shared by the HTTP request tests: a call of HttpRequest that keeps every output.
#pragma once

#include <optional>
#include <string>

#include "runtime/text.h"
#include "web/http_request.h"

namespace web_test {

// The outputs of one HttpRequest call; the output texts start as a marker so that "untouched"
// can be told from "written".
struct Outcome {
  runtime::ByteSet body;
  runtime::Text cookiesOut = "(untouched)";
  runtime::Text headersOut = "(untouched)";
};

// The arguments of one call, all optional but the address, set in chained form:
// Call(url).Method(1).PostText("a=1").
struct Call {
  explicit Call(runtime::Text url) : address(std::move(url)) {}
  Call& Method(std::optional<int> value) { method = value; return *this; }
  Call& PostText(std::optional<runtime::Text> value) { postText = std::move(value); return *this; }
  Call& Cookies(std::optional<runtime::Text> value) { cookies = std::move(value); return *this; }
  Call& Headers(std::optional<runtime::Text> value) { extraHeaders = std::move(value); return *this; }
  Call& NoRedirect(std::optional<bool> value) { noRedirect = value; return *this; }
  Call& PostBytes(std::optional<runtime::ByteSet> value) { postBytes = std::move(value); return *this; }
  Call& Proxy(std::optional<runtime::Text> value) { proxy = std::move(value); return *this; }
  Call& Settings(web::TransferSettings value) { settings = std::move(value); return *this; }

  runtime::Text address;
  std::optional<int> method;
  std::optional<runtime::Text> postText;
  std::optional<runtime::Text> cookies;
  std::optional<runtime::Text> extraHeaders;
  std::optional<bool> noRedirect;
  std::optional<runtime::ByteSet> postBytes;
  std::optional<runtime::Text> proxy;
  web::TransferSettings settings;
};

inline Outcome Fetch(const Call& call) {
  Outcome outcome;
  outcome.body = web::HttpRequest(call.address, call.method, call.postText, call.cookies, &outcome.cookiesOut,
                                  call.extraHeaders, &outcome.headersOut, call.noRedirect, call.postBytes,
                                  call.proxy, call.settings);
  return outcome;
}

inline const runtime::Text& FailedHeaders() {
  static const runtime::Text spaces(web::kHeaderBufferSize, ' ');
  return spaces;
}

inline const std::string kFormType = "Content-Type: application/x-www-form-urlencoded";
inline const std::string kDefaultAgentLine = std::string("User-Agent: ") + web::kDefaultAgent;

}  // namespace web_test
