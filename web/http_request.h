// One complete HTTP or HTTPS exchange: the page body, the raw response header block and the
// cookies that hold afterwards.
#pragma once

#include <optional>

#include "runtime/text.h"
#include "web/transfer_settings.h"

namespace web {

// Sent as User-Agent when the caller's header lines name no agent.
inline constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
// Size of the response header buffer, its terminating zero included.
inline constexpr int kHeaderBufferSize = 5000;

// Fetches address (with or without "http://" or "https://") and returns the response body as
// received, or the empty byte set when no answer arrived. Any HTTP status counts as an answer.
//   method       0 GET (default, and for any value outside 0..2), 1 POST, 2 HEAD.
//   postText     body as text, for POST and HEAD; postBytes wins when not empty.
//   cookies      sent as a "Cookie: " line (as they are when they hold "Cookie:"); when given,
//                cookiesOut receives them merged with the cookies the server set.
//   cookiesOut   (may be null) the cookies the server set, joined by "; " - merged as above.
//   extraHeaders header lines joined by "\r\n"; its User-Agent line (any case) names the agent.
//                Accept, Referer, Accept-Language, Content-Type and Cookie lines are added where
//                the caller's text lacks them (case-sensitive search).
//   headersOut   (may be null) the final response's raw header block, status line first, lines
//                ended by CR LF, an empty line at the end; 5000 spaces when no answer arrived or
//                the block does not fit in 5000 bytes with a terminating zero (then no cookie is
//                harvested either).
//   noRedirect   true: a redirect answer is the final answer.
//   proxy        "HOST:PORT"; empty or absent means a direct connection.
//   settings     time limits and cancel hook of the transfer.
// The outputs stay untouched only when the HTTP client could not be set up at all.
runtime::ByteSet HttpRequest(const runtime::Text& address, std::optional<int> method = std::nullopt,
                             std::optional<runtime::Text> postText = std::nullopt,
                             std::optional<runtime::Text> cookies = std::nullopt,
                             runtime::Text* cookiesOut = nullptr,
                             std::optional<runtime::Text> extraHeaders = std::nullopt,
                             runtime::Text* headersOut = nullptr,
                             std::optional<bool> noRedirect = std::nullopt,
                             std::optional<runtime::ByteSet> postBytes = std::nullopt,
                             std::optional<runtime::Text> proxy = std::nullopt,
                             const TransferSettings& settings = TransferSettings());

}  // namespace web
