// Code-page conversion with ICU. Converters are opened once per thread. ASCII passes untouched,
// and the common characters (every two-byte character of the program's code page, every UTF-8
// character of one to three bytes) are converted through tables that ICU fills once; whatever
// else a text holds goes through ICU itself, a stretch at a time.
#include "runtime/code_page.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLeadCount = 0xFE - kFirstLead + 1;

// A trail byte of a two-byte character, as an index from 0, or -1.
int TrailIndex(unsigned char trail) {
  if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
  if (trail >= 0x80 && trail <= 0xFE) return trail - 0x80 + 0x3F;
  return -1;
}
constexpr unsigned kTrailCount = 0x3F + 0x7F;

// Only a lead byte (0x81..0xFE), or a digit right after one, can leave a character open at the end.
bool MayEndInsideCharacter(std::string_view text) {
  if (text.empty()) return false;
  auto last = static_cast<unsigned char>(text.back());
  if (last >= 0x80) return true;
  bool digit = last >= '0' && last <= '9';
  return digit && text.size() >= 2 && static_cast<unsigned char>(text[text.size() - 2]) >= 0x81;
}

bool IsFourByteHalf(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  return at + 1 < text.size() && lead >= 0x81 && lead <= 0xFE && text[at + 1] >= '0' && text[at + 1] <= '9';
}

// True when the text reads from its start as whole characters of the program's code page: ASCII
// bytes, two-byte characters and four-byte forms, each complete. The decoder then holds nothing
// at the end.
bool IsWholeCharacters(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      ++at;
    } else if (lead >= 0x81 && lead <= 0xFE && at + 1 < text.size() &&
               TrailIndex(static_cast<unsigned char>(text[at + 1])) >= 0) {
      at += 2;
    } else if (IsFourByteHalf(text, at) && IsFourByteHalf(text, at + 2)) {
      at += 4;
    } else {
      return false;
    }
  }
  return true;
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

// Where the run of ASCII bytes that begins at at ends.
std::size_t AsciiRunEnd(std::string_view bytes, std::size_t at) {
#if defined(__SSE2__)
  for (; at + 16 <= bytes.size(); at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
    if (high != 0) return at + static_cast<std::size_t>(__builtin_ctz(high));
  }
#endif
  while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80) ++at;
  return at;
}

// ICU's own conversions, the reference for the tables: a text in the program's code page from
// UTF-8, and UTF-8 from a text.
Text IcuUtf8ToText(std::string_view utf8) { return Encode(ProgramConverter(), Decode(Utf8Converter(), utf8)); }
std::string IcuTextToUtf8(std::string_view text) { return Encode(Utf8Converter(), Decode(ProgramConverter(), text)); }

constexpr char32_t kFirstNonAscii = 0x80;
constexpr char32_t kPlaneEnd = 0x10000;
bool IsSurrogate(char32_t codePoint) { return codePoint >= 0xD800 && codePoint <= 0xDFFF; }

// The bytes ICU gives each code point from U+0080 to U+FFFF in the program's code page. A code
// point converts on its own, so a text converts as the concatenation of its characters' bytes.
class ProgramBytesOfCodePoints {
public:
  static const ProgramBytesOfCodePoints& Get() {
    static const ProgramBytesOfCodePoints table;
    return table;
  }

  // Writes the bytes of codePoint (U+0080 to U+FFFF), four bytes in all, and returns how many of
  // them are its form; 0 when the table has none for it.
  std::size_t Write(char32_t codePoint, char* out) const {
    const std::uint32_t form = forms_[codePoint];
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(out, &form, 4);
    } else {
      for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(form >> (8 * i));
    }
    // A four-byte form has a digit second, a two-byte form never.
    const std::uint32_t second = form >> 8 & 0xFF;
    const std::size_t length = second - '0' < 10 ? 4 : 2;
    return form == 0 ? 0 : length;
  }

private:
  // One table of four bytes a code point, its form's bytes first to last from the lowest: Chinese
  // text is looked up in it character by character, and one table stays in the cache.
  ProgramBytesOfCodePoints() : forms_(kPlaneEnd, 0) {
    std::u16string units;
    for (char32_t codePoint = kFirstNonAscii; codePoint < kPlaneEnd; ++codePoint) {
      if (!IsSurrogate(codePoint)) units.push_back(static_cast<char16_t>(codePoint));
    }
    std::string out(units.size() * 4, '\0');
    std::vector<int32_t> offsets(out.size(), -1);
    UConverter* converter = ProgramConverter();
    ucnv_reset(converter);
    char* target = out.data();
    const UChar* source = reinterpret_cast<const UChar*>(units.data());
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(converter, &target, out.data() + out.size(), &source, source + units.size(),
                     offsets.data(), true, &status);
    ucnv_reset(converter);
    if (U_FAILURE(status)) return;
    std::vector<std::uint8_t> counts(kPlaneEnd, 0);
    for (std::size_t i = 0; i < static_cast<std::size_t>(target - out.data()); ++i) {
      if (offsets[i] < 0) continue;
      const char32_t codePoint = units[static_cast<std::size_t>(offsets[i])];
      if (counts[codePoint] < 4) {
        forms_[codePoint] |= static_cast<std::uint32_t>(static_cast<unsigned char>(out[i])) << (8 * counts[codePoint]);
      }
      ++counts[codePoint];
    }
    // Only forms whose length their second byte tells; any other is left to ICU.
    for (char32_t codePoint = kFirstNonAscii; codePoint < kPlaneEnd; ++codePoint) {
      char written[4];
      if (counts[codePoint] != Write(codePoint, written)) forms_[codePoint] = 0;
    }
  }

  std::vector<std::uint32_t> forms_;
};

// The UTF-16 unit ICU decodes each two-byte character of the program's code page to; 0 for a
// pair that does not give exactly one unit outside the surrogates.
class UnitsOfPairs {
public:
  static const UnitsOfPairs& Get() {
    static const UnitsOfPairs table;
    return table;
  }

  char16_t Of(unsigned char lead, unsigned char trail) const {
    const int trailIndex = TrailIndex(trail);
    if (lead < kFirstLead || lead > 0xFE || trailIndex < 0) return 0;
    return units_[(lead - kFirstLead) * kTrailCount + static_cast<unsigned>(trailIndex)];
  }

private:
  UnitsOfPairs() : units_(kLeadCount * kTrailCount, 0) {
    std::string pairs;
    for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        if (TrailIndex(static_cast<unsigned char>(trail)) < 0) continue;
        pairs += static_cast<char>(lead);
        pairs += static_cast<char>(trail);
      }
    }
    std::u16string out(pairs.size(), u'\0');
    std::vector<int32_t> offsets(out.size(), -1);
    UConverter* converter = ProgramConverter();
    ucnv_reset(converter);
    UChar* target = reinterpret_cast<UChar*>(out.data());
    const char* source = pairs.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, target + out.size(), &source, pairs.data() + pairs.size(),
                   offsets.data(), true, &status);
    ucnv_reset(converter);
    if (U_FAILURE(status)) return;
    const std::size_t produced = static_cast<std::size_t>(target - reinterpret_cast<UChar*>(out.data()));
    std::vector<std::uint8_t> counts(units_.size(), 0);
    for (std::size_t i = 0; i < produced; ++i) {
      if (offsets[i] < 0 || offsets[i] % 2 != 0) continue;
      const auto pair = static_cast<std::size_t>(offsets[i] / 2);
      if (counts[pair]++ == 0) units_[pair] = out[i];
    }
    for (std::size_t pair = 0; pair < units_.size(); ++pair) {
      if (counts[pair] != 1 || IsSurrogate(units_[pair])) units_[pair] = 0;
    }
  }

  std::vector<char16_t> units_;
};

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

// The code point of a well-formed UTF-8 character of two or three bytes at at, with its length;
// length 0 for anything else (ASCII, four bytes, malformed).
std::size_t ShortUtf8Character(std::string_view utf8, std::size_t at, char32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[at + i]); };
  const unsigned char lead = byte(0);
  if (lead >= 0xC2 && lead <= 0xDF && at + 1 < utf8.size() && IsContinuation(byte(1))) {
    codePoint = static_cast<char32_t>((lead & 0x1F) << 6 | (byte(1) & 0x3F));
    return 2;
  }
  if (lead < 0xE0 || lead > 0xEF || at + 2 >= utf8.size()) return 0;
  const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
  if (!IsContinuation(byte(1), low, high) || !IsContinuation(byte(2))) return 0;
  codePoint = static_cast<char32_t>((lead & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F));
  return 3;
}

// Output gathered in a small buffer and appended to a string a block at a time, which costs far
// less than growing the string by each character.
class BlockWriter {
public:
  explicit BlockWriter(std::string& out) : out_(out) {}
  ~BlockWriter() { Flush(); }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // Where the next at most kCharacterBytes bytes go; Advance says how many were written.
  char* Cursor() {
    if (used_ + kCharacterBytes > buffer_.size()) Flush();
    return buffer_.data() + used_;
  }
  // Where the next bytes go, with room for at least a quarter of the buffer: a loop that writes
  // many characters keeps its place in a local and advances once.
  std::span<char> Room() {
    if (used_ + buffer_.size() / 4 > buffer_.size()) Flush();
    return std::span<char>(buffer_.data() + used_, buffer_.size() - used_);
  }
  void Advance(std::size_t count) { used_ += count; }
  void Append(std::string_view bytes) {
    if (bytes.size() > buffer_.size() - used_) {
      Flush();
      out_.append(bytes);
      return;
    }
    std::copy(bytes.begin(), bytes.end(), buffer_.data() + used_);
    used_ += bytes.size();
  }

  static constexpr std::size_t kCharacterBytes = 4;

private:
  void Flush() {
    out_.append(buffer_.data(), used_);
    used_ = 0;
  }

  std::string& out_;
  std::array<char, 16384> buffer_;
  std::size_t used_ = 0;
};

// Writes the UTF-8 form of a unit outside the surrogates; returns its length.
std::size_t WriteUtf8Of(char16_t unit, char* out) {
  if (unit < 0x800) {
    out[0] = static_cast<char>(0xC0 | unit >> 6);
    out[1] = static_cast<char>(0x80 | (unit & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | unit >> 12);
  out[1] = static_cast<char>(0x80 | (unit >> 6 & 0x3F));
  out[2] = static_cast<char>(0x80 | (unit & 0x3F));
  return 3;
}

// Converts the run of well-formed three-byte characters at at (the bulk of Chinese text) that the
// table has; returns where the run ends.
std::size_t AppendThreeByteRun(std::string_view utf8, std::size_t at, const ProgramBytesOfCodePoints& table,
                               BlockWriter& writer) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  for (;;) {
    const std::span<char> room = writer.Room();
    char* out = room.data();
    // The room for the widest character stays after each one written.
    char* const last = room.data() + room.size() - BlockWriter::kCharacterBytes;
    bool ended = true;
    for (; utf8.size() - at >= 3; at += 3) {
      if (out > last) {
        ended = false;
        break;
      }
      const unsigned char lead = bytes[at];
      if ((lead & 0xF0) != 0xE0 || (bytes[at + 1] & 0xC0) != 0x80 || (bytes[at + 2] & 0xC0) != 0x80) break;
      const auto codePoint = static_cast<char32_t>((lead & 0x0F) << 12 | (bytes[at + 1] & 0x3F) << 6 | (bytes[at + 2] & 0x3F));
      // Overlong forms and surrogates are malformed: ICU's to convert.
      if (codePoint < 0x800 || IsSurrogate(codePoint)) break;
      const std::size_t written = table.Write(codePoint, out);
      if (written == 0) break;
      out += written;
    }
    writer.Advance(static_cast<std::size_t>(out - room.data()));
    if (ended) return at;
  }
}

// A byte that never continues a character of the program's code page: it is a character of its
// own, whatever the bytes before it were.
bool EndsEveryCharacter(unsigned char byte) { return byte < 0x30 || (byte > 0x39 && byte < 0x40); }

bool IsAsciiByte(unsigned char byte) { return byte < 0x80; }

// The conversion loop of both ways: runs of ASCII copied, characters the tables have converted by
// convertCharacters (which returns where its conversion stopped, at when it converted nothing),
// and any other stretch given to ICU whole, up to and with the next byte at which
// endsEveryCharacter holds: ICU starts afresh after such a byte, so it converts the stretch as it
// would within the whole text.
template <typename ConvertCharacters>
void ConvertThroughTables(std::string_view in, std::string& out, ConvertCharacters convertCharacters,
                          bool (*endsEveryCharacter)(unsigned char), std::string (*icuConversion)(std::string_view)) {
  BlockWriter writer(out);
  for (std::size_t at = 0; at < in.size();) {
    const std::size_t asciiEnd = AsciiRunEnd(in, at);
    writer.Append(in.substr(at, asciiEnd - at));
    at = asciiEnd;
    if (at == in.size()) break;
    const std::size_t converted = convertCharacters(in, at, writer);
    if (converted != at) {
      at = converted;
      continue;
    }
    std::size_t stretchEnd = at + 1;
    while (stretchEnd < in.size() && !endsEveryCharacter(static_cast<unsigned char>(in[stretchEnd]))) ++stretchEnd;
    stretchEnd = std::min(stretchEnd + 1, in.size());
    writer.Append(icuConversion(in.substr(at, stretchEnd - at)));
    at = stretchEnd;
  }
}

}  // namespace

void AppendUtf8AsText(std::string_view utf8, Text& out) {
  const ProgramBytesOfCodePoints& table = ProgramBytesOfCodePoints::Get();
  const auto convertCharacters = [&table](std::string_view in, std::size_t at, BlockWriter& writer) {
    const std::size_t runEnd = AppendThreeByteRun(in, at, table, writer);
    if (runEnd != at) return runEnd;
    char32_t codePoint = 0;
    const std::size_t length = ShortUtf8Character(in, at, codePoint);
    const std::size_t written = length == 0 ? 0 : table.Write(codePoint, writer.Cursor());
    if (written == 0) return at;
    writer.Advance(written);
    return at + length;
  };
  ConvertThroughTables(utf8, out, convertCharacters, IsAsciiByte, IcuUtf8ToText);
}

Text Utf8ToText(std::string_view utf8) {
  if (AsciiRunEnd(utf8, 0) == utf8.size()) return Text(utf8);
  Text text;
  text.reserve(utf8.size());
  AppendUtf8AsText(utf8, text);
  return text;
}

std::string TextToUtf8(std::string_view text) {
  if (AsciiRunEnd(text, 0) == text.size()) return std::string(text);
  std::string utf8;
  utf8.reserve(text.size() + text.size() / 2);
  const UnitsOfPairs& table = UnitsOfPairs::Get();
  // A run of two-byte characters, the bulk of Chinese text.
  const auto convertCharacters = [&table](std::string_view in, std::size_t at, BlockWriter& writer) {
    for (; in.size() - at >= 2; at += 2) {
      const char16_t unit = table.Of(static_cast<unsigned char>(in[at]), static_cast<unsigned char>(in[at + 1]));
      if (unit == 0) break;
      writer.Advance(WriteUtf8Of(unit, writer.Cursor()));
    }
    return at;
  };
  ConvertThroughTables(text, utf8, convertCharacters, EndsEveryCharacter, IcuTextToUtf8);
  return utf8;
}

Text Utf16ToText(std::u16string_view utf16) { return Encode(ProgramConverter(), utf16); }

std::u16string TextToUtf16(std::string_view text) { return Decode(ProgramConverter(), text); }

Text EndWithWholeCharacter(std::string_view text) {
  size_t pending = MayEndInsideCharacter(text) && !IsWholeCharacters(text) ? PendingBytes(ProgramConverter(), text) : 0;
  if (pending == 0) return Text(text);
  static const Text replacement = Utf16ToText(u"\uFFFD");
  return Text(text.substr(0, text.size() - pending)) + replacement;
}

Text T(std::string_view utf8Literal) { return Utf8ToText(utf8Literal); }

}  // namespace runtime
