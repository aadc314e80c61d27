// Fuzz target: the code-page conversions both ways. Input: bytes read as UTF-8, as a text of the
// program's code page (GB18030), and as UTF-16 code units (little-endian pairs).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/code_page.h"
#include "tests/fuzz/fuzz_support.h"
#include "web/utf8_text.h"

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// True when every surrogate stands in a high-low pair.
bool IsWellFormedUtf16(std::u16string_view units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

// UTF-8 into the program's code page: well-formed input comes back byte for byte.
void CheckUtf8(std::string_view bytes) {
  const runtime::Text text = runtime::Utf8ToText(bytes);
  fuzz::Require(
      web::Utf8BytesToText(std::string(bytes)) == runtime::Utf8ToText(fuzz::BeforeZero(bytes)),
      "a page's UTF-8 text ends at its first zero byte");
  if (!fuzz::IsWellFormedUtf8(bytes)) return;
  fuzz::Require(runtime::TextToUtf8(text) == bytes, "UTF-8 -> text -> UTF-8 keeps the bytes");
  fuzz::Require(runtime::Utf16ToText(runtime::TextToUtf16(text)) == text,
                "a converted text -> UTF-16 -> text keeps the bytes");
}

// The bytes as a text of the program: whatever decodes without a replacement comes back.
void CheckProgramText(std::string_view bytes) {
  const std::u16string units = runtime::TextToUtf16(bytes);
  const std::string utf8 = runtime::TextToUtf8(bytes);
  if (units.find(kReplacement) != std::u16string::npos) return;
  fuzz::Require(runtime::Utf16ToText(units) == bytes, "text -> UTF-16 -> text keeps the bytes");
  fuzz::Require(runtime::Utf8ToText(utf8) == bytes, "text -> UTF-8 -> text keeps the bytes");
}

// The bytes as UTF-16 code units: well-formed ones come back unit for unit.
void CheckUtf16(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  const runtime::Text text = runtime::Utf16ToText(units);
  if (!IsWellFormedUtf16(units)) return;
  fuzz::Require(runtime::TextToUtf16(text) == units, "UTF-16 -> text -> UTF-16 keeps the units");
}

}  // namespace

// One byte string through every conversion and its way back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::InputBytes(data, size);
  CheckUtf8(bytes);
  CheckProgramText(bytes);
  CheckUtf16(bytes);
  return 0;
}
