// Fuzz target: the code-page conversions both ways. Input: bytes read as UTF-8, as a text of the
// program's code page (GB18030), and as UTF-16 code units (little-endian pairs). The table-driven
// conversions must give exactly what ICU's own conversion of the whole input gives.
#include <unicode/ucnv.h>

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

// ICU's conversion of the whole of bytes from one code page into another.
std::string IcuConversion(const char* to, const char* from, std::string_view bytes) {
  UErrorCode status = U_ZERO_ERROR;
  const auto length = static_cast<int32_t>(bytes.size());
  const int32_t needed = ucnv_convert(to, from, nullptr, 0, bytes.data(), length, &status);
  std::string out(static_cast<std::size_t>(needed), '\0');
  status = U_ZERO_ERROR;
  ucnv_convert(to, from, out.data(), needed, bytes.data(), length, &status);
  return U_SUCCESS(status) ? out : std::string();
}

// UTF-8 into the program's code page: what ICU makes of the whole, also when converted in pieces
// that end with ASCII bytes; well-formed input comes back byte for byte.
void CheckUtf8(std::string_view bytes) {
  const runtime::Text text = runtime::Utf8ToText(bytes);
  fuzz::Require(text == IcuConversion("GB18030", "UTF-8", bytes), "UTF-8 -> text as ICU converts it");
  runtime::Text pieces;
  std::size_t from = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (static_cast<unsigned char>(bytes[at]) >= 0x80 || at % 3 != 0) continue;
    runtime::AppendUtf8AsText(bytes.substr(from, at + 1 - from), pieces);
    from = at + 1;
  }
  runtime::AppendUtf8AsText(bytes.substr(from), pieces);
  fuzz::Require(pieces == text, "UTF-8 converted in pieces that end with ASCII bytes gives the whole");
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
  fuzz::Require(utf8 == IcuConversion("UTF-8", "GB18030", bytes), "text -> UTF-8 as ICU converts it");
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
