// The template matcher: parsing a translated rule into pieces and holes, finding pieces sixteen
// positions at a time, and the walk through the holes in the order the backtracking engine tries
// them, remembering where the rest of the template can no longer match.
#include "runtime/template_matcher.h"

#include "runtime/code_page.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/regex.h"

namespace runtime {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Bytes with a meaning in Perl syntax outside a set.
constexpr std::string_view kSyntaxBytes = "\\^$.|?*+()[]{}";
// Punctuation that a backslash turns into itself. '<', '>', '`' and '\'' are not among it: after
// a backslash they are word and buffer assertions.
constexpr std::string_view kEscapedLiterals = "\\^$.|?*+()[]{}/-\"#&:=!,;%@~_ ";

// A letter's byte with this bit set is its lower-case form.
constexpr char kCaseBit = 0x20;
// What '.' holds in a piece: any byte with all bits set equals it.
constexpr char kAnyByte = static_cast<char>(0xFF);

bool IsQuantifier(char byte) { return byte == '*' || byte == '+' || byte == '?' || byte == '{'; }
bool IsAsciiLetter(char byte) { return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z'); }
bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

struct HoleToken {
  std::string_view text;
  bool digits;
  bool captures;
};

constexpr HoleToken kHoleTokens[] = {
    {"(.*?)", false, true}, {".*?", false, false}, {R"((\d*))", true, true}, {R"(\d*)", true, false}};

// The hole that begins pattern, if any.
const HoleToken* HoleAt(std::string_view pattern) {
  for (const HoleToken& token : kHoleTokens) {
    if (pattern.substr(0, token.text.size()) == token.text) return &token;
  }
  return nullptr;
}

// What a scan of `scanned` bytes costs on the search meter.
std::int64_t ScanCost(std::size_t scanned) { return 1 + static_cast<std::int64_t>(scanned / 64); }

}  // namespace

TemplatePiece::TemplatePiece(std::string bytes, std::vector<bool> anyByte, bool foldCase)
    : bytes_(std::move(bytes)), ors_(bytes_.size(), '\0'), foldCase_(foldCase) {
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (anyByte[i]) {
      ors_[i] = kAnyByte;
      bytes_[i] = kAnyByte;
      continue;
    }
    if (foldCase && IsAsciiLetter(bytes_[i])) {
      ors_[i] = kCaseBit;
      bytes_[i] = static_cast<char>(bytes_[i] | kCaseBit);
    }
    if (!hasExact_) firstExact_ = i;
    filterDecides_ = filterDecides_ && (!hasExact_ || lastExact_ == firstExact_);
    lastExact_ = i;
    hasExact_ = true;
    if (firstNonDigit_ == npos && !IsDigit(bytes_[i])) firstNonDigit_ = i;
  }
  firstFilter_.ors.fill(ors_.empty() ? '\0' : ors_[firstExact_]);
  firstFilter_.bytes.fill(bytes_.empty() ? '\0' : bytes_[firstExact_]);
  lastFilter_.ors.fill(ors_.empty() ? '\0' : ors_[lastExact_]);
  lastFilter_.bytes.fill(bytes_.empty() ? '\0' : bytes_[lastExact_]);
}

bool TemplatePiece::MatchesAt(const char* text, std::size_t at, std::size_t end) const {
  const std::size_t length = bytes_.size();
  if (at > end || end - at < length) return false;
  const char* const bytes = text + at;
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t word = 0;
    std::uint64_t ors = 0;
    std::uint64_t expected = 0;
    std::memcpy(&word, bytes + i, 8);
    std::memcpy(&ors, ors_.data() + i, 8);
    std::memcpy(&expected, bytes_.data() + i, 8);
    if ((word | ors) != expected) return false;
  }
  for (; i < length; ++i) {
    if (static_cast<char>(bytes[i] | ors_[i]) != bytes_[i]) return false;
  }
  return true;
}

std::size_t TemplatePiece::Find(const char* text, std::size_t from, std::size_t lastStart,
                                std::size_t end) const {
  if (end < bytes_.size()) return npos;
  lastStart = std::min(lastStart, end - bytes_.size());
  if (from > lastStart) return npos;
  if (!hasExact_) return from;
#if defined(__SSE2__)
  const auto filter = [](const std::array<char, 16>& bytes) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes.data()));
  };
  const __m128i firstOr = filter(firstFilter_.ors);
  const __m128i firstByte = filter(firstFilter_.bytes);
  const __m128i lastOr = filter(lastFilter_.ors);
  const __m128i lastByte = filter(lastFilter_.bytes);
  // Sixteen candidate starts at a time, all of them no later than lastStart, so that every byte
  // loaded lies inside the text.
  std::size_t at = from;
  for (; at <= lastStart && lastStart - at >= 15; at += 16) {
    const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + firstExact_));
    const __m128i atLast = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + lastExact_));
    const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(atFirst, firstOr), firstByte),
                                       _mm_cmpeq_epi8(_mm_or_si128(atLast, lastOr), lastByte));
    auto candidates = static_cast<unsigned>(_mm_movemask_epi8(hits));
    while (candidates != 0) {
      const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(candidates));
      if (filterDecides_ || MatchesAt(text, candidate, end)) return candidate;
      candidates &= candidates - 1;
    }
  }
  return FindScalar(text, at, lastStart, end);
#else
  return FindScalar(text, from, lastStart, end);
#endif
}

std::size_t TemplatePiece::FindScalar(const char* text, std::size_t from, std::size_t lastStart,
                                      std::size_t end) const {
  for (std::size_t at = from; at <= lastStart; ++at) {
    if (MatchesAt(text, at, end)) return at;
  }
  return npos;
}

TemplatePiece TemplatePiece::Tail(std::size_t at) const {
  std::string bytes;
  std::vector<bool> anyByte;
  for (std::size_t i = at; i < bytes_.size(); ++i) {
    bytes.push_back(AnyByteAt(i) ? '\0' : bytes_[i]);
    anyByte.push_back(AnyByteAt(i));
  }
  return TemplatePiece(std::move(bytes), std::move(anyByte), foldCase_);
}

namespace {

// A byte that no character of the program's code page holds after its first byte.
bool OnlyEverFirst(unsigned char byte) { return byte < '0' || (byte >= ':' && byte <= '?'); }

// A byte that can be the second of a two-byte character of the program's code page and is ASCII.
bool MaySecondOfTwo(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }

}  // namespace

void TemplateMatcher::JudgeUtf8() {
  mayMatchAlikeInUtf8_ = false;
  halfCharacterChecks_.clear();
  for (std::size_t index = 0; index < pieces_.size(); ++index) {
    const TemplatePiece& piece = pieces_[index];
    if (index < holes_.size() && piece.Length() == 0) return;
    const bool searched = index == 0 || !holes_[index - 1].digits;
    if (searched && piece.Length() > 0 && (piece.AnyByteAt(0) || !OnlyEverFirst(piece.ByteAt(0)))) return;
    for (std::size_t at = 0; at < piece.Length(); ++at) {
      if (!piece.AnyByteAt(at)) {
        if (piece.ByteAt(at) >= 0x80) return;
        continue;
      }
      // A '.' takes an ASCII character in UTF-8 only when an ASCII byte of the piece follows it.
      if (at + 1 >= piece.Length() || piece.AnyByteAt(at + 1)) return;
      const unsigned char next = piece.ByteAt(at + 1);
      if (OnlyEverFirst(next)) continue;
      // The second byte of a form, and more of the piece after it that the text must show.
      if (at + 2 >= piece.Length()) return;
      if (MaySecondOfTwo(next)) halfCharacterChecks_.push_back({next, piece.FoldsAt(at + 1), piece.Tail(at + 2)});
    }
  }
  mayMatchAlikeInUtf8_ = true;
}

bool TemplateMatcher::MatchesAlikeInUtf8(std::string_view utf8) const {
  if (!mayMatchAlikeInUtf8_) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  for (const HalfCharacterCheck& check : halfCharacterChecks_) {
    if (utf8.size() <= check.rest.Length()) continue;
    const std::size_t lastStart = utf8.size() - check.rest.Length();
    for (std::size_t at = check.rest.Find(utf8.data(), 1, lastStart, utf8.size()); at != npos && at <= lastStart;
         at = at < lastStart ? check.rest.Find(utf8.data(), at + 1, lastStart, utf8.size()) : npos) {
      if (bytes[at - 1] < 0x80) continue;
      // The character that ends right before: from its first byte, at most three back.
      std::size_t first = at - 1;
      while (first + 3 > at - 1 && first > 0 && (bytes[first] & 0xC0) == 0x80) --first;
      const Text form = Utf8ToText(utf8.substr(first, at - first));
      if (form.size() != 2) continue;
      const auto second = static_cast<unsigned char>(form[1]);
      if (second == check.second || (check.folds && (second | 0x20) == check.second)) return false;
    }
  }
  return true;
}

std::optional<TemplateMatcher> TemplateMatcher::FromPattern(std::string_view pattern, bool caseSensitive) {
  TemplateMatcher matcher;
  std::string bytes;
  std::vector<bool> anyByte;
  for (std::size_t at = 0; at < pattern.size();) {
    if (const HoleToken* hole = HoleAt(pattern.substr(at))) {
      at += hole->text.size();
      if (at < pattern.size() && IsQuantifier(pattern[at])) return std::nullopt;
      matcher.pieces_.emplace_back(std::move(bytes), std::move(anyByte), !caseSensitive);
      bytes.clear();
      anyByte.clear();
      matcher.holes_.push_back({hole->digits, hole->captures ? ++matcher.groupCount_ : 0});
      continue;
    }
    const char byte = pattern[at];
    if (byte == '\\') {
      if (at + 1 >= pattern.size() || kEscapedLiterals.find(pattern[at + 1]) == npos) return std::nullopt;
      bytes.push_back(pattern[at + 1]);
      anyByte.push_back(false);
      at += 2;
    } else if (byte == '.') {
      bytes.push_back('\0');
      anyByte.push_back(true);
      at += 1;
    } else if (kSyntaxBytes.find(byte) != npos) {
      return std::nullopt;
    } else {
      bytes.push_back(byte);
      anyByte.push_back(false);
      at += 1;
    }
    if (at < pattern.size() && IsQuantifier(pattern[at])) return std::nullopt;
  }
  matcher.pieces_.emplace_back(std::move(bytes), std::move(anyByte), !caseSensitive);
  matcher.JudgeUtf8();
  return matcher;
}

TemplateMatcher::Search::Search(const TemplateMatcher& matcher, std::string_view text, SearchMeter& meter)
    : matcher_(matcher),
      text_(text.data()),
      end_(text.size()),
      meter_(meter),
      frames_(matcher.holes_.size()),
      occurrences_(matcher.pieces_.size()),
      failsFrom_(matcher.holes_.size(), npos),
      digitFails_(matcher.holes_.size()) {
  for (std::size_t hole = 0; hole < matcher.holes_.size(); ++hole) {
    if (matcher.holes_[hole].digits) digitFails_[hole].assign(kDigitSlots, npos);
  }
}

bool TemplateMatcher::Search::Next(std::size_t from, std::vector<SubMatch>& entries) {
  const TemplatePiece& first = matcher_.pieces_.front();
  for (std::size_t start = from; start <= end_;) {
    std::size_t at = start;
    if (first.Length() > 0) {
      at = first.Find(text_, start, end_, end_);
      meter_.Step(ScanCost((at == npos ? end_ : at) - start));
      if (at == npos) return false;
    }
    // Every later start would leave the first hole later still, where it cannot be closed.
    if (!matcher_.holes_.empty() && ClosedFrom(0, at + first.Length())) return false;
    if (MatchFrom(at, entries)) return true;
    start = at + 1;
  }
  return false;
}

// Tries the holes depth first, each hole's choices in the engine's order: a lazy hole closes at
// each next occurrence of the piece after it, a digit hole gives back one digit at a time.
bool TemplateMatcher::Search::MatchFrom(std::size_t start, std::vector<SubMatch>& entries) {
  const std::size_t holeCount = matcher_.holes_.size();
  if (holeCount == 0) {
    Record(start, entries);
    return true;
  }
  std::size_t hole = 0;
  Enter(0, start + matcher_.pieces_[0].Length());
  while (true) {
    meter_.Step();
    if (Advance(hole)) {
      if (hole + 1 == holeCount) {
        Record(start, entries);
        return true;
      }
      const std::size_t next = frames_[hole].end + matcher_.pieces_[hole + 1].Length();
      Enter(++hole, next);
      continue;
    }
    // A lazy hole that cannot be closed from here cannot be closed from anywhere further on.
    const std::size_t start = frames_[hole].start;
    if (matcher_.holes_[hole].digits) {
      digitFails_[hole][start % kDigitSlots] = start;
    } else {
      failsFrom_[hole] = std::min(failsFrom_[hole], start);
    }
    if (hole == 0) return false;
    --hole;
  }
}

void TemplateMatcher::Search::Enter(std::size_t hole, std::size_t start) {
  Frame& frame = frames_[hole];
  frame.start = start;
  if (matcher_.holes_[hole].digits) {
    frame.width = digitFails_[hole][start % kDigitSlots] == start
                      ? -1
                      : static_cast<std::ptrdiff_t>(DigitsFrom(start));
    // A narrower choice would put a byte that no digit matches on a digit.
    const std::size_t nonDigit = matcher_.pieces_[hole + 1].FirstNonDigit();
    frame.narrowest = nonDigit < static_cast<std::size_t>(std::max<std::ptrdiff_t>(frame.width, 0))
                          ? frame.width - static_cast<std::ptrdiff_t>(nonDigit)
                          : 0;
  } else {
    frame.next = ClosedFrom(hole, start) ? npos : start;
  }
}

bool TemplateMatcher::Search::Advance(std::size_t hole) {
  Frame& frame = frames_[hole];
  const TemplatePiece& piece = matcher_.pieces_[hole + 1];
  const bool last = hole + 1 == matcher_.holes_.size();
  if (!matcher_.holes_[hole].digits) {
    if (frame.next == npos) return false;
    const std::size_t at = NextOccurrence(hole + 1, frame.next);
    // Any later close would leave the next hole later still, where it cannot be closed.
    if (at == npos || (!last && ClosedFrom(hole + 1, at + piece.Length()))) {
      frame.next = npos;
      return false;
    }
    frame.end = at;
    frame.next = at + 1;
    return true;
  }
  while (frame.width >= frame.narrowest) {
    const std::size_t at = frame.start + static_cast<std::size_t>(frame.width--);
    if (!piece.MatchesAt(text_, at, end_)) continue;
    if (!last && ClosedFrom(hole + 1, at + piece.Length())) continue;
    frame.end = at;
    return true;
  }
  return false;
}

std::size_t TemplateMatcher::Search::NextOccurrence(std::size_t pieceIndex, std::size_t from) {
  const TemplatePiece& piece = matcher_.pieces_[pieceIndex];
  if (piece.Length() == 0) return from <= end_ ? from : npos;
  Occurrences& known = occurrences_[pieceIndex];
  if (from >= known.knownFrom && from <= known.next) return known.next;
  // Past the known occurrence: search on. Before the known stretch: only up to it.
  const std::size_t lastStart = from < known.knownFrom ? known.knownFrom - 1 : end_;
  const std::size_t found = piece.Find(text_, from, lastStart, end_);
  meter_.Step(ScanCost((found == npos ? std::min(lastStart, end_) : found) - std::min(from, end_)));
  if (found != npos || from > known.knownFrom) known.next = found;
  known.knownFrom = from;
  return known.next;
}

std::size_t TemplateMatcher::Search::DigitsFrom(std::size_t at) const {
  std::size_t count = 0;
  while (at + count < end_ && IsDigit(text_[at + count])) ++count;
  return count;
}

bool TemplateMatcher::Search::ClosedFrom(std::size_t hole, std::size_t at) const {
  return !matcher_.holes_[hole].digits && at >= failsFrom_[hole];
}

void TemplateMatcher::Search::Record(std::size_t start, std::vector<SubMatch>& entries) const {
  entries.assign(static_cast<std::size_t>(matcher_.groupCount_) + 1, SubMatch{});
  const std::size_t matchEnd = frames_.empty() ? start + matcher_.pieces_[0].Length()
                                               : frames_.back().end + matcher_.pieces_.back().Length();
  entries[0] = {static_cast<int>(start), static_cast<int>(matchEnd - start), true};
  for (std::size_t hole = 0; hole < matcher_.holes_.size(); ++hole) {
    const int group = matcher_.holes_[hole].group;
    if (group == 0) continue;
    const Frame& frame = frames_[hole];
    entries[static_cast<std::size_t>(group)] = {static_cast<int>(frame.start),
                                                static_cast<int>(frame.end - frame.start), true};
  }
}

}  // namespace runtime
