// Taking a page address apart: host, port and object path.
#include "web/url_parts.h"

#include "runtime/text_operations.h"
#include "web/text_between.h"

namespace web {

using runtime::FindText;
using runtime::Text;

namespace {

// The host part after the last "@" that comes before any "?" or "#": what stands before it is
// user information, never the host. An "@" inside a query that follows the host directly stays.
Text WithoutUserInformation(const Text& host) {
  int end = runtime::TextLength(host) + 1;
  for (const char* stop : {"?", "#"}) {
    int found = FindText(host, stop);
    if (found != -1 && found < end) end = found;
  }
  int at = runtime::FindTextReverse(host, "@", end);
  return at == -1 ? host : runtime::TextRight(host, runtime::TextLength(host) - at);
}

// Length of the host name in a host[:port] text: up to the first ":", or the whole bracketed
// IPv6 literal.
int HostNameLength(const Text& host) {
  if (runtime::TextLeft(host, 1) == "[") {
    int close = FindText(host, "]");
    if (close != -1) return close;
  }
  int colon = FindText(host, ":");
  return colon == -1 ? runtime::TextLength(host) : colon - 1;
}

// Where the host part of the address begins (0-based): after a leading "https://", after the
// first "http://" anywhere, or at the start (ASCII case ignored), as UrlHost reads it.
int HostPartStart(const Text& address) {
  const Text lowered = runtime::ToLower(address);
  if (runtime::TextLeft(lowered, 8) == "https://") return 8;
  const int http = FindText(lowered, "http://");
  return http == -1 ? 0 : http - 1 + 7;
}

}  // namespace

Text AddressWithoutUserInformation(const Text& address) {
  const int start = HostPartStart(address);
  const int slash = FindText(address, "/", start + 1);
  const int end = slash == -1 ? runtime::TextLength(address) : slash - 1;
  const Text host = address.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  Text result = address.substr(0, static_cast<size_t>(start)) + WithoutUserInformation(host) +
                address.substr(static_cast<size_t>(end));
  // Without a scheme UrlHost puts "http://" in front; it says so here when what follows the user
  // information would otherwise read as a scheme of its own.
  if (start == 0 && runtime::ToLower(runtime::TextLeft(result, 8)) == "https://") result = "http://" + result;
  return result;
}

Text UrlHost(const Text& address, HostPort port) {
  Text lowered = runtime::ToLower(address);
  if (runtime::TextRight(lowered, 1) != "/") lowered += "/";
  Text host;
  if (runtime::TextLeft(lowered, 8) == "https://") {
    host = TextBetween(lowered, "https://", "/");
  } else {
    if (FindText(lowered, "http://") == -1) lowered = "http://" + lowered;
    host = TextBetween(lowered, "http://", "/");
  }
  host = WithoutUserInformation(host);
  if (port == HostPort::With) return host;
  return runtime::TextLeft(host, HostNameLength(host));
}

int UrlPort(const Text& address) {
  Text host = UrlHost(address, HostPort::With);
  int nameLength = HostNameLength(host);
  if (runtime::TextLength(host) > nameLength) {
    int lastColon = runtime::FindTextReverse(host, ":");
    if (lastColon > nameLength)
      return runtime::ToInteger(runtime::TextRight(host, runtime::TextLength(host) - lastColon));
  }
  return runtime::ToLower(runtime::TextLeft(address, 5)) == "https" ? 443 : 80;
}

Text UrlObjectPath(const Text& address) {
  // The host is looked for after a leading scheme: a host such as "h" or "t" would otherwise be
  // found inside "http://" itself.
  Text scheme = runtime::ToLower(runtime::TextLeft(address, 8));
  int from = scheme == "https://" ? 9 : (runtime::TextLeft(scheme, 7) == "http://" ? 8 : 1);
  int hostPosition = FindText(address, UrlHost(address), from, runtime::Case::Insensitive);
  int slash = FindText(address, "/", hostPosition, runtime::Case::Insensitive);
  if (slash > 0) return runtime::TextRight(address, runtime::TextLength(address) - slash + 1);
  return "/";
}

}  // namespace web
