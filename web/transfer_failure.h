// Why a transfer failed, in the program's terms: the failure kind of a libcurl result and the
// readable messages of the limits the program sets itself.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "runtime/text.h"
#include "web/fetch.h"

namespace web {

// What libcurl's result code means for the fetch. connected: a connection was ready when the
// transfer ended; answered: the answer's header block had arrived whole.
FetchFailure FailureOfCurlCode(CURLcode code, bool connected, bool answered);

// "30 秒无数据": no byte arrived for the inactivity limit.
runtime::Text InactivityMessage(std::chrono::milliseconds limit);
// "传输超过 300 秒": the whole transfer ran past its limit.
runtime::Text TotalTimeMessage(std::chrono::milliseconds limit);
// "网页超过 256 MB" (or "网页超过 1000 字节" when the limit is not a whole number of MiB).
runtime::Text PageTooLargeMessage(std::int64_t maxBodyBytes);
// "重定向超过 20 次".
runtime::Text TooManyRedirectsMessage(int maxRedirects);
// "响应头太大".
runtime::Text HeadersTooLargeMessage();
// "已取消".
runtime::Text CancelledMessage();
// "不支持的网址": not an http or https address.
runtime::Text UnsupportedAddressMessage();
// "Cookie 超过 64 KB" (or "Cookie 超过 1000 字节" when the limit is not a whole number of KiB).
runtime::Text CookieTooLargeMessage(std::size_t maxCookieBytes);

// A response that is only a failure: no answer arrived, or nothing was sent.
FetchResponse Failed(FetchFailure failure, runtime::Text message);

}  // namespace web
