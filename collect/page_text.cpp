// The one pass from body to page text: the body is cut where the markers are, then cleaned (a
// UTF-8 body also converted, a piece at a time) into its place.
#include "collect/page_text.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "web/text_between.h"
#include "web/utf8_text.h"

namespace collect {

using runtime::Text;

namespace {

// UTF-8 is converted about this much at a time, each piece cleaned while it is still in the cache.
constexpr std::size_t kConversionPiece = std::size_t{256} << 10;
// A body from this size on gives the memory it no longer needs back to the system as it goes.
constexpr std::size_t kReleasingBody = std::size_t{8} << 20;

bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// Where the next tab, line break or space stands in text[from, to); to when there is none.
std::size_t NextBlank(const char* text, std::size_t from, std::size_t to) {
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const __m128i carriageReturn = _mm_set1_epi8('\r');
  for (; to - from >= 16; from += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
    const __m128i blanks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, space), _mm_cmpeq_epi8(block, tab)),
                                        _mm_or_si128(_mm_cmpeq_epi8(block, lineFeed), _mm_cmpeq_epi8(block, carriageReturn)));
    const auto found = static_cast<unsigned>(_mm_movemask_epi8(blanks));
    if (found != 0) return from + static_cast<std::size_t>(__builtin_ctz(found));
  }
#endif
  for (; from < to; ++from) {
    const char byte = text[from];
    if (byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r') return from;
  }
  return to;
}

// True when text[at] is the second byte of a double-byte character: an odd number of bytes of
// 0x80 or above stand right before it, counted back to boundary, where a character begins.
bool IsTrailByte(const char* text, std::size_t boundary, std::size_t at) {
  std::size_t leads = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: the high bits of the bytes before at, nearest first.
  while (at - leads - boundary >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at - leads - 16));
    const auto high = static_cast<std::uint16_t>(_mm_movemask_epi8(block));
    const int run = std::countl_one(high);
    leads += static_cast<std::size_t>(run);
    if (run < 16) return leads % 2 == 1;
  }
#endif
  while (at - leads > boundary && IsLeadByte(text[at - leads - 1])) ++leads;
  return leads % 2 == 1;
}

// Cleans a page text as four passes over it would, in one: line feeds, carriage
// returns and tabs removed, then each pair of spaces made one, none of it starting on the second
// byte of a double-byte character. Removing a one-byte character leaves the characters after it
// where they were, so a space run that a removed byte interrupts is one run. It works a piece at a
// time, moving the stretches between blanks whole, and writes at or before what it reads, so a
// text is cleaned in its own storage.
class PageCleaner {
public:
  // Cleans text[from, to) into text from at; returns where the writing ended.
  std::size_t Clean(char* text, std::size_t at, std::size_t from, std::size_t to) {
    std::size_t read = from;
    if (trailByteNext_ && read < to) {
      text[at++] = text[read++];
      trailByteNext_ = false;
    }
    // read is where a character begins, from here on.
    while (read < to) {
      const std::size_t blank = NextBlank(text, read, to);
      // Judged before the stretch moves over the bytes it looks at.
      const bool trailByte = IsTrailByte(text, read, blank);
      if (blank > read) {
        at = WriteSpaces(text, at);
        if (at != read) std::memmove(text + at, text + read, blank - read);
        at += blank - read;
      }
      if (blank == to) {
        trailByteNext_ = trailByte;
        break;
      }
      const char byte = text[blank];
      if (trailByte) {
        text[at++] = byte;
      } else if (byte == ' ') {
        ++spaces_;
      }
      read = blank + 1;
    }
    return at;
  }

  // Ends text at at, with the spaces of a run that reached the end.
  void Finish(Text& text, std::size_t at) {
    text.resize(at);
    text.append((spaces_ + 1) / 2, ' ');
    spaces_ = 0;
  }

private:
  std::size_t WriteSpaces(char* text, std::size_t at) {
    const std::size_t halved = (spaces_ + 1) / 2;
    std::memset(text + at, ' ', halved);
    spaces_ = 0;
    return at + halved;
  }

  std::size_t spaces_ = 0;
  bool trailByteNext_ = false;
};

// The stretch TextBetween would give, as a span of text; the whole text when a marker is empty.
std::optional<web::TextSpan> StretchOf(const Text& text, const Text& before, const Text& after) {
  if (before.empty() || after.empty()) return web::TextSpan{0, text.size()};
  return web::FindTextBetween(text, before, after);
}

// The page cut and cleaned in its own storage.
void CutAndCleanInPlace(Text& page, const Text& before, const Text& after) {
  const std::optional<web::TextSpan> stretch = StretchOf(page, before, after);
  if (!stretch) {
    page.clear();
    return;
  }
  PageCleaner cleaner;
  cleaner.Finish(page, cleaner.Clean(page.data(), 0, stretch->start, stretch->start + stretch->length));
}

// The marker as UTF-8, when a byte search for it in a UTF-8 page finds the very place where it is
// found in the converted page: each of its characters is ASCII or a two-byte character (its second
// byte no digit), and it converts to UTF-8 and back unchanged. Such a marker meets only whole
// characters of a converted page: the double-byte scan starts a match only at a character or at
// the middle of a four-byte form, whose two halves end in digits; and UTF-8 bytes of whole
// characters match only at character starts. Nothing otherwise.
std::optional<std::string> Utf8Marker(const Text& marker) {
  for (std::size_t at = 0; at < marker.size(); ++at) {
    if (!IsLeadByte(marker[at])) continue;
    if (at + 1 == marker.size() || (marker[at + 1] >= '0' && marker[at + 1] <= '9')) return std::nullopt;
    ++at;
  }
  std::string utf8 = runtime::TextToUtf8(marker);
  if (runtime::Utf8ToText(utf8) != marker) return std::nullopt;
  return utf8;
}

// The UTF-8 page's stretch between the markers, found in the UTF-8 bytes; nothing when a marker
// cannot be looked for there. An empty optional stretch means a marker is missing.
struct Utf8Stretch {
  bool searched = false;
  std::optional<web::TextSpan> span;
};
Utf8Stretch FindUtf8Stretch(std::string_view content, const Text& before, const Text& after) {
  if (before.empty() || after.empty()) return {true, web::TextSpan{0, content.size()}};
  const std::optional<std::string> left = Utf8Marker(web::MarkerWithQuotes(before));
  const std::optional<std::string> right = Utf8Marker(web::MarkerWithQuotes(after));
  if (!left || !right) return {};
  const std::size_t leftAt = content.find(*left);
  if (leftAt == std::string_view::npos) return {true, std::nullopt};
  const std::size_t from = leftAt + left->size();
  const std::size_t rightAt = content.find(*right, from);
  if (rightAt == std::string_view::npos) return {true, std::nullopt};
  return {true, web::TextSpan{from, rightAt - from}};
}

// Gives the memory pages of a large body back to the system as soon as they will not be read
// again (their bytes then read as zeros), so that converting a page does not need it twice.
class BodyRelease {
public:
  explicit BodyRelease(runtime::ByteSet& body)
      : base_(reinterpret_cast<std::uintptr_t>(body.data())),
        size_(body.size()),
        releasedTo_(RoundUp(base_)) {}

  // Every byte before to has been read.
  void ReadUpTo(std::size_t to) {
    const std::uintptr_t end = RoundDown(base_ + to);
    if (end > releasedTo_) Release(releasedTo_, end);
    releasedTo_ = std::max(releasedTo_, end);
  }

  // No byte from from on will be read.
  void UnreadFrom(std::size_t from) { Release(RoundUp(base_ + from), RoundDown(base_ + size_)); }

private:
  static std::uintptr_t PageSize() {
    static const auto kPageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    return kPageSize;
  }
  static std::uintptr_t RoundDown(std::uintptr_t address) { return address / PageSize() * PageSize(); }
  static std::uintptr_t RoundUp(std::uintptr_t address) { return RoundDown(address + PageSize() - 1); }

  void Release(std::uintptr_t begin, std::uintptr_t end) const {
    if (size_ >= kReleasingBody && end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
  }

  std::uintptr_t base_;
  std::size_t size_;
  std::uintptr_t releasedTo_;
};

// Where the next piece of UTF-8 to convert ends: just after an ASCII byte near a piece's length
// on, so that the pieces convert as the whole does; the end when there is none.
std::size_t PieceEnd(std::string_view utf8, std::size_t from) {
  if (utf8.size() - from <= kConversionPiece) return utf8.size();
  for (std::size_t at = from + kConversionPiece; at > from; --at) {
    if (!IsLeadByte(utf8[at - 1])) return at;
  }
  for (std::size_t at = from + kConversionPiece; at < utf8.size(); ++at) {
    if (!IsLeadByte(utf8[at])) return at + 1;
  }
  return utf8.size();
}

// body[span] read as UTF-8 and converted a piece at a time, each piece cleaned right after it is
// converted when a cleaner is given; what the body has been read up to is given back as it goes.
Text ConvertUtf8(runtime::ByteSet& body, web::TextSpan span, PageCleaner* cleaner) {
  BodyRelease release(body);
  release.UnreadFrom(span.start + span.length);
  const std::string_view utf8 = std::string_view(body).substr(span.start, span.length);
  Text page;
  page.reserve(utf8.size());
  std::size_t cleanedEnd = 0;
  for (std::size_t from = 0; from < utf8.size();) {
    const std::size_t to = PieceEnd(utf8, from);
    const std::size_t convertedFrom = page.size();
    runtime::AppendUtf8AsText(utf8.substr(from, to - from), page);
    // The cleaned text stays behind the converted one: the spaces it still holds were read
    // from the bytes between the two.
    if (cleaner != nullptr) cleanedEnd = cleaner->Clean(page.data(), cleanedEnd, convertedFrom, page.size());
    release.ReadUpTo(span.start + to);
    from = to;
  }
  if (cleaner != nullptr) cleaner->Finish(page, cleanedEnd);
  return page;
}

}  // namespace

Text PreparePageText(runtime::ByteSet&& body, bool gbk, const Text& before, const Text& after) {
  body.resize(std::min(body.size(), body.find('\0')));
  Text page;
  if (gbk) {
    page = std::move(body);
    CutAndCleanInPlace(page, before, after);
    return page;
  }
  const Utf8Stretch stretch = FindUtf8Stretch(body, before, after);
  if (stretch.searched && stretch.span) {
    PageCleaner cleaner;
    page = ConvertUtf8(body, *stretch.span, &cleaner);
  } else if (!stretch.searched) {
    page = ConvertUtf8(body, web::TextSpan{0, body.size()}, nullptr);
    CutAndCleanInPlace(page, before, after);
  }
  runtime::ByteSet().swap(body);
  return page;
}

}  // namespace collect
