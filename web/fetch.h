// A page request and its answer as values: what to fetch, and what came back or why nothing did.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/text.h"
#include "web/transfer_settings.h"

namespace web {

// Sent as User-Agent when the caller's header lines name no agent.
inline constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

enum class FetchMethod { Get, Post, Head };

// Why a fetch got no complete answer. None: an answer arrived whole (whatever its status).
enum class FetchFailure {
  None,
  UnsupportedAddress,  // a scheme other than http or https, a line break, or a host that cannot
                       // be taken apart (nothing was sent); or a redirect to such an address
                       // (not followed)
  CookieTooLarge,      // the cookie text is longer than kMaxCookieBytes; nothing was sent
  CouldNotResolve,     // the host name is unknown
  CouldNotConnect,     // refused, unreachable, or the connection time-out passed
  TimedOut,            // no byte for the inactivity limit
  TransferTooLong,     // the whole transfer ran past its time limit
  CutOff,              // the connection ended before the announced end of the answer
  NotHttp,             // the server's reply is not HTTP
  TooManyRedirects,    // more than kMaxRedirects redirects
  PageTooLarge,        // the body grew past the page size limit; the body is dropped
  HeadersTooLarge,     // the response header block is larger than the client accepts
  Tls,                 // the TLS handshake or certificate check failed
  Cancelled,           // the caller's cancel hook asked to stop
  Other,               // anything else the client reports
};

struct FetchRequest {
  runtime::Text address;  // with or without "http://" or "https://"
  FetchMethod method = FetchMethod::Get;
  // Header lines joined by CR LF, sent in this order after the request line; the defaults
  // (Accept, Referer, Accept-Language, Content-Type) are added where they are missing, Referer
  // being the address without its user information ("user:pw@", which is never sent). Its
  // User-Agent line (name in any case) names the agent; without one kDefaultAgent is sent.
  runtime::Text extraHeaders;
  // Sent as one "Cookie: " line (as it is when it holds "Cookie:" itself); line breaks inside it
  // join its lines with "; ", empty lines dropped, so it never makes a header line of its own.
  // It goes only to the scheme, host and port of the address: a redirect elsewhere is asked
  // without it (and without any Cookie or Authorization line of extraHeaders). Longer than
  // kMaxCookieBytes: nothing is sent (CookieTooLarge).
  runtime::Text cookies;
  std::optional<runtime::ByteSet> body;  // POST and HEAD only
  bool followRedirects = true;
  runtime::Text proxy;  // "HOST:PORT"; empty: a direct connection
  TransferSettings settings;
  // An answer 429 or 503 whose Retry-After asks for at most kMaxRetryAfter (seconds or an HTTP
  // date) is waited out (the cancel hook still heard) and the request made once more; that
  // second answer is final. Off: every answer is final.
  bool honourRetryAfter = false;
};

// The longest Retry-After wait honoured.
inline constexpr std::chrono::seconds kMaxRetryAfter{60};
// The longest cookie text sent.
inline constexpr std::size_t kMaxCookieBytes = 64 * 1024;

struct FetchResponse {
  FetchFailure failure = FetchFailure::None;
  // A readable account of the failure in the program's code page, for example
  // "Connection refused" or "30 秒无数据"; empty when failure is None.
  runtime::Text message;
  // The last answer whose header block arrived whole, also when the transfer failed after it
  // (CutOff, TimedOut, TransferTooLong, TooManyRedirects, a redirect to an UnsupportedAddress,
  // PageTooLarge, Cancelled): its HTTP status (0 when no
  // header block arrived), its raw header block (status line first, CR LF after every line, an
  // empty line last; empty when none arrived) and its body as received, whole or what came
  // before the failure (dropped for PageTooLarge).
  int status = 0;
  std::string headerBlock;
  runtime::ByteSet body;
  // The address the final request went to, after redirects.
  std::string finalAddress;
  // The server's Retry-After was waited out and the request made once more (honourRetryAfter).
  bool waitedRetryAfter = false;

  // True when an answer arrived whole; its status may still be an error.
  bool Complete() const { return failure == FetchFailure::None; }
};

// Performs one exchange. Connections to the same host and port are kept open and reused by later
// calls, from any thread; the bytes sent are those of a fresh connection. Safe to call from
// several threads at once; the connections open to an origin never outnumber the calls that ran
// against it at the same time. An HTTP error status is an answer, not a failure.
FetchResponse Fetch(const FetchRequest& request);

}  // namespace web
