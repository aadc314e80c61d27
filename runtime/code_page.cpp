// Code-page conversion with ICU. Converters are opened once per thread; ASCII passes untouched.
#include "runtime/code_page.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <memory>

namespace runtime {
namespace {

constexpr const char* kProgramCodePage = "GB18030";

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Opens a converter that substitutes what it cannot convert (U+FFFD when decoding).
Converter OpenConverter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  return U_SUCCESS(status) ? std::move(converter) : Converter();
}

UConverter* ProgramConverter() {
  thread_local Converter converter = OpenConverter(kProgramCodePage);
  return converter.get();
}

UConverter* Utf8Converter() {
  thread_local Converter converter = OpenConverter("UTF-8");
  return converter.get();
}

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

std::u16string Decode(UConverter* converter, std::string_view bytes) {
  std::u16string out(bytes.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(converter);
  int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar*>(out.data()),
                                 static_cast<int32_t>(out.size()), bytes.data(),
                                 static_cast<int32_t>(bytes.size()), &status);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
  return out;
}

std::string Encode(UConverter* converter, std::u16string_view units) {
  int32_t capacity = UCNV_GET_MAX_BYTES_FOR_STRING(static_cast<int32_t>(units.size()),
                                                   ucnv_getMaxCharSize(converter));
  std::string out(static_cast<size_t>(capacity) + 1, '\0');
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(converter);
  int32_t length = ucnv_fromUChars(converter, out.data(), static_cast<int32_t>(out.size()),
                                   reinterpret_cast<const UChar*>(units.data()),
                                   static_cast<int32_t>(units.size()), &status);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
  return out;
}

// Only a lead byte (0x81..0xFE), or a digit right after one, can leave a character open at the end.
bool MayEndInsideCharacter(std::string_view text) {
  if (text.empty()) return false;
  auto last = static_cast<unsigned char>(text.back());
  if (last >= 0x80) return true;
  bool digit = last >= '0' && last <= '9';
  return digit && text.size() >= 2 && static_cast<unsigned char>(text[text.size() - 2]) >= 0x81;
}

// How many bytes at the end the decoder still holds, waiting for the rest of a character.
size_t PendingBytes(UConverter* converter, std::string_view bytes) {
  std::u16string out(bytes.size() + 1, u'\0');
  UChar* target = reinterpret_cast<UChar*>(out.data());
  const char* source = bytes.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(converter);
  ucnv_toUnicode(converter, &target, target + out.size(), &source, bytes.data() + bytes.size(),
                 nullptr, false, &status);
  int32_t pending = ucnv_toUCountPending(converter, &status);
  ucnv_reset(converter);
  return U_SUCCESS(status) && pending > 0 ? static_cast<size_t>(pending) : 0;
}

}  // namespace

Text Utf8ToText(std::string_view utf8) {
  if (IsAscii(utf8)) return Text(utf8);
  return Encode(ProgramConverter(), Decode(Utf8Converter(), utf8));
}

std::string TextToUtf8(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  return Encode(Utf8Converter(), Decode(ProgramConverter(), text));
}

Text Utf16ToText(std::u16string_view utf16) { return Encode(ProgramConverter(), utf16); }

std::u16string TextToUtf16(std::string_view text) { return Decode(ProgramConverter(), text); }

Text EndWithWholeCharacter(std::string_view text) {
  size_t pending = MayEndInsideCharacter(text) ? PendingBytes(ProgramConverter(), text) : 0;
  if (pending == 0) return Text(text);
  static const Text replacement = Utf16ToText(u"\uFFFD");
  return Text(text.substr(0, text.size() - pending)) + replacement;
}

Text T(std::string_view utf8Literal) { return Utf8ToText(utf8Literal); }

}  // namespace runtime
