// One complete HTTP or HTTPS exchange: the page body, the raw response header block and the
// cookies that hold afterwards.
#pragma once

#include <optional>

#include "runtime/text.h"
#include "web/fetch.h"
#include "web/transfer_settings.h"

namespace web {

// Size of the response header buffer, its terminating zero included.
inline constexpr int kHeaderBufferSize = 5000;

// Fetches address (with or without "http://" or "https://") through Fetch and returns the
// response body as received, or the empty byte set when no answer arrived. Any HTTP status counts
// as an answer; why a fetch failed is not reported here (Fetch tells it).
//   method       0 GET (default, and for any value outside 0..2), 1 POST, 2 HEAD.
//   postText     body as text, for POST and HEAD; postBytes wins when not empty.
//   cookies      sent as a "Cookie: " line (as they are when they hold "Cookie:"), line breaks
//                inside joined with "; "; when given, cookiesOut receives them merged with the
//                cookies the server set.
//   cookiesOut   (may be null) the cookies the server set, joined by "; " - merged as above.
//   extraHeaders header lines joined by "\r\n"; its User-Agent line (any case) names the agent.
//                Accept, Referer, Accept-Language, Content-Type and Cookie lines are added where
//                the caller's text lacks them (case-sensitive search).
//   headersOut   (may be null) the final response's raw header block, status line first, lines
//                ended by CR LF, an empty line at the end; 5000 spaces when no answer arrived
//                (nothing sent, client not set up, no complete header block) or the block does
//                not fit in 5000 bytes with a terminating zero (then no cookie is harvested either).
//   noRedirect   true: a redirect answer is the final answer.
//   proxy        "HOST:PORT"; empty or absent means a direct connection.
//   settings     limits and cancel hook of the transfer.
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
