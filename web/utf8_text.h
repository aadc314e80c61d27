// Pages that arrive in UTF-8, turned into texts of the program's code page.
#pragma once

#include "runtime/text.h"

namespace web {

// Decodes the bytes as UTF-8 (malformed sequences become U+FFFD) and encodes the result in the
// program's code page. The text ends at the first zero byte of the input; empty input gives the
// empty text.
runtime::Text Utf8BytesToText(const runtime::ByteSet& bytes);

}  // namespace web
