// One page request as values: the request built from the caller's fields, the exchange, and a
// second try when the server asks for one with Retry-After.
#include "web/fetch.h"

#include <thread>

#include "runtime/text_operations.h"
#include "web/retry_after.h"
#include "web/text_between.h"
#include "web/transfer_failure.h"
#include "web/transport.h"
#include "web/url_parts.h"

namespace web {

using runtime::FindText;
using runtime::Text;

namespace {

// How often a Retry-After wait looks at the cancel hook.
constexpr auto kWaitStep = std::chrono::milliseconds(50);

// Only an address that starts with "https://" (any case) is fetched over TLS.
bool IsHttpsAddress(const Text& address) { return runtime::ToLower(runtime::TextLeft(address, 8)) == "https://"; }

bool IsSchemeByte(char c, bool first) {
  bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return letter || (!first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
}

// False for an address that begins with a scheme other than http or https ("ftp://...") or that
// holds a line break. An address without a scheme is taken as plain HTTP.
bool IsFetchableAddress(const Text& address) {
  if (address.find_first_of("\r\n") != Text::npos) return false;
  size_t length = 0;
  while (length < address.size() && IsSchemeByte(address[length], length == 0)) ++length;
  if (length == 0 || address.compare(length, 3, "://") != 0) return true;
  Text scheme = runtime::ToLower(address.substr(0, length));
  return scheme == "http" || scheme == "https";
}

// The agent named in the caller's header lines, or the default one.
Text RequestAgent(const Text& extraHeaders) {
  if (FindText(extraHeaders, "User-Agent:", std::nullopt, runtime::Case::Insensitive) == -1) return kDefaultAgent;
  Text agent = runtime::TrimSpaces(TextBetween(extraHeaders + "\r\n", "User-Agent:", "\r\n"));
  return agent.empty() ? TextAfterColon(extraHeaders) : agent;
}

// The proxy in the Windows form: plain addresses use it for HTTP only.
Text ProxyText(const Text& proxy, bool secure) {
  if (proxy.empty()) return Text();
  return secure ? proxy : "http=" + proxy;
}

// The cookie text on one line: its lines joined by "; ", empty ones dropped.
Text CookieLine(const Text& cookies) {
  Text line;
  size_t begin = 0;
  while (begin <= cookies.size()) {
    size_t end = std::min(cookies.find_first_of("\r\n", begin), cookies.size());
    if (end > begin) line += (line.empty() ? "" : "; ") + cookies.substr(begin, end - begin);
    begin = end + 1;
  }
  return line;
}

// The caller's lines followed by the default lines they lack, each searched case-sensitively.
Text CompleteHeaderBlock(Text headers, const Text& address) {
  if (headers.empty())
    headers = "Accept: */*";
  else if (FindText(headers, "Accept:") == -1)
    headers += "\r\nAccept: */*";
  if (FindText(headers, "Referer:") == -1) headers += "\r\nReferer: " + AddressWithoutUserInformation(address);
  if (FindText(headers, "Accept-Language:") == -1) headers += "\r\nAccept-Language: zh-cn";
  if (FindText(headers, "Content-Type:") == -1) headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  return headers;
}

// The cookie's header line: "Cookie: " and the cookie, or the cookie alone when it names the header
// itself; empty without a cookie.
Text CookieHeader(const Text& cookies) {
  if (cookies.empty()) return Text();
  return (FindText(cookies, "Cookie:") == -1 ? "Cookie: " : "") + cookies;
}

const char* Verb(FetchMethod method) {
  switch (method) {
    case FetchMethod::Post: return "POST";
    case FetchMethod::Head: return "HEAD";
    case FetchMethod::Get: break;
  }
  return "GET";
}

// A GET sends no body; a POST always sends one (possibly empty); a HEAD sends the one given.
std::optional<runtime::ByteSet> RequestBody(const FetchRequest& request) {
  if (request.method == FetchMethod::Post) return request.body.value_or(runtime::ByteSet());
  if (request.method == FetchMethod::Head) return request.body;
  return std::nullopt;
}

TransportRequest TransportRequestFor(const FetchRequest& request) {
  const bool secure = IsHttpsAddress(request.address);
  TransportRequest transport;
  transport.verb = Verb(request.method);
  transport.secure = secure;
  transport.agent = RequestAgent(request.extraHeaders);
  transport.proxy = ProxyText(request.proxy, secure);
  transport.host = UrlHost(request.address);
  transport.port = UrlPort(request.address);
  transport.objectPath = UrlObjectPath(request.address);
  transport.followRedirects = request.followRedirects;
  transport.headerBlock = CompleteHeaderBlock(request.extraHeaders, request.address);
  transport.cookieHeader = CookieHeader(CookieLine(request.cookies));
  transport.body = RequestBody(request);
  return transport;
}

// The wait before a second try, when the answer asks for one the caller honours.
std::optional<std::chrono::seconds> RetryWait(const FetchRequest& request, const FetchResponse& response) {
  if (!request.honourRetryAfter || !response.Complete() || (response.status != 429 && response.status != 503))
    return std::nullopt;
  return RetryAfterDelay(response.headerBlock, std::chrono::system_clock::now(), kMaxRetryAfter);
}

// Waits for duration; false when the cancel hook asked to stop first.
bool WaitUnlessCancelled(std::chrono::steady_clock::duration duration, const TransferSettings& settings) {
  const auto end = std::chrono::steady_clock::now() + duration;
  for (;;) {
    if (settings.cancelRequested && settings.cancelRequested()) return false;
    auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kWaitStep));
  }
}

}  // namespace

FetchResponse Fetch(const FetchRequest& request) {
  if (!IsFetchableAddress(request.address)) return Failed(FetchFailure::UnsupportedAddress, UnsupportedAddressMessage());
  if (request.cookies.size() > kMaxCookieBytes)
    return Failed(FetchFailure::CookieTooLarge, CookieTooLargeMessage(kMaxCookieBytes));
  const TransportRequest transport = TransportRequestFor(request);
  FetchResponse response = PerformExchange(transport, request.settings);
  std::optional<std::chrono::seconds> wait = RetryWait(request, response);
  if (!wait) return response;
  if (!WaitUnlessCancelled(*wait, request.settings)) {
    response.failure = FetchFailure::Cancelled;
    response.message = CancelledMessage();
    return response;
  }
  FetchResponse second = PerformExchange(transport, request.settings);
  second.waitedRetryAfter = true;
  return second;
}

}  // namespace web
