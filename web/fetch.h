// A page request and its answer as values: what to fetch, and what came back or why nothing did.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/text.h"
#include "web/transfer_settings.h"

namespace web {

enum class FetchMethod { Get, Post, Head };

// Why a fetch got no complete answer. None: an answer arrived whole (whatever its status).
enum class FetchFailure {
  None,
  UnsupportedAddress,  // a scheme other than http or https; nothing was sent
  CouldNotResolve,     // the host name is unknown
  CouldNotConnect,     // refused, unreachable, or the connection time-out passed
  TimedOut,            // no byte for the inactivity limit, or the whole transfer took too long
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
  // (Accept, Referer, Accept-Language, Content-Type) are added where they are missing.
  runtime::Text extraHeaders;
  // Sent as one "Cookie: " line; line breaks inside it join its lines with "; ".
  runtime::Text cookies;
  std::optional<runtime::ByteSet> body;  // POST and HEAD only
  bool followRedirects = true;
  runtime::Text proxy;  // "HOST:PORT"; empty: a direct connection
  TransferSettings settings;
};

struct FetchResponse {
  FetchFailure failure = FetchFailure::None;
  // A readable account of the failure in the program's code page, for example
  // "Connection refused" or "30 秒无数据"; empty when failure is None.
  runtime::Text message;
  int status = 0;           // HTTP status of the final answer; 0 when none arrived
  std::string headerBlock;  // the final answer's raw header block, CR LF lines, empty line last
  runtime::ByteSet body;    // as received: whole, or what arrived before the failure
  std::string finalAddress; // the address the final answer came from, after redirects

  // True when an answer arrived whole; its status may still be an error.
  bool Complete() const { return failure == FetchFailure::None; }
};

// Performs one exchange. Connections to the same host and port are kept open and reused by later
// calls, from any thread; the bytes sent are those of a fresh connection. Safe to call from
// several threads at once.
FetchResponse Fetch(const FetchRequest& request);

}  // namespace web
