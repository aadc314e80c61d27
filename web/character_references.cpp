// Character references decoded as a browser reads them in an attribute value.
#include "web/character_references.h"

#include <array>
#include <string_view>

#include "runtime/code_page.h"

namespace web {
namespace {

using runtime::Text;

struct NamedReference {
  std::string_view name;
  char32_t character;
};

constexpr std::array<NamedReference, 6> kNamedReferences = {{
    {"amp;", U'&'},
    {"lt;", U'<'},
    {"gt;", U'>'},
    {"quot;", U'"'},
    {"apos;", U'\''},
    {"nbsp;", U'\u00A0'},
}};

constexpr char32_t kReplacement = U'\uFFFD';
constexpr char32_t kLastCharacter = 0x10FFFF;

bool IsDigit(char c, int base) {
  if (c >= '0' && c <= '9') return true;
  return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return (c | 0x20) - 'a' + 10;
}

// The character in the program's code page; ASCII needs no conversion.
Text CharacterText(char32_t character) {
  if (character < 0x80) return Text(1, static_cast<char>(character));
  std::string utf8;
  if (character < 0x800) {
    utf8 = {static_cast<char>(0xC0 | (character >> 6)), static_cast<char>(0x80 | (character & 0x3F))};
  } else if (character < 0x10000) {
    utf8 = {static_cast<char>(0xE0 | (character >> 12)), static_cast<char>(0x80 | ((character >> 6) & 0x3F)),
            static_cast<char>(0x80 | (character & 0x3F))};
  } else {
    utf8 = {static_cast<char>(0xF0 | (character >> 18)), static_cast<char>(0x80 | ((character >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((character >> 6) & 0x3F)), static_cast<char>(0x80 | (character & 0x3F))};
  }
  return runtime::Utf8ToText(utf8);
}

// A numeric reference at text[at] ("&#"): its character and the bytes it takes; 0 bytes when
// no digit follows.
std::size_t NumericReference(std::string_view text, std::size_t at, char32_t& character) {
  std::size_t position = at + 2;
  int base = 10;
  if (position < text.size() && (text[position] == 'x' || text[position] == 'X')) {
    base = 16;
    ++position;
  }
  const std::size_t digitsStart = position;
  char32_t value = 0;
  while (position < text.size() && IsDigit(text[position], base)) {
    // Past the last character the value stays out of range however many digits follow.
    if (value <= kLastCharacter) value = value * static_cast<char32_t>(base) + static_cast<char32_t>(DigitValue(text[position]));
    ++position;
  }
  if (position == digitsStart) return 0;
  if (position < text.size() && text[position] == ';') ++position;
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  character = value == 0 || surrogate || value > kLastCharacter ? kReplacement : value;
  return position - at;
}

// A named reference at text[at] ("&"): its character and the bytes it takes; 0 when none.
std::size_t NamedReferenceAt(std::string_view text, std::size_t at, char32_t& character) {
  const std::string_view rest = text.substr(at + 1);
  for (const NamedReference& reference : kNamedReferences) {
    if (rest.starts_with(reference.name)) {
      character = reference.character;
      return reference.name.size() + 1;
    }
  }
  return 0;
}

}  // namespace

Text DecodeCharacterReferences(const Text& text) {
  Text decoded;
  decoded.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t ampersand = text.find('&', at);
    if (ampersand == Text::npos) break;
    decoded.append(text, at, ampersand - at);
    char32_t character = 0;
    const std::string_view view(text);
    const bool numeric = ampersand + 1 < text.size() && text[ampersand + 1] == '#';
    const std::size_t length =
        numeric ? NumericReference(view, ampersand, character) : NamedReferenceAt(view, ampersand, character);
    if (length == 0) {
      decoded += '&';
      at = ampersand + 1;
    } else {
      decoded += CharacterText(character);
      at = ampersand + length;
    }
  }
  decoded.append(text, at);
  return decoded;
}

}  // namespace web
