// The matcher of template expressions: literal text with lazy any-text holes and digit-run holes,
// as nearly every translated match rule is. It finds exactly what the backtracking engine finds,
// byte for byte, by scanning for the literal pieces instead of stepping through every byte.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/search_limits.h"

namespace runtime {

struct SubMatch;

// A run of the expression's literal bytes, some of which may be '.' (any byte).
class TemplatePiece {
public:
  // bytes as the expression gives them (after escapes), anyByte[i] true for a '.'; with foldCase
  // the ASCII letters match either case.
  TemplatePiece(std::string bytes, std::vector<bool> anyByte, bool foldCase);

  std::size_t Length() const { return bytes_.size(); }
  // How far into the piece its first byte stands that no ASCII digit matches (npos when there is
  // none): a digit hole before the piece can close no earlier than that many bytes before the end
  // of its digits.
  std::size_t FirstNonDigit() const { return firstNonDigit_; }
  // The piece's bytes from at on, as a piece of their own (with the same case folding).
  TemplatePiece Tail(std::size_t at) const;
  // Byte at of the piece: the byte it matches, in lower case when it folds; 0xFF for '.'.
  unsigned char ByteAt(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  bool AnyByteAt(std::size_t at) const { return static_cast<unsigned char>(ors_[at]) == 0xFF; }
  bool FoldsAt(std::size_t at) const { return ors_[at] != '\0' && !AnyByteAt(at); }
  // True when the piece matches text at at (the whole piece must lie before end).
  bool MatchesAt(const char* text, std::size_t at, std::size_t end) const;
  // The first position in [from, lastStart] at which the piece matches and fits before end;
  // npos when there is none.
  std::size_t Find(const char* text, std::size_t from, std::size_t lastStart, std::size_t end) const;

private:
  std::size_t FindScalar(const char* text, std::size_t from, std::size_t lastStart, std::size_t end) const;

  // A text byte t matches position i when (t | ors_[i]) == bytes_[i]: ors_ is 0x20 for a letter
  // that matches either case (bytes_ then holds it in lower case), 0xFF for '.', 0 otherwise.
  std::string bytes_;
  std::string ors_;
  bool foldCase_ = false;
  // Two bytes every occurrence holds (the first and last exact ones), tested sixteen positions at
  // a time before the whole piece is compared; both equal the one exact byte when there is one.
  // Their ors_ and bytes_ values stand sixteen times over in the filters.
  std::size_t firstExact_ = 0;
  std::size_t lastExact_ = 0;
  bool hasExact_ = false;
  // No exact byte besides those two: a place the filter lets through is an occurrence.
  bool filterDecides_ = true;
  std::size_t firstNonDigit_ = std::string_view::npos;
  struct Filter {
    alignas(16) std::array<char, 16> ors{};
    alignas(16) std::array<char, 16> bytes{};
  };
  Filter firstFilter_;
  Filter lastFilter_;
};

// A hole between two pieces: "(.*?)" / ".*?" take any bytes, as few as will do; "(\d*)" / "\d*"
// take ASCII digits, as many as will do.
struct TemplateHole {
  bool digits = false;
  int group = 0;  // the capture group it fills, 1-based; 0 when it captures nothing
};

class TemplateMatcher {
public:
  // The matcher of pattern when it is a template: bytes without a meaning in Perl syntax, '\'
  // before punctuation, '.' not followed by a quantifier, and the four holes, each standing
  // alone (no quantifier after it). Nothing for any other pattern, which the engine then runs.
  static std::optional<TemplateMatcher> FromPattern(std::string_view pattern, bool caseSensitive);

  int GroupCount() const { return groupCount_; }
  // True when a search of some UTF-8 texts may find the matches a search of the same text
  // converted to the program's code page finds, character for character; which texts,
  // MatchesAlikeInUtf8 tells. The pieces are ASCII; each piece but the last is followed by a hole;
  // a piece searched for (the first, and each after a lazy hole) begins with a byte that no
  // character of the code page holds after its first byte (below '0', or ':' to '?'), so it is met
  // only where a character begins in either text; a piece after a digit hole begins where the
  // digits end, where a character begins. Every '.' is followed by a byte of its piece: in UTF-8
  // it then takes an ASCII character only. In the code page it could take the first byte of a
  // two-byte character whose second byte is the next one of the piece: when that byte can be
  // such a second byte (a digit can only be the second of four, which the byte after it then
  // cannot match), the bytes after it must be there too, and MatchesAlikeInUtf8 looks for them.
  bool MayMatchAlikeInUtf8() const { return mayMatchAlikeInUtf8_; }
  // MayMatchAlikeInUtf8, and no character of utf8 stands where a '.' could take the first half of
  // its form in the code page: no two-byte form whose second byte is the byte after a '.' stands
  // right before the bytes after that byte.
  bool MatchesAlikeInUtf8(std::string_view utf8) const;

  // One text searched from successive starts, as the engine's walk from each match's end does.
  // What it learns of the text (where a hole can no longer be closed, where a piece next occurs)
  // holds for every later search of the same text.
  class Search {
  public:
    Search(const TemplateMatcher& matcher, std::string_view text, SearchMeter& meter);
    // The leftmost match starting at or after from, its entries (whole match first, then each
    // group) written to entries; false when there is none. Throws SearchInterrupted from the meter.
    bool Next(std::size_t from, std::vector<SubMatch>& entries);

  private:
    // Where the search stands at one hole: where it began and the choice it is trying.
    struct Frame {
      std::size_t start = 0;
      std::size_t end = 0;       // the hole's end for the current choice
      std::size_t next = 0;      // lazy: where the next choice is searched from; npos when none
      std::ptrdiff_t width = 0;      // digits: the next width to try
      std::ptrdiff_t narrowest = 0;  // digits: the last width worth trying
    };
    // Positions where a piece is known to occur next: none in [knownFrom, next).
    struct Occurrences {
      std::size_t knownFrom = std::string_view::npos;
      std::size_t next = std::string_view::npos;
    };

    bool MatchFrom(std::size_t start, std::vector<SubMatch>& entries);
    void Enter(std::size_t hole, std::size_t start);
    bool Advance(std::size_t hole);
    std::size_t NextOccurrence(std::size_t piece, std::size_t from);
    std::size_t DigitsFrom(std::size_t at) const;
    bool ClosedFrom(std::size_t hole, std::size_t at) const;
    void Record(std::size_t start, std::vector<SubMatch>& entries) const;

    const TemplateMatcher& matcher_;
    const char* text_;
    std::size_t end_;
    SearchMeter& meter_;
    std::vector<Frame> frames_;
    std::vector<Occurrences> occurrences_;
    // For a lazy hole: from this position on, the rest of the template cannot match.
    std::vector<std::size_t> failsFrom_;
    // For a digit hole: positions from which the rest is known not to match, one slot per
    // position modulo kDigitSlots (a later position may take a slot over).
    static constexpr std::size_t kDigitSlots = 1024;
    std::vector<std::vector<std::size_t>> digitFails_;
  };

private:
  // A place a '.' could take the first half of a two-byte character in the program's code page:
  // the byte after the '.' (lower case when it folds) and the bytes of the piece after that.
  struct HalfCharacterCheck {
    unsigned char second = 0;
    bool folds = false;
    TemplatePiece rest;
  };

  // Finds what MayMatchAlikeInUtf8 needs and the checks MatchesAlikeInUtf8 makes.
  void JudgeUtf8();

  std::vector<TemplatePiece> pieces_;  // one more than holes_: pieces_[i] before holes_[i]
  std::vector<TemplateHole> holes_;
  int groupCount_ = 0;
  bool mayMatchAlikeInUtf8_ = false;
  std::vector<HalfCharacterCheck> halfCharacterChecks_;
};

}  // namespace runtime
