// Translation of the user's match rule into a regular expression.
#include "collect/match_rule.h"

#include <array>
#include <string_view>

#include "collect/rule_captions.h"
#include "runtime/text_operations.h"

namespace collect {

namespace {

struct Placeholder {
  const char* placeholder;
  const char* replacement;
};

// No placeholder is a prefix of another, so the order does not change the outcome.
constexpr std::array<Placeholder, 4> kPlaceholders{{
    {"[var]", "(.*?)"},
    {"[var0]", ".*?"},
    {"[int]", R"((\d*))"},
    {"[int0]", R"(\d*)"},
}};

// The bytes a regular expression reads as more than themselves, outside a character class.
constexpr std::string_view kPatternBytes = R"(.?*+()[]{}|^$\)";

bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

bool IsPatternByte(char byte) { return kPatternBytes.find(byte) != std::string_view::npos; }

// The placeholder that begins at position at of the rule; null when none does.
const Placeholder* PlaceholderAt(const runtime::Text& rule, std::size_t at) {
  for (const Placeholder& entry : kPlaceholders) {
    if (std::string_view(rule).substr(at).starts_with(std::string_view(entry.placeholder))) return &entry;
  }
  return nullptr;
}

// Calls onPlaceholder for each placeholder and onCharacter for each other character (one byte,
// or a lead byte and its trail byte), in order; placeholders are recognised only where a
// character begins.
template <typename OnPlaceholder, typename OnCharacter>
void WalkRule(const runtime::Text& rule, OnPlaceholder onPlaceholder, OnCharacter onCharacter) {
  for (std::size_t at = 0; at < rule.size();) {
    if (const Placeholder* entry = PlaceholderAt(rule, at)) {
      onPlaceholder(*entry);
      at += std::string_view(entry->placeholder).size();
      continue;
    }
    const std::size_t length = IsLeadByte(rule[at]) && at + 1 < rule.size() ? 2 : 1;
    onCharacter(std::string_view(rule).substr(at, length));
    at += length;
  }
}

// Every placeholder replaced, every other byte with a meaning escaped. The regular expression
// reads bytes, so the second byte of a double-byte character ("[" or "\" among them) is escaped
// too; the escaped byte still matches itself.
runtime::Text TranslateLiteralRule(const runtime::Text& rule) {
  runtime::Text expression;
  expression.reserve(rule.size() * 2);
  WalkRule(
      rule, [&](const Placeholder& entry) { expression += entry.replacement; },
      [&](std::string_view character) {
        for (char byte : character) {
          if (IsPatternByte(byte)) expression += '\\';
          expression += byte;
        }
      });
  return expression;
}

}  // namespace

runtime::Text TranslateMatchRule(const runtime::Text& rule) {
  runtime::Text expression = WithoutPlaceholderNames(rule);
  for (const Placeholder& entry : kPlaceholders) {
    expression =
        runtime::ReplaceSubtext(expression, entry.placeholder, runtime::Text(entry.replacement),
                                std::nullopt, std::nullopt, runtime::Case::Sensitive);
  }
  return expression;
}

runtime::Text TranslateMatchRule(const runtime::Text& rule, RuleSyntax syntax) {
  return syntax == RuleSyntax::Literal ? TranslateLiteralRule(WithoutPlaceholderNames(rule)) : TranslateMatchRule(rule);
}

runtime::Text PatternCharacters(const runtime::Text& rule) {
  runtime::Text found;
  bool escaped = false;
  WalkRule(
      rule, [&](const Placeholder&) { escaped = false; },
      [&](std::string_view character) {
        const char byte = character.front();
        const bool escapes = !escaped && character.size() == 1 && byte == '\\';
        if (!escaped && !escapes && character.size() == 1 && IsPatternByte(byte) &&
            found.find(byte) == runtime::Text::npos) {
          found += byte;
        }
        escaped = escapes;
      });
  return found;
}

}  // namespace collect
