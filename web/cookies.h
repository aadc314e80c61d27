// Cookie texts: merging the cookies sent with those a server set, and the helpers it uses.
#pragma once

#include "runtime/text.h"

namespace web {

// Combines the cookies sent (oldCookies) with those the server set (newCookies), both items
// separated by ";": spaces removed from both (newCookies keeps that form), the server's items
// first in its order, then the sent items whose name it did not mention; items ending in
// "=deleted" dropped, exact repeats dropped, joined by "; ". The result is also left in
// oldCookies.
runtime::Text MergeCookies(runtime::Text& oldCookies, runtime::Text& newCookies);

// The part of a name=value item before the first "=" (the whole item without one), trimmed.
runtime::Text CookieName(const runtime::Text& item);

// True when some item's CookieName equals name exactly (case-sensitive).
bool CookieListHasName(const runtime::TextArray& items, const runtime::Text& name);

// The text's items (split at separator) without exact repeats, first occurrences kept in order,
// joined by separator.
runtime::Text RemoveRepeatedItems(const runtime::Text& text, const runtime::Text& separator);

// 1-based index of the first element equal to text, -1 when there is none.
int IndexOfText(const runtime::TextArray& array, const runtime::Text& text);

}  // namespace web
