// Taking a page address apart: host, port and object path.
#include "web/url_parts.h"

#include "runtime/text_operations.h"
#include "web/text_between.h"

namespace web {

using runtime::Text;

Text UrlHost(const Text& address, std::optional<bool> keepPort) {
  Text lowered = runtime::ToLower(address);
  if (runtime::TextRight(lowered, 1) != "/") lowered += "/";
  Text host;
  if (runtime::TextLeft(lowered, 8) == "https://") {
    host = TextBetween(lowered, "https://", "/");
  } else {
    if (runtime::FindText(lowered, "http://") == -1) lowered = "http://" + lowered;
    host = TextBetween(lowered, "http://", "/");
  }
  if (keepPort.value_or(false)) return host;
  int colon = runtime::FindText(host, ":");
  return colon == -1 ? host : runtime::TextLeft(host, colon - 1);
}

int UrlPort(const Text& address) {
  Text host = UrlHost(address, true);
  if (runtime::FindText(host, ":") != -1) {
    int lastColon = runtime::FindTextReverse(host, ":");
    return runtime::ToInteger(runtime::TextRight(host, runtime::TextLength(host) - lastColon));
  }
  return runtime::ToLower(runtime::TextLeft(address, 5)) == "https" ? 443 : 80;
}

Text UrlObjectPath(const Text& address) {
  // The host is looked for after a leading scheme: a host such as "h" or "t" would otherwise be
  // found inside "http://" itself.
  Text scheme = runtime::ToLower(runtime::TextLeft(address, 8));
  int from = scheme == "https://" ? 9 : (runtime::TextLeft(scheme, 7) == "http://" ? 8 : 1);
  int hostPosition = runtime::FindText(address, UrlHost(address), from, true);
  int slash = runtime::FindText(address, "/", hostPosition, true);
  if (slash > 0) return runtime::TextRight(address, runtime::TextLength(address) - slash + 1);
  return "/";
}

}  // namespace web
