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

// The cleaning reads the text this many bytes at a time, a bit a byte in a 64-bit mask.
constexpr int kBlock = 64;

bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// Bit i set for each byte i of a block that is a tab, line break or space; that is a space; that
// is 0x80 or above.
struct BlockBytes {
  std::uint64_t blanks = 0;
  std::uint64_t spaces = 0;
  std::uint64_t high = 0;
};

BlockBytes BytesOf(const char* block) {
  BlockBytes bytes;
#if defined(__SSE2__)
  for (int part = 0; part < kBlock / 16; ++part) {
    const __m128i loaded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    const __m128i spaces = _mm_cmpeq_epi8(loaded, _mm_set1_epi8(' '));
    const __m128i others = _mm_or_si128(_mm_cmpeq_epi8(loaded, _mm_set1_epi8('\t')),
                                        _mm_or_si128(_mm_cmpeq_epi8(loaded, _mm_set1_epi8('\n')),
                                                     _mm_cmpeq_epi8(loaded, _mm_set1_epi8('\r'))));
    const auto shift = static_cast<unsigned>(16 * part);
    bytes.spaces |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(spaces))) << shift;
    bytes.blanks |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(spaces, others))))
                    << shift;
    bytes.high |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(loaded))) << shift;
  }
#else
  for (int i = 0; i < kBlock; ++i) {
    const char byte = block[i];
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (byte == ' ') bytes.spaces |= bit;
    if (byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r') bytes.blanks |= bit;
    if (IsLeadByte(byte)) bytes.high |= bit;
  }
#endif
  return bytes;
}

// The bits of the first count bytes of a block.
std::uint64_t FirstBytes(int count) { return count == kBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1; }

// Cleans a page text as four passes over it would, in one: line feeds, carriage returns and tabs
// removed, then each pair of spaces made one, none of it starting on the second byte of a
// double-byte character. Removing a one-byte character leaves the characters after it where they
// were, so a space run that a removed byte interrupts is one run. It works a block of bytes at a
// time, with a bit a byte for what each is, and writes at or before what it reads, so a text is
// cleaned in its own storage. Mark-up has a blank every few bytes: judged a block at a time, most
// blocks keep every byte and move as one.
class PageCleaner {
public:
  // A text in the program's code page pairs a byte of 0x80 or above with the byte after it; no
  // byte of a UTF-8 character is a blank.
  enum class Bytes { CodePage, Utf8 };

  explicit PageCleaner(Bytes bytes = Bytes::CodePage) : pairsBytes_(bytes == Bytes::CodePage) {}

  // Cleans text[from, to) into text from at; returns where the writing ended.
  std::size_t Clean(char* text, std::size_t at, std::size_t from, std::size_t to) {
    // The state in locals while the bytes are written: the compiler cannot tell a write to text
    // from one to a member.
    bool trailByteNext = trailByteNext_;
    bool spaceRunOdd = spaceRunOdd_;
    // Room after the block for the last sixteen-byte copy of a stretch.
    alignas(16) char block[kBlock + 16] = {};
    alignas(16) char kept[kBlock + 16];
    for (std::size_t read = from; read < to;) {
      const auto count = static_cast<int>(std::min<std::size_t>(kBlock, to - read));
      if (count == kBlock) {
        std::memcpy(block, text + read, kBlock);
      } else {
        std::memset(block, 0, kBlock);
        std::memcpy(block, text + read, static_cast<std::size_t>(count));
      }
      const std::uint64_t valid = FirstBytes(count);
      const BlockBytes bytes = BytesOf(block);
      const std::uint64_t trail = pairsBytes_ ? TrailBytes(bytes.high & valid, count, trailByteNext) : 0;
      const std::uint64_t blanks = bytes.blanks & valid & ~trail;
      const std::uint64_t spaces = bytes.spaces & blanks;
      const std::uint64_t removed = (blanks & ~spaces) | SpacesHalvedAway(spaces, blanks, valid, spaceRunOdd);
      if (removed == 0) {
        if (at != read) std::memcpy(text + at, block, static_cast<std::size_t>(count));
        at += static_cast<std::size_t>(count);
      } else {
        const std::size_t length = KeptBytes(block, count, removed, kept);
        std::memcpy(text + at, kept, length);
        at += length;
      }
      read += static_cast<std::size_t>(count);
    }
    trailByteNext_ = trailByteNext;
    spaceRunOdd_ = spaceRunOdd;
    return at;
  }

  // Ends text at at.
  void Finish(Text& text, std::size_t at) {
    text.resize(at);
    trailByteNext_ = false;
    spaceRunOdd_ = false;
  }

private:
  // The bytes of block[0, count) whose bits are not in removed, gathered into kept (which has
  // sixteen bytes of room more); their count. The stretches between removed bytes go sixteen
  // bytes at a time.
  static std::size_t KeptBytes(const char* block, int count, std::uint64_t removed, char* kept) {
    std::size_t length = 0;
    int stretch = 0;
    for (std::uint64_t rest = removed;; rest &= rest - 1) {
      const int end = rest == 0 ? count : std::countr_zero(rest);
      for (int at = stretch; at < end; at += 16) std::memcpy(kept + length + (at - stretch), block + at, 16);
      length += static_cast<std::size_t>(end - stretch);
      if (rest == 0) return length;
      stretch = end + 1;
    }
  }

  // Of each run of set bits, the first, third, fifth… bit: an addition carries through each run
  // that begins on an even bit and clears it, which tells those runs from the others.
  static std::uint64_t FirstsOfPairs(std::uint64_t bits) {
    constexpr std::uint64_t kEven = 0x5555555555555555u;
    const std::uint64_t starts = bits & ~(bits << 1);
    const std::uint64_t evenRuns = bits & ~(bits + (starts & kEven));
    return (evenRuns & kEven) | (bits & ~evenRuns & ~kEven);
  }

  // The bits of a block's bytes that are second bytes of double-byte characters, given the bits
  // of its bytes of 0x80 or above (count bytes in all): each run of them pairs up from its start,
  // a run of odd length taking the byte after it. trailByteNext says whether the block's first
  // byte is taken by the block before, and then whether the next block's is.
  static std::uint64_t TrailBytes(std::uint64_t high, int count, bool& trailByteNext) {
    const std::uint64_t carried = trailByteNext ? 1u : 0u;
    const std::uint64_t firsts = FirstsOfPairs(high & ~carried);
    trailByteNext = ((firsts >> (count - 1)) & 1) != 0;
    return (firsts << 1 | carried) & FirstBytes(count);
  }

  // The spaces of a block dropped to halve each run: every second one of a run, which goes on
  // across removed bytes and blocks and ends at a byte kept (any valid byte not among blanks).
  // spaceRunOdd says whether the run the text ended in before the block has an odd number of
  // spaces, and then whether the one after it has.
  static std::uint64_t SpacesHalvedAway(std::uint64_t spaces, std::uint64_t blanks, std::uint64_t valid,
                                        bool& spaceRunOdd) {
    if (blanks == spaces) {
      // No byte removed: the runs are runs of bits, the first byte's continuing the run before.
      const std::uint64_t carried = spaceRunOdd ? spaces & 1u : 0u;
      const std::uint64_t firsts = FirstsOfPairs(spaces & ~carried);
      // A run reaching the block's end is odd when its last space is kept.
      spaceRunOdd = (firsts & (std::uint64_t{1} << (63 - std::countl_zero(valid)))) != 0;
      return (spaces & ~firsts) | carried;
    }
    const std::uint64_t kept = valid & ~blanks;
    std::uint64_t dropped = 0;
    std::uint64_t passed = 0;
    for (std::uint64_t rest = spaces; rest != 0; rest &= rest - 1) {
      const std::uint64_t bit = rest & (~rest + 1);
      if ((kept & (bit - 1) & ~passed) != 0) spaceRunOdd = false;
      if (spaceRunOdd) dropped |= bit;
      spaceRunOdd = !spaceRunOdd;
      passed = bit | (bit - 1);
    }
    if ((kept & ~passed) != 0) spaceRunOdd = false;
    return dropped;
  }

  bool pairsBytes_;
  // The byte the next block begins with is the second byte of a character.
  bool trailByteNext_ = false;
  // The space run the text ended in so far has an odd number of spaces: the next space in it goes.
  bool spaceRunOdd_ = false;
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

std::optional<std::string> CleanUtf8PageText(runtime::ByteSet& body, const Text& before, const Text& after) {
  const std::size_t content = std::min(body.size(), body.find('\0'));
  const Utf8Stretch stretch = FindUtf8Stretch(std::string_view(body).substr(0, content), before, after);
  if (!stretch.searched) return std::nullopt;
  std::string text = std::move(body);
  if (!stretch.span) return std::string();
  PageCleaner cleaner(PageCleaner::Bytes::Utf8);
  cleaner.Finish(text, cleaner.Clean(text.data(), 0, stretch.span->start, stretch.span->start + stretch.span->length));
  return text;
}

Text PreparePageText(runtime::ByteSet&& body, bool gbk, const Text& before, const Text& after) {
  body.resize(std::min(body.size(), body.find('\0')));
  Text page;
  if (gbk) {
    page = std::move(body);
    BodyRelease release(page);
    CutAndCleanInPlace(page, before, after);
    // What the cut and the cleaning took off a large page's end is not read again (the byte after
    // the text is its terminating zero).
    release.UnreadFrom(page.size() + 1);
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
