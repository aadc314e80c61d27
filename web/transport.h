// The one place that talks to libcurl: a single HTTP exchange, redirects included, on a pooled
// connection.
#pragma once

#include <optional>
#include <string>

#include "runtime/text.h"
#include "web/fetch.h"
#include "web/transfer_settings.h"

namespace web {

// Redirects followed before a further redirect answer counts as too many.
constexpr int kMaxRedirects = 20;

struct TransportRequest {
  std::string verb;        // "GET", "POST" or "HEAD"
  bool secure = false;     // HTTPS
  std::string host;        // without port
  int port = 80;
  std::string objectPath;  // path and query as typed
  // Header block, lines joined by CR LF; sent line by line in this order.
  std::string headerBlock;
  // A header line sent after the block only to the scheme, host and port of the first request
  // (the cookie); a request to any other origin goes without it and without the block's Cookie
  // and Authorization lines. Empty: none.
  std::string cookieHeader;
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

// Performs the exchange over HTTP/1.1, no compression requested, no cookie engine, no cache, on
// a connection left open by an earlier exchange with the same origin when there is one (the bytes
// sent are the same either way). A redirect (301, 302, 303, 307, 308) is followed when
// followRedirects is set: to an http or https address, without any user information it names
// (no credentials are ever sent); one to another scheme ends the exchange as UnsupportedAddress,
// nothing fetched from it. The answer after kMaxRedirects redirects ends the exchange, as
// TooManyRedirects when it is a further redirect. 303, and 301/302 after a POST, continue with
// GET and no body. Bounded by the settings' limits and paused while their mayHoldBody hook says
// so; the cancel hook, the limits and a pause are looked at every 50 ms. Any HTTP status is an
// answer. Safe to call from several threads.
FetchResponse PerformExchange(const TransportRequest& request, const TransferSettings& settings);

}  // namespace web
