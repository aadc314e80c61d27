// The text, byte-set, conversion and bit commands. Scanning commands follow the double-byte rule:
// a byte of 0x80 or more starts a two-byte character, and nothing starts on its second byte.
#include "runtime/text_operations.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace runtime {
namespace {

constexpr unsigned char kFullWidthSpaceByte = 0xA1;

bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

bool IsAsciiUpper(char byte) { return byte >= 'A' && byte <= 'Z'; }

char FoldAscii(char byte) { return IsAsciiUpper(byte) ? static_cast<char>(byte + ('a' - 'A')) : byte; }

bool HasAsciiLetter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char byte) {
    return IsAsciiUpper(byte) || (byte >= 'a' && byte <= 'z');
  });
}

// Every byte folded, second bytes of double-byte characters included, as the case-insensitive
// comparison folds them.
std::string FoldAllAscii(std::string_view text) {
  std::string folded(text);
  for (char& byte : folded) byte = FoldAscii(byte);
  return folded;
}

bool IsFullWidthSpace(std::string_view text, size_t at) {
  return at + 1 < text.size() && static_cast<unsigned char>(text[at]) == kFullWidthSpaceByte &&
         static_cast<unsigned char>(text[at + 1]) == kFullWidthSpaceByte;
}

// Finds search in text at a character boundary, scanning from `from`, which must itself be a
// boundary. Each candidate found by the plain search is checked by the parity of the run of lead
// bytes before it, looked at no further back than the last known boundary, so the whole scan stays
// linear. Returns npos when there is none within [from, limit).
class BoundaryScanner {
public:
  BoundaryScanner(std::string_view text, std::string_view search, size_t limit)
      : text_(text), search_(search), limit_(limit) {}

  size_t Next(size_t from) const {
    size_t knownBoundary = from;
    size_t candidate = from;
    while (true) {
      if (candidate + search_.size() > limit_) return std::string_view::npos;
      size_t found = text_.substr(0, limit_).find(search_, candidate);
      if (found == std::string_view::npos) return found;
      if (IsBoundary(knownBoundary, found)) return found;
      // found is the second byte of a character that began one byte earlier.
      knownBoundary = found + 1;
      candidate = found + 1;
    }
  }

  // The boundary after the character that starts at `at`; npos when it is a lone last lead byte.
  size_t After(size_t at) const {
    if (!IsLeadByte(text_[at])) return at + 1;
    return at + 1 >= text_.size() ? std::string_view::npos : at + 2;
  }

private:
  bool IsBoundary(size_t knownBoundary, size_t position) const {
    size_t leadRun = 0;
    while (position - leadRun > knownBoundary && IsLeadByte(text_[position - leadRun - 1])) ++leadRun;
    return leadRun % 2 == 0;
  }

  std::string_view text_;
  std::string_view search_;
  size_t limit_;
};

// The haystack and needle a search compares: folded copies when case is ignored and it matters.
struct SearchSubject {
  std::string foldedText;
  std::string foldedSearch;
  std::string_view text;
  std::string_view search;
};

SearchSubject MakeSubject(const Text& text, const Text& search, bool foldCase) {
  SearchSubject subject;
  if (foldCase && HasAsciiLetter(search)) {
    subject.foldedText = FoldAllAscii(text);
    subject.foldedSearch = FoldAllAscii(search);
    subject.text = subject.foldedText;
    subject.search = subject.foldedSearch;
  } else {
    subject.text = text;
    subject.search = search;
  }
  return subject;
}

int ClampToInt(long long value) {
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

int TextLength(const Text& text) { return static_cast<int>(text.size()); }

Text TextLeft(const Text& text, int n) {
  if (n <= 0) return Text();
  return text.substr(0, std::min<size_t>(static_cast<size_t>(n), text.size()));
}

Text TextRight(const Text& text, int n) {
  if (n <= 0) return Text();
  size_t count = std::min<size_t>(static_cast<size_t>(n), text.size());
  return text.substr(text.size() - count);
}

int FindText(const Text& text, const Text& search, std::optional<int> start, Case letterCase) {
  size_t spanStart = start ? static_cast<size_t>(std::max(0, *start - 1)) : 0;
  if (spanStart >= text.size()) return -1;
  if (search.empty()) return 1;
  SearchSubject subject = MakeSubject(text, search, letterCase == Case::Insensitive);
  BoundaryScanner scanner(subject.text, subject.search, subject.text.size());
  size_t found = scanner.Next(spanStart);
  return found == std::string_view::npos ? -1 : static_cast<int>(found) + 1;
}

int FindTextReverse(const Text& text, const Text& search, std::optional<int> start, Case letterCase) {
  size_t spanEnd = start ? std::min(static_cast<size_t>(std::max(0, *start - 1)), text.size())
                         : text.size();
  if (spanEnd == 0) return -1;
  if (search.empty()) return 1;
  SearchSubject subject = MakeSubject(text, search, letterCase == Case::Insensitive);
  BoundaryScanner scanner(subject.text, subject.search, spanEnd);
  int last = -1;
  size_t from = 0;
  while (true) {
    size_t found = scanner.Next(from);
    if (found == std::string_view::npos) break;
    last = static_cast<int>(found) + 1;
    from = scanner.After(found);
    if (from == std::string_view::npos) break;
  }
  return last;
}

Text ReplaceSubtext(const Text& text, const Text& search, std::optional<Text> replacement,
                    std::optional<int> start, std::optional<int> count, Case letterCase) {
  size_t from = start ? static_cast<size_t>(std::max(0, *start - 1)) : 0;
  long long remaining = count.value_or(-1);
  if (text.empty() || search.empty() || from >= text.size() || remaining == 0) return text;
  const Text& with = replacement ? *replacement : Text();
  SearchSubject subject = MakeSubject(text, search, letterCase == Case::Insensitive);
  BoundaryScanner scanner(subject.text, subject.search, subject.text.size());

  Text out;
  out.reserve(text.size());
  out.append(text, 0, from);
  size_t copiedTo = from;
  while (remaining != 0) {
    size_t found = scanner.Next(from);
    if (found == std::string_view::npos) break;
    out.append(text, copiedTo, found - copiedTo);
    out += with;
    from = copiedTo = found + search.size();
    if (remaining > 0) --remaining;
    if (from >= text.size()) break;
  }
  out.append(text, copiedTo, Text::npos);
  return out;
}

void ReplaceSubtextInPlace(Text& text, std::string_view search, std::string_view replacement) {
  if (text.empty() || search.empty() || replacement.size() > search.size()) return;
  // The scanner looks back no further than the last boundary it knows, which never lies before
  // the bytes already moved, so compacting as it goes leaves what it reads untouched.
  BoundaryScanner scanner(text, search, text.size());
  char* bytes = text.data();
  size_t written = 0;
  size_t copiedTo = 0;
  while (copiedTo < text.size()) {
    size_t found = scanner.Next(copiedTo);
    if (found == std::string_view::npos) break;
    std::memmove(bytes + written, bytes + copiedTo, found - copiedTo);
    written += found - copiedTo;
    std::memcpy(bytes + written, replacement.data(), replacement.size());
    written += replacement.size();
    copiedTo = found + search.size();
  }
  std::memmove(bytes + written, bytes + copiedTo, text.size() - copiedTo);
  text.resize(written + text.size() - copiedTo);
}

TextArray SplitText(const Text& text, std::optional<Text> delimiter, std::optional<int> maxPieces) {
  std::vector<Text> pieces;
  long long limit = maxPieces ? std::max(0, *maxPieces) : LLONG_MAX;
  Text separator = delimiter.value_or(",");
  if (text.empty() || limit == 0) return TextArray();
  if (separator.empty()) return TextArray({text});

  BoundaryScanner scanner(text, separator, text.size());
  size_t pieceStart = 0;
  while (static_cast<long long>(pieces.size()) < limit) {
    size_t found = pieceStart < text.size() ? scanner.Next(pieceStart) : std::string_view::npos;
    if (found == std::string_view::npos) {
      if (pieceStart < text.size()) pieces.push_back(text.substr(pieceStart));
      break;
    }
    pieces.push_back(text.substr(pieceStart, found - pieceStart));
    pieceStart = found + separator.size();
  }
  return TextArray(std::move(pieces));
}

Text TrimSpaces(const Text& text) {
  size_t first = 0;
  while (first < text.size()) {
    if (text[first] == ' ') {
      ++first;
    } else if (IsFullWidthSpace(text, first)) {
      first += 2;
    } else {
      break;
    }
  }
  size_t end = first;
  for (size_t at = first; at < text.size();) {
    if (text[at] == ' ') {
      ++at;
    } else if (!IsLeadByte(text[at])) {
      end = ++at;
    } else if (at + 1 >= text.size()) {
      break;  // a lone lead byte at the end goes with the trailing spaces
    } else {
      if (!IsFullWidthSpace(text, at)) end = at + 2;
      at += 2;
    }
  }
  return text.substr(first, end - first);
}

Text RemoveAllSpaces(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    if (text[at] == ' ') {
      ++at;
    } else if (!IsLeadByte(text[at])) {
      out += text[at++];
    } else if (at + 1 >= text.size()) {
      break;
    } else {
      if (!IsFullWidthSpace(text, at)) out.append(text, at, 2);
      at += 2;
    }
  }
  return out;
}

Text ToLower(const Text& text) {
  Text out(text);
  for (size_t at = 0; at < out.size(); ++at) {
    if (IsLeadByte(out[at])) {
      ++at;
    } else {
      out[at] = FoldAscii(out[at]);
    }
  }
  return out;
}

Text ToText(std::int64_t value) { return std::to_string(value); }

Text ToText(int value) { return std::to_string(value); }

Text ToText(std::string_view bytes) { return Text(bytes.substr(0, bytes.find('\0'))); }

Text ToText(const char* bytes) { return bytes ? Text(bytes) : Text(); }

Text ToHalfWidth(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80 || at + 1 >= text.size()) {
      out += text[at++];
      continue;
    }
    unsigned char trail = static_cast<unsigned char>(text[at + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out += static_cast<char>(trail - 0x80);
    } else if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      out += '~';
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out += '*';
    } else {
      out.append(text, at, 2);
    }
    at += 2;
  }
  return out;
}

int ToInteger(const Text& text) {
  Text half = ToHalfWidth(text);
  size_t at = 0;
  while (at < half.size() && std::strchr(" \t\n\v\f\r", half[at]) != nullptr && half[at] != 0) ++at;
  bool negative = false;
  if (at < half.size() && (half[at] == '+' || half[at] == '-')) negative = half[at++] == '-';
  long long value = 0;
  for (; at < half.size() && half[at] >= '0' && half[at] <= '9'; ++at) {
    value = std::min<long long>(value * 10 + (half[at] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  return ClampToInt(negative ? -value : value);
}

int ToInteger(double value) {
  if (std::isnan(value)) return 0;
  return ClampToInt(static_cast<long long>(std::clamp(std::trunc(value), -9.0e18, 9.0e18)));
}

}  // namespace runtime
