// Taking a page address apart: host, port and object path, as the request routine needs them.
#pragma once

#include <optional>

#include "runtime/text.h"

namespace web {

// Whether the host of an address comes with its ":port" part.
enum class HostPort { Without, With };

// The host in lower case, taken after "https://" or the first "http://" (assumed in front when
// the address has none) up to the next "/", without user information (everything up to an "@"
// before any "?" or "#"); with HostPort::With the ":port" part stays. An IPv6 literal keeps its
// brackets. Empty address: empty host.
runtime::Text UrlHost(const runtime::Text& address, HostPort port = HostPort::Without);

// The port after the host's last ":" (its leading digits; none gives 0), the colons inside an IPv6
// literal not counting; without one 443 for an address beginning with "https" (any case), 80
// otherwise.
int UrlPort(const runtime::Text& address);

// The address as given with the user information of its host part ("user:pw@", as UrlHost leaves
// it out) removed; everything else, letters included, as typed. UrlHost reads the same host in
// it ("http://" is put in front of an address without a scheme whose host part would otherwise
// start it with "https://").
runtime::Text AddressWithoutUserInformation(const runtime::Text& address);

// Path, query and everything after them, from the first "/" after the host (looked for after a
// leading "http://" or "https://"), letters as typed; "/" when there is none.
runtime::Text UrlObjectPath(const runtime::Text& address);

}  // namespace web
