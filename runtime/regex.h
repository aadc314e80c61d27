// The regular-expression object: a byte-wise Perl expression and the matches it finds in a text.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/search_limits.h"
#include "runtime/text.h"

namespace runtime {

// One sub-match of a match: where it lies in the searched text, and whether it took part.
struct SubMatch {
  // 0-based byte offset in the searched text; -1 when the group did not take part.
  int start = -1;
  // Length in bytes; 0 when the group did not take part.
  int length = 0;
  bool matched = false;

  friend bool operator==(const SubMatch&, const SubMatch&) = default;
};

// One match: entry 0 is the whole match, entries 1..n the capture groups by opening parenthesis.
// It holds positions only, so it stays valid after the expression is recompiled or destroyed.
class SearchResult {
public:
  SearchResult() = default;
  explicit SearchResult(std::vector<SubMatch> entries) : entries_(std::move(entries)) {}

  const std::vector<SubMatch>& Entries() const { return entries_; }

  // The text of entry `index`, cut from the text that was searched. Empty when the entry does not
  // exist or did not take part; then startOut is left alone. Otherwise startOut (when given)
  // receives the entry's 0-based start. Positions beyond the given text are clamped.
  Text GetSubmatchText(const Text& searchedText, int index, int* startOut = nullptr) const;

private:
  std::vector<SubMatch> entries_;
};

// What one walk through a text found, and how it ended.
struct SearchReport {
  std::vector<SearchResult> matches;
  SearchOutcome outcome = SearchOutcome::Complete;
  // Wall-clock time the walk took.
  SearchClock::duration spent{};
};

// A compiled regular expression over the bytes of a text: '.' takes one byte, case folding and
// the classes \d \w \s know ASCII only. A fresh value holds no expression and finds nothing.
// An expression that is literal text with "(.*?)", ".*?", "(\d*)" and "\d*" holes (as nearly
// every translated match rule is) is searched by the template matcher, any other by the
// backtracking engine; both find the same matches (where the engine would give up on its
// complexity limit, the template matcher, which needs no such limit, goes on).
class Regex {
public:
  // Compiles pattern (up to its first zero byte) in Perl syntax; Case::Insensitive folds ASCII
  // letters. True on success, which replaces the held expression; on failure the held expression
  // stays as it was and nothing is reported.
  bool Create(const Text& pattern, Case letterCase = Case::Sensitive);

  // Why the last Create failed, in the engine's words (ASCII); empty after a success.
  const std::string& LastError() const { return lastError_; }

  // Number of capture groups of the held expression; 0 when it holds none.
  int GetSubexpressionCount() const;

  // Every match in text (up to its first zero byte), left to right. Each search starts where the
  // previous match ended, and that point counts as the start of the text for ^, \b and
  // look-behind. The walk stops after an empty match. It ends early, with the matches found so
  // far, as TooComplex when the engine gives up (complexity, stack or memory limits) or the
  // budget runs out, and as Cancelled when the stop request says so; either is noticed within a
  // few milliseconds, also in the middle of one search.
  SearchReport Search(const Text& text, const SearchLimits& limits) const;
  // Search that hands each match to onMatch as it is found (entry 0 the whole match, then the
  // groups; the entries are valid during the call only) instead of keeping it: a page of many
  // matches then holds none but the one in hand. The report's matches stay empty.
  SearchReport SearchEach(const Text& text, const SearchLimits& limits,
                          const std::function<void(std::span<const SubMatch> entries)>& onMatch) const;
  // The matches of Search without limits.
  std::vector<SearchResult> SearchAll(const Text& text) const;

  // True when searches run on the template matcher.
  bool UsesTemplateMatcher() const;
  // True when searches run on the template matcher and a search of some UTF-8 texts finds the
  // matches of the same text in the program's code page, character for character
  // (TemplateMatcher::MayMatchAlikeInUtf8); MatchesAlikeInUtf8 tells which.
  bool MayMatchAlikeInUtf8() const;
  bool MatchesAlikeInUtf8(std::string_view utf8) const;
  // The same expression searched by the backtracking engine alone: the reference the template
  // matcher is held to in tests and benchmarks.
  Regex WithBacktrackingOnly() const;

private:
  struct Compiled;
  // Shared and immutable, so copies of a value are cheap and a recompilation never disturbs one.
  std::shared_ptr<const Compiled> compiled_;
  std::string lastError_;
  bool templateAllowed_ = true;
};

}  // namespace runtime
