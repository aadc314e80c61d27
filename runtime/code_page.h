// Conversion between the program's code page (GB18030) and Unicode. Nothing here fails: bytes
// that cannot be decoded become U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "runtime/text.h"

namespace runtime {

// UTF-8 bytes (malformed sequences become U+FFFD) as a text in the program's code page.
Text Utf8ToText(std::string_view utf8);
// Appends Utf8ToText(utf8) to out. UTF-8 converted in pieces, each ending with an ASCII byte
// (the last one excepted), gives the text the whole converts to.
void AppendUtf8AsText(std::string_view utf8, Text& out);
// A text of the program's code page as UTF-8.
std::string TextToUtf8(std::string_view text);
// UTF-16 as a text of the program's code page.
Text Utf16ToText(std::u16string_view utf16);
// A text of the program's code page as UTF-16.
std::u16string TextToUtf16(std::string_view text);

// The text with an incomplete character at its end (a lead byte without its trail, the first one to
// three bytes of a four-byte form) replaced by U+FFFD in the program's code page, so that whatever
// is joined after it cannot pair with it. Any other text comes back unchanged.
Text EndWithWholeCharacter(std::string_view text);

// A UTF-8 literal of the source (a caption, a message) as a text of the program.
Text T(std::string_view utf8Literal);

}  // namespace runtime
