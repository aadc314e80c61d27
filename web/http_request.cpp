// One complete HTTP or HTTPS exchange: the caller's values as a fetch request, the answer turned
// into body, header block and cookies.
#include "web/http_request.h"

#include "runtime/text_operations.h"
#include "web/cookies.h"
#include "web/fetch.h"
#include "web/text_between.h"

namespace web {

using runtime::ByteSet;
using runtime::FindText;
using runtime::Text;

namespace {

// Anything but POST and HEAD is a GET.
FetchMethod RequestMethod(std::optional<int> method) {
  switch (method.value_or(0)) {
    case 1: return FetchMethod::Post;
    case 2: return FetchMethod::Head;
    default: return FetchMethod::Get;
  }
}

// POST and HEAD send postBytes, or else postText's bytes; a HEAD with nothing to send goes out
// without a body. A GET sends none whatever is given.
std::optional<ByteSet> RequestBody(FetchMethod method, const Text& postText, ByteSet postBytes) {
  if (method == FetchMethod::Get) return std::nullopt;
  if (postBytes.empty()) postBytes = runtime::ToByteSet(postText);
  if (method == FetchMethod::Head && postBytes.empty()) return std::nullopt;
  return postBytes;
}

// The header block when one arrived and it fits in the buffer, otherwise the untouched buffer of
// spaces; every "Set-Cookie" spelled as such.
Text ResponseHeaders(const FetchResponse& response) {
  Text headers = runtime::BlankText(kHeaderBufferSize);
  bool fits = runtime::TextLength(response.headerBlock) + 1 <= kHeaderBufferSize;
  if (!response.headerBlock.empty() && fits) headers = response.headerBlock;
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
  FetchRequest request;
  request.address = address;
  request.method = RequestMethod(method);
  request.extraHeaders = extraHeaders.value_or(Text());
  request.cookies = cookies.value_or(Text());
  request.body = RequestBody(request.method, postText.value_or(Text()), std::move(postBytes).value_or(ByteSet()));
  request.followRedirects = !noRedirect.value_or(false);
  request.proxy = proxy.value_or(Text());
  request.settings = settings;
  FetchResponse response = Fetch(request);

  Text headers = ResponseHeaders(response);
  Text harvested = HarvestCookies(headers);
  if (cookies) {
    Text sent = request.cookies;
    harvested = MergeCookies(sent, harvested);
  }
  if (headersOut) *headersOut = headers;
  if (cookiesOut) *cookiesOut = harvested;
  return std::move(response.body);
}

}  // namespace web
