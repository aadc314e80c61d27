// One complete HTTP or HTTPS exchange: the request built from the caller's values, the answer
// turned into body, header block and cookies.
#include "web/http_request.h"

#include "runtime/text_operations.h"
#include "web/cookies.h"
#include "web/text_between.h"
#include "web/transport.h"
#include "web/url_parts.h"

namespace web {

using runtime::ByteSet;
using runtime::FindText;
using runtime::Text;

namespace {

constexpr const char* kVerbs[] = {"GET", "POST", "HEAD"};
constexpr int kPost = 1;
constexpr int kHead = 2;

// Anything but POST and HEAD is a GET.
int RequestMethod(std::optional<int> method) {
  int value = method.value_or(0);
  return value < 0 || value > 2 ? 0 : value;
}

// Only an address that starts with "https://" (any case) is fetched over TLS.
bool IsHttpsAddress(const Text& address) {
  return runtime::ToLower(runtime::TextLeft(address, 8)) == "https://";
}

// The agent named in the caller's header lines, or the default one.
Text RequestAgent(const Text& extraHeaders) {
  if (FindText(extraHeaders, "User-Agent:", std::nullopt, true) == -1) return kDefaultAgent;
  Text agent = runtime::TrimSpaces(TextBetween(extraHeaders + "\r\n", "User-Agent:", "\r\n"));
  return agent.empty() ? TextAfterColon(extraHeaders) : agent;
}

// The proxy in the Windows form: plain addresses use it for HTTP only.
Text ProxyText(const Text& proxy, bool secure) {
  if (proxy.empty()) return Text();
  return secure ? proxy : "http=" + proxy;
}

// The caller's lines followed by the default lines they lack, each searched case-sensitively.
Text CompleteHeaderBlock(Text headers, const Text& address, const Text& cookies) {
  if (headers.empty())
    headers = "Accept: */*";
  else if (FindText(headers, "Accept:") == -1)
    headers += "\r\nAccept: */*";
  if (FindText(headers, "Referer:") == -1) headers += "\r\nReferer: " + address;
  if (FindText(headers, "Accept-Language:") == -1) headers += "\r\nAccept-Language: zh-cn";
  if (FindText(headers, "Content-Type:") == -1)
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (!cookies.empty()) headers += (FindText(cookies, "Cookie:") == -1 ? "\r\nCookie: " : "\r\n") + cookies;
  return headers;
}

// A GET sends no body; POST and HEAD send postBytes, or else postText's bytes. A HEAD
// with nothing to send goes out without a body.
std::optional<ByteSet> RequestBody(int method, const Text& postText, ByteSet postBytes) {
  if (method != kPost && method != kHead) return std::nullopt;
  if (postBytes.empty()) postBytes = runtime::ToByteSet(postText);
  if (method == kHead && postBytes.empty()) return std::nullopt;
  return postBytes;
}

// The header block when it fits in the buffer, otherwise the untouched buffer of spaces; every
// "Set-Cookie" spelled as such.
Text ResponseHeaders(const TransportResponse& response) {
  Text headers = runtime::BlankText(kHeaderBufferSize);
  bool fits = runtime::TextLength(response.headerBlock) + 1 <= kHeaderBufferSize;
  if (response.outcome == TransportResponse::Outcome::Answered && fits) headers = response.headerBlock;
  return runtime::ReplaceSubtext(headers, "Set-Cookie", Text("Set-Cookie"), std::nullopt, std::nullopt, false);
}

// The name=value part of every Set-Cookie line, joined by "; ".
Text HarvestCookies(const Text& headers) {
  Text harvested;
  runtime::TextArray lines = runtime::SplitText(headers, Text("\r\n"));
  for (int i = 1; i <= lines.Count(); ++i) {
    const Text& line = lines.At(i);
    if (FindText(line, "Set-Cookie") == -1) continue;
    Text item = FindText(line, ";") != -1
                    ? TextBetween(line, "Set-Cookie:", ";")
                    : runtime::ReplaceSubtext(line, "Set-Cookie:", Text(), std::nullopt, std::nullopt, false);
    harvested += runtime::TrimSpaces(item) + "; ";
  }
  return runtime::TextLeft(harvested, runtime::TextLength(harvested) - 2);
}

}  // namespace

ByteSet HttpRequest(const Text& address, std::optional<int> method, std::optional<Text> postText,
                    std::optional<Text> cookies, Text* cookiesOut, std::optional<Text> extraHeaders,
                    Text* headersOut, std::optional<bool> noRedirect, std::optional<ByteSet> postBytes,
                    std::optional<Text> proxy, const TransferSettings& settings) {
  const int verb = RequestMethod(method);
  const bool secure = IsHttpsAddress(address);
  const Text headerText = extraHeaders.value_or(Text());
  const Text cookieText = cookies.value_or(Text());

  TransportRequest request;
  request.verb = kVerbs[verb];
  request.secure = secure;
  request.agent = RequestAgent(headerText);
  request.proxy = ProxyText(proxy.value_or(Text()), secure);
  request.host = UrlHost(address);
  request.port = UrlPort(address);
  request.objectPath = UrlObjectPath(address);
  request.followRedirects = !noRedirect.value_or(false);
  request.headerBlock = CompleteHeaderBlock(headerText, address, cookieText);
  request.body = RequestBody(verb, postText.value_or(Text()), postBytes.value_or(ByteSet()));

  TransportResponse response = PerformExchange(request, settings);
  if (response.outcome == TransportResponse::Outcome::NotStarted) return ByteSet();

  Text headers = ResponseHeaders(response);
  Text harvested = HarvestCookies(headers);
  if (cookies) {
    Text sent = cookieText;
    harvested = MergeCookies(sent, harvested);
  }
  if (headersOut) *headersOut = headers;
  if (cookiesOut) *cookiesOut = harvested;
  return std::move(response.body);
}

}  // namespace web
