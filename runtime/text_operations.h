// The text, byte-set, conversion and bit commands of the runtime. Positions are 1-based bytes,
// -1 means not found, and bad positions or counts are clamped, never an error.
#pragma once

#include <cstdint>
#include <initializer_list>
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
// At most n bytes from the 1-based position start; empty when start is outside the text.
Text TextMiddle(const Text& text, int start, int n);
// A text of the low byte of code; code 0 gives the empty text.
Text CharFromCode(int code);

// Position of the first occurrence of search in text, scanning from start with the double-byte
// rule; -1 when there is none. caseInsensitive folds ASCII letters only.
int FindText(const Text& text, const Text& search, std::optional<int> start = std::nullopt,
             std::optional<bool> caseInsensitive = std::nullopt);
// Position of the last occurrence that ends within the first start - 1 bytes (the whole text when
// start is absent); -1 when there is none.
int FindTextReverse(const Text& text, const Text& search, std::optional<int> start = std::nullopt,
                    std::optional<bool> caseInsensitive = std::nullopt);

// ReplaceSubtext over the whole text, case-sensitive, without limit, done in the text's own
// storage: for a replacement no longer than search, so that a page is cleaned without a copy.
void ReplaceSubtextInPlace(Text& text, std::string_view search, std::string_view replacement);

// Replaces non-overlapping occurrences of search from start on, at most count of them (absent or
// negative: all). caseSensitive absent or false folds ASCII letters.
Text ReplaceSubtext(const Text& text, const Text& search,
                    std::optional<Text> replacement = std::nullopt,
                    std::optional<int> start = std::nullopt,
                    std::optional<int> count = std::nullopt,
                    std::optional<bool> caseSensitive = std::nullopt);

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
// n spaces (none for n < 1).
Text BlankText(int n);

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

// A text's bytes; an integer's four bytes, least significant first.
ByteSet ToByteSet(std::string_view bytes);
ByteSet ToByteSet(std::int32_t value);
int ByteSetLength(const ByteSet& bytes);
// The first min(max(n, 0), length) bytes.
ByteSet ByteSetLeft(const ByteSet& bytes, int n);
// n zero bytes (none for n <= 0).
ByteSet BlankByteSet(int n);
// Kind 10: the text up to the first zero byte. Any other kind is a runtime error.
Text ByteSetGetData(const ByteSet& bytes, int kind, std::optional<int> position = std::nullopt);

// Bitwise OR of all values.
int BitOr(std::initializer_list<int> values);

}  // namespace runtime
