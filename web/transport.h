// The one place that talks to libcurl: a single HTTP exchange, redirects included.
#pragma once

#include <optional>
#include <string>

#include "runtime/text.h"
#include "web/transfer_settings.h"

namespace web {

// Redirects followed before the answer in hand counts as final.
constexpr int kMaxRedirects = 20;

struct TransportRequest {
  std::string verb;        // "GET", "POST" or "HEAD"
  bool secure = false;     // HTTPS
  std::string host;        // without port
  int port = 80;
  std::string objectPath;  // path and query as typed
  // Header block, lines joined by CR LF; sent line by line in this order.
  std::string headerBlock;
  // The User-Agent sent when the header block carries no User-Agent line, up to its first line
  // break; empty sends none.
  std::string agent;
  // Request body; absent sends none. POST always sends one (possibly empty).
  std::optional<runtime::ByteSet> body;
  // Proxy in the form of the Windows proxy text: empty for a direct connection whatever the
  // environment says; "http=HOST:PORT" for plain addresses only (HTTPS goes direct); "HOST:PORT"
  // for every address (HTTPS through a CONNECT tunnel).
  std::string proxy;
  bool followRedirects = true;
};

struct TransportResponse {
  enum class Outcome {
    NotStarted,  // the client could not be set up; nothing was attempted
    NoAnswer,    // no complete response header block arrived (refused, TLS rejected, timed out)
    Answered,    // a header block arrived; the body holds what came after it
  };
  Outcome outcome = Outcome::NotStarted;
  // Body of the final answer as received: complete, or what had arrived when the transfer ended
  // early (connection closed, inactivity limit, cancelled). Empty unless Answered.
  runtime::ByteSet body;
  // Header block of the final answer: status line first, each line ended by CR LF, an empty line
  // at the end. Empty unless Answered.
  std::string headerBlock;
};

// Performs the exchange: a fresh connection over HTTP/1.1, no compression requested, no cookie
// engine, no cache. A redirect (301, 302, 303, 307, 308 to an http or https address) is followed
// when followRedirects is set, at most kMaxRedirects times; 303, and 301/302 after a POST,
// continue with GET and no body. Bounded by the settings' time limits and cancel hook.
TransportResponse PerformExchange(const TransportRequest& request, const TransferSettings& settings);

}  // namespace web
