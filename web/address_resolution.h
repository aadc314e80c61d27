// Addresses found in a page (links, next-page links) made absolute against the page's own
// address, as a browser resolves them (RFC 3986, sections 5.2 to 5.4).
#pragma once

#include "runtime/text.h"

namespace web {

// The target of reference resolved against the absolute address base, exactly as RFC 3986
// section 5.2 gives it (strict parser: a reference with a scheme of its own is taken as it is,
// dot segments removed), fragment included. A scheme is a letter followed by letters, digits,
// "+", "-" or "."; a reference whose text before its first ":" is no scheme is a relative path.
// A base that does not begin with "http://" or "https://" (any letter case) counts as "http://"
// followed by it, as the program reads a typed address ("example.com:81/x").
runtime::Text ResolveReference(const runtime::Text& base, const runtime::Text& reference);

// The address a link of a page leads to: its character references decoded
// (DecodeCharacterReferences), spaces and control characters around it trimmed and tabs and line
// breaks inside it removed, resolved against the page's address with its dot segments removed
// (ResolveReference) and its fragment dropped, as a browser requests it. Empty when the link is empty after the trimming.
runtime::Text LinkAddress(const runtime::Text& pageAddress, const runtime::Text& link);

}  // namespace web
