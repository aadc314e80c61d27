// Why a transfer failed, in the program's terms.
#include "web/transfer_failure.h"

#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "web/transfer_settings.h"

namespace web {
namespace {

using runtime::T;
using runtime::Text;

bool IsTlsCode(CURLcode code) {
  switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
      return true;
    default:
      return false;
  }
}

// Seconds as a person writes them: "30", "0.2", "1.25".
Text SecondsText(std::chrono::milliseconds duration) {
  std::int64_t ms = duration.count();
  Text text = runtime::ToText(ms / 1000);
  if (ms % 1000 == 0) return text;
  Text fraction = runtime::ToText(1000 + ms % 1000).substr(1);
  while (fraction.back() == '0') fraction.pop_back();
  return text + "." + fraction;
}

}  // namespace

FetchFailure FailureOfCurlCode(CURLcode code, bool connected, bool answered) {
  if (IsTlsCode(code)) return FetchFailure::Tls;
  switch (code) {
    case CURLE_OK:
      return FetchFailure::None;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return FetchFailure::CouldNotResolve;
    case CURLE_COULDNT_CONNECT:
      return FetchFailure::CouldNotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return connected ? FetchFailure::TimedOut : FetchFailure::CouldNotConnect;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      return FetchFailure::CutOff;
    // libcurl's words for a reply without an HTTP status line (HTTP/0.9) or with a broken one.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
      return FetchFailure::NotHttp;
    // libcurl 7.88 gives up on a single header line over 100 KiB with this code.
    case CURLE_OUT_OF_MEMORY:
      return answered ? FetchFailure::Other : FetchFailure::HeadersTooLarge;
    case CURLE_TOO_MANY_REDIRECTS:
      return FetchFailure::TooManyRedirects;
    default:
      return FetchFailure::Other;
  }
}

Text InactivityMessage(std::chrono::milliseconds limit) { return SecondsText(limit) + T(" 秒无数据"); }

Text TotalTimeMessage(std::chrono::milliseconds limit) { return T("传输超过 ") + SecondsText(limit) + T(" 秒"); }

Text PageTooLargeMessage(std::int64_t maxBodyBytes) {
  if (maxBodyBytes > 0 && maxBodyBytes % kMebibyte == 0)
    return T("网页超过 ") + runtime::ToText(maxBodyBytes / kMebibyte) + " MB";
  return T("网页超过 ") + runtime::ToText(maxBodyBytes) + T(" 字节");
}

Text TooManyRedirectsMessage(int maxRedirects) { return T("重定向超过 ") + runtime::ToText(maxRedirects) + T(" 次"); }

Text HeadersTooLargeMessage() { return T("响应头太大"); }

Text CancelledMessage() { return T("已取消"); }

Text UnsupportedAddressMessage() { return T("不支持的网址"); }

Text CookieTooLargeMessage(std::size_t maxCookieBytes) {
  constexpr std::size_t kKibibyte = 1024;
  if (maxCookieBytes > 0 && maxCookieBytes % kKibibyte == 0)
    return T("Cookie 超过 ") + runtime::ToText(static_cast<std::int64_t>(maxCookieBytes / kKibibyte)) + " KB";
  return T("Cookie 超过 ") + runtime::ToText(static_cast<std::int64_t>(maxCookieBytes)) + T(" 字节");
}

FetchResponse Failed(FetchFailure failure, Text message) {
  FetchResponse response;
  response.failure = failure;
  response.message = std::move(message);
  return response;
}

}  // namespace web
