// The text and conversion commands of the runtime. Positions are 1-based bytes, -1 means not
// found, and bad positions or counts are clamped, never an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/text.h"

namespace runtime {

// Byte length of the text.
int TextLength(const Text& text);
// The first n bytes (none for n <= 0).
Text TextLeft(const Text& text, int n);
// The last n bytes (none for n <= 0).
Text TextRight(const Text& text, int n);

// Position of the first occurrence of search in text, scanning from start with the double-byte
// rule; -1 when there is none. Case::Insensitive folds ASCII letters only.
int FindText(const Text& text, const Text& search, std::optional<int> start = std::nullopt,
             Case letterCase = Case::Sensitive);
// Position of the last occurrence that ends within the first start - 1 bytes (the whole text when
// start is absent); -1 when there is none.
int FindTextReverse(const Text& text, const Text& search, std::optional<int> start = std::nullopt,
                    Case letterCase = Case::Sensitive);

// ReplaceSubtext over the whole text, case-sensitive, without limit, done in the text's own
// storage: for a replacement no longer than search, so that a page is cleaned without a copy.
void ReplaceSubtextInPlace(Text& text, std::string_view search, std::string_view replacement);

// Replaces non-overlapping occurrences of search from start on, at most count of them (absent or
// negative: all). Unless told Case::Sensitive it folds ASCII letters.
Text ReplaceSubtext(const Text& text, const Text& search,
                    std::optional<Text> replacement = std::nullopt,
                    std::optional<int> start = std::nullopt,
                    std::optional<int> count = std::nullopt,
                    Case letterCase = Case::Insensitive);

// Splits at each occurrence of delimiter (default ","), at most maxPieces pieces; a trailing
// empty piece is dropped, an empty text gives no pieces.
TextArray SplitText(const Text& text, std::optional<Text> delimiter = std::nullopt,
                    std::optional<int> maxPieces = std::nullopt);

// Removes leading and trailing spaces (0x20 and the full-width space A1 A1).
Text TrimSpaces(const Text& text);
// Removes every space (0x20 and A1 A1).
Text RemoveAllSpaces(const Text& text);
// Lowers A-Z, never the second byte of a double-byte character.
Text ToLower(const Text& text);

// Decimal form of an integer.
Text ToText(std::int64_t value);
Text ToText(int value);
// The bytes up to the first zero byte (a text is copied as it is).
Text ToText(std::string_view bytes);
Text ToText(const char* bytes);

// Reads a decimal integer after half-width conversion: blanks skipped, optional sign, digits.
int ToInteger(const Text& text);
int ToInteger(double value);
// Full-width ASCII forms of GBK become their half-width bytes.
Text ToHalfWidth(const Text& text);

}  // namespace runtime
