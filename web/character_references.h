// HTML character references in a text taken from a page: "&amp;", "&#38;", "&#x26;" and the other
// forms a link in mark-up may hold.
#pragma once

#include "runtime/text.h"

namespace web {

// The text with every character reference replaced by its character in the program's code page:
// decimal ("&#38;") and hexadecimal ("&#x26;", "&#X26;") references, the semicolon optional as
// browsers read them, and the named references amp, lt, gt, quot, apos and nbsp, which need their
// semicolon (so "&copy=1" in a query stays as it is). A number that is no character (0, a
// surrogate, above U+10FFFF) becomes U+FFFD; anything else that is no reference stays unchanged.
runtime::Text DecodeCharacterReferences(const runtime::Text& text);

}  // namespace web
