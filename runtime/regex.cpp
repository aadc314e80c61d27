// The regular-expression object over Boost.Regex, with byte-wise traits fixed to the "C" locale,
// and over the template matcher for the expressions it can take.
#include "runtime/regex.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <exception>
#include <iterator>
#include <locale>
#include <string_view>

#include <boost/regex.hpp>

#include "runtime/pattern_comments.h"
#include "runtime/template_matcher.h"

namespace runtime {

namespace {

// The meter of the search in progress on this thread.
constinit thread_local SearchMeter* activeMeter = nullptr;

// A position in the searched text that counts every byte the engine reads on the active meter:
// the engine cannot be told to pause, but it reads the text at every step it takes, so a search
// that runs too long or is stopped ends at the next look, however long its single attempt.
class MeteredIterator {
public:
  using iterator_category = std::random_access_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  MeteredIterator() = default;
  explicit MeteredIterator(const char* at) : at_(at) {}

  const char* Base() const { return at_; }

  reference operator*() const {
    activeMeter->Step();
    return *at_;
  }
  reference operator[](difference_type offset) const {
    activeMeter->Step();
    return at_[offset];
  }
  MeteredIterator& operator++() {
    ++at_;
    return *this;
  }
  MeteredIterator operator++(int) { return MeteredIterator(at_++); }
  MeteredIterator& operator--() {
    --at_;
    return *this;
  }
  MeteredIterator operator--(int) { return MeteredIterator(at_--); }
  MeteredIterator& operator+=(difference_type offset) {
    at_ += offset;
    return *this;
  }
  MeteredIterator& operator-=(difference_type offset) {
    at_ -= offset;
    return *this;
  }
  friend difference_type operator-(MeteredIterator a, MeteredIterator b) { return a.at_ - b.at_; }
  friend bool operator==(MeteredIterator a, MeteredIterator b) { return a.at_ == b.at_; }

private:
  const char* at_ = nullptr;
};

// Makes meter the active one for as long as it lives.
class ActiveMeterScope {
public:
  explicit ActiveMeterScope(SearchMeter& meter) : previous_(activeMeter) { activeMeter = &meter; }
  ~ActiveMeterScope() { activeMeter = previous_; }
  ActiveMeterScope(const ActiveMeterScope&) = delete;
  ActiveMeterScope& operator=(const ActiveMeterScope&) = delete;

private:
  SearchMeter* previous_;
};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The "C" locale's traits with its case mapping done inline: A-Z and a-z only, as that locale
// maps them. The engine folds every byte it compares under icase, and a call into the locale
// per byte costs a large share of the search time.
class ByteTraits : public boost::cpp_regex_traits<char> {
public:
  char translate(char c) const { return c; }
  char translate(char c, bool icase) const { return icase ? AsciiLower(c) : c; }
  char translate_nocase(char c) const { return AsciiLower(c); }
  char tolower(char c) const { return AsciiLower(c); }
  char toupper(char c) const { return AsciiUpper(c); }
};

// The literal bytes every match of a pattern begins with, found in a text far faster than the
// engine steps through it (Boyer-Moore-Horspool, folding ASCII letters under icase). Empty when
// the pattern does not begin with a plain literal, or could match without one ('|' anywhere),
// or uses \G, the one assertion that would see the skip.
class LiteralPrefix {
public:
  LiteralPrefix(std::string_view pattern, bool icase) : icase_(icase) {
    if (pattern.find('|') != std::string_view::npos) return;
    if (pattern.find("\\G") != std::string_view::npos) return;
    std::size_t length = 0;
    while (length < pattern.size() && IsPlainLiteral(pattern[length])) ++length;
    // A quantifier after the run applies to its last byte alone, which may then be absent.
    if (length < pattern.size() &&
        std::string_view("*+?{").find(pattern[length]) != std::string_view::npos) {
      length = length > 0 ? length - 1 : 0;
    }
    for (std::size_t i = 0; i < length; ++i) bytes_.push_back(Fold(pattern[i]));
    skip_.fill(bytes_.size());
    for (std::size_t i = 0; i + 1 < bytes_.size(); ++i) {
      const std::size_t distance = bytes_.size() - 1 - i;
      skip_[static_cast<unsigned char>(bytes_[i])] = distance;
      if (icase_) skip_[static_cast<unsigned char>(AsciiUpper(bytes_[i]))] = distance;
    }
  }

  // The first place in [from, end) where the prefix occurs; from itself when there is no prefix;
  // nullptr when it does not occur.
  const char* Find(const char* from, const char* end) const {
    const std::size_t length = bytes_.size();
    if (length == 0) return from;
    const char lastByte = bytes_[length - 1];
    for (const char* window = from; static_cast<std::size_t>(end - window) >= length;) {
      const char last = window[length - 1];
      if (Fold(last) == lastByte && Matches(window)) return window;
      window += skip_[static_cast<unsigned char>(last)];
    }
    return nullptr;
  }

private:
  // Printable ASCII with no meaning in Perl syntax outside a group ('#' only under x).
  static bool IsPlainLiteral(char c) {
    return c >= 0x20 && c <= 0x7E &&
           std::string_view("\\^$.|?*+()[]{}#").find(c) == std::string_view::npos;
  }

  char Fold(char c) const { return icase_ ? AsciiLower(c) : c; }

  bool Matches(const char* window) const {
    for (std::size_t i = 0; i + 1 < bytes_.size(); ++i) {
      if (Fold(window[i]) != bytes_[i]) return false;
    }
    return true;
  }

  bool icase_;
  std::string bytes_;
  std::array<std::size_t, 256> skip_{};
};

using Expression = boost::basic_regex<char, ByteTraits>;

}  // namespace

struct Regex::Compiled {
  Expression expression;
  LiteralPrefix prefix;
  std::optional<TemplateMatcher> matcher;
};

namespace {

using Match = boost::match_results<MeteredIterator>;

// match_default (0) with the format_all bit, which does not touch matching: Boost's Perl defaults
// hold ('.' takes line breaks, ^ and $ match at them, the first alternative that succeeds wins).
constexpr boost::regex_constants::match_flag_type kMatchFlags = boost::regex_constants::format_all;

// A text as the engine sees it: the bytes before its first zero byte.
std::string_view Terminated(const Text& text) {
  return std::string_view(text.data(), std::min(text.find('\0'), text.size()));
}

void ReadEntries(const Match& match, const char* textStart, std::vector<SubMatch>& entries) {
  entries.assign(match.size(), SubMatch{});
  for (std::size_t i = 0; i < match.size(); ++i) {
    const auto& sub = match[i];
    if (sub.matched) {
      entries[i] = {static_cast<int>(sub.first.Base() - textStart), static_cast<int>(sub.length()), true};
    }
  }
}

// One engine search over [from, end), from counting as the start of the text. When the pattern's
// literal prefix first occurs further on, the engine starts there with from as the base of the
// text, so ^, \b, \A and look-behind judge every position exactly as a search from from would.
// False when nothing matched; the engine's failures and the meter's interruptions pass through.
bool SearchFrom(const char* from, const char* end, Match& match, const Expression& expression,
                const LiteralPrefix& prefix) {
  const char* const start = prefix.Find(from, end);
  if (start == nullptr) return false;
  return boost::regex_search(MeteredIterator(start), MeteredIterator(end), match, expression,
                             kMatchFlags, MeteredIterator(from));
}

// Finds the next match from a position on: the template matcher's or the engine's walk.
class MatchWalk {
public:
  virtual ~MatchWalk() = default;
  // The first match from from on, as entries; false when there is none.
  virtual bool Next(std::size_t from, std::vector<SubMatch>& entries) = 0;
};

class TemplateWalk final : public MatchWalk {
public:
  TemplateWalk(const TemplateMatcher& matcher, std::string_view text, SearchMeter& meter)
      : search_(matcher, text, meter) {}
  bool Next(std::size_t from, std::vector<SubMatch>& entries) override { return search_.Next(from, entries); }

private:
  TemplateMatcher::Search search_;
};

class EngineWalk final : public MatchWalk {
public:
  EngineWalk(const Expression& expression, const LiteralPrefix& prefix, std::string_view text, SearchMeter& meter)
      : expression_(expression), prefix_(prefix), text_(text), scope_(meter) {}
  bool Next(std::size_t from, std::vector<SubMatch>& entries) override {
    if (!SearchFrom(text_.data() + from, text_.data() + text_.size(), match_, expression_, prefix_)) return false;
    ReadEntries(match_, text_.data(), entries);
    return true;
  }

private:
  const Expression& expression_;
  const LiteralPrefix& prefix_;
  std::string_view text_;
  ActiveMeterScope scope_;
  Match match_;
};

// Every match from the start of text on, each search from the previous match's end, to onMatch.
void Walk(MatchWalk& walk, std::size_t textLength, const std::function<void(std::span<const SubMatch>)>& onMatch) {
  std::size_t from = 0;
  std::vector<SubMatch> entries;
  while (walk.Next(from, entries)) {
    const SubMatch whole = entries.front();
    onMatch(entries);
    // An empty match would be found again at the same place: it is the last one.
    if (whole.length == 0) break;
    from = static_cast<std::size_t>(whole.start + whole.length);
    if (from > textLength) break;
  }
}

}  // namespace

Text SearchResult::GetSubmatchText(const Text& searchedText, int index, int* startOut) const {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return {};
  const SubMatch& entry = entries_[static_cast<std::size_t>(index)];
  if (!entry.matched) return {};
  if (startOut != nullptr) *startOut = entry.start;
  const auto start = static_cast<std::size_t>(entry.start);
  if (entry.length <= 0 || start >= searchedText.size()) return {};
  return searchedText.substr(start, static_cast<std::size_t>(entry.length));
}

bool Regex::Create(const Text& pattern, Case letterCase) {
  const bool icase = letterCase == Case::Insensitive;
  const boost::regex_constants::syntax_option_type flags =
      icase ? boost::regex_constants::perl | boost::regex_constants::icase
            : boost::regex_constants::perl;
  const std::string uncommented = WithoutComments(Terminated(pattern));
  const std::string_view bytes = uncommented;
  try {
    auto compiled = std::make_shared<Compiled>(Compiled{Expression(), LiteralPrefix(bytes, icase), std::nullopt});
    compiled->expression.imbue(std::locale::classic());
    compiled->expression.assign(bytes.data(), bytes.data() + bytes.size(), flags);
    compiled->matcher = TemplateMatcher::FromPattern(bytes, !icase);
    if (compiled->matcher &&
        compiled->matcher->GroupCount() != static_cast<int>(compiled->expression.mark_count())) {
      compiled->matcher.reset();
    }
    compiled_ = std::move(compiled);
    lastError_.clear();
    return true;
  } catch (const std::exception& failure) {
    lastError_ = failure.what();
    return false;
  }
}

int Regex::GetSubexpressionCount() const {
  if (!compiled_) return 0;
  return std::max(0, static_cast<int>(compiled_->expression.mark_count()));
}

bool Regex::UsesTemplateMatcher() const { return templateAllowed_ && compiled_ && compiled_->matcher; }

bool Regex::MayMatchAlikeInUtf8() const { return UsesTemplateMatcher() && compiled_->matcher->MayMatchAlikeInUtf8(); }

bool Regex::MatchesAlikeInUtf8(std::string_view utf8) const {
  return UsesTemplateMatcher() && compiled_->matcher->MatchesAlikeInUtf8(utf8);
}

Regex Regex::WithBacktrackingOnly() const {
  Regex copy = *this;
  copy.templateAllowed_ = false;
  return copy;
}

SearchReport Regex::Search(const Text& text, const SearchLimits& limits) const {
  std::vector<SearchResult> matches;
  SearchReport report = SearchEach(text, limits, [&matches](std::span<const SubMatch> entries) {
    matches.emplace_back(std::vector<SubMatch>(entries.begin(), entries.end()));
  });
  report.matches = std::move(matches);
  return report;
}

SearchReport Regex::SearchEach(const Text& text, const SearchLimits& limits,
                               const std::function<void(std::span<const SubMatch>)>& onMatch) const {
  SearchReport report;
  const std::string_view bytes = Terminated(text);
  if (bytes.empty() || !compiled_ || compiled_->expression.empty() ||
      compiled_->expression.status() != 0) {
    return report;
  }
  SearchMeter meter(limits);
  try {
    if (UsesTemplateMatcher()) {
      TemplateWalk walk(*compiled_->matcher, bytes, meter);
      Walk(walk, bytes.size(), onMatch);
    } else {
      EngineWalk walk(compiled_->expression, compiled_->prefix, bytes, meter);
      Walk(walk, bytes.size(), onMatch);
    }
  } catch (const SearchInterrupted& interruption) {
    report.outcome = interruption.outcome;
  } catch (const std::exception&) {
    report.outcome = SearchOutcome::TooComplex;
  }
  report.spent = meter.Spent();
  return report;
}

std::vector<SearchResult> Regex::SearchAll(const Text& text) const { return Search(text, {}).matches; }

}  // namespace runtime
