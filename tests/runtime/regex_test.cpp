// Tests of the regular-expression object: compilation, the match walk, sub-match texts.
#include "runtime/regex.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace runtime {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

Regex Compiled(const Text& pattern, Case letterCase = Case::Sensitive) {
  Regex regex;
  EXPECT_TRUE(regex.Create(pattern, letterCase)) << pattern;
  return regex;
}

// Every match of pattern in text as the texts of sub-match `index`.
std::vector<Text> Texts(const Text& pattern, const Text& text, int index = 0,
                        Case letterCase = Case::Sensitive) {
  std::vector<Text> texts;
  for (const SearchResult& result : Compiled(pattern, letterCase).SearchAll(text)) {
    texts.push_back(result.GetSubmatchText(text, index));
  }
  return texts;
}

// Every match of pattern in text as the start of its whole match.
std::vector<int> Starts(const Text& pattern, const Text& text) {
  std::vector<int> starts;
  for (const SearchResult& result : Compiled(pattern).SearchAll(text)) {
    starts.push_back(result.Entries().at(0).start);
  }
  return starts;
}

TEST(RegexCreate, MalformedPatternFailsAndFindsNothing) {
  Regex regex;
  EXPECT_FALSE(regex.Create("(a"));
  EXPECT_THAT(regex.SearchAll("aaa"), IsEmpty());
  EXPECT_EQ(regex.GetSubexpressionCount(), 0);
}

TEST(RegexCreate, FailureKeepsThePreviousExpression) {
  Regex regex;
  ASSERT_TRUE(regex.Create("(b)"));
  EXPECT_FALSE(regex.Create("[b"));
  EXPECT_EQ(regex.GetSubexpressionCount(), 1);
  EXPECT_EQ(regex.SearchAll("abc").size(), 1u);
}

TEST(RegexCreate, SuccessReplacesTheExpression) {
  Regex regex;
  ASSERT_TRUE(regex.Create("a"));
  ASSERT_TRUE(regex.Create("c"));
  const Text text = "abc";
  const auto results = regex.SearchAll(text);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].GetSubmatchText(text, 0), "c");
}

TEST(RegexCreate, CaseSensitiveUnlessToldOtherwise) {
  EXPECT_THAT(Texts("ABC", "xabc"), IsEmpty());
  EXPECT_THAT(Texts("ABC", "xabc", 0, Case::Sensitive), IsEmpty());
  EXPECT_THAT(Texts("ABC", "xabc", 0, Case::Insensitive), ElementsAre("abc"));
  EXPECT_THAT(Texts("[A-C]+", "xaBc", 0, Case::Insensitive), ElementsAre("aBc"));
}

TEST(RegexCreate, PatternEndsAtItsFirstZeroByte) {
  const Regex regex = Compiled(std::string("a\0z", 3));
  EXPECT_EQ(regex.SearchAll("ba").size(), 1u);
}

// A comment means nothing wherever it stands; right after a possessive repeat it used to make the
// compilation loop for ever. "(?#" quoted, escaped or in a class is no comment.
TEST(RegexCreate, CommentsMeanNothingAndNeverHangTheCompilation) {
  const Text text = "x11y1 (?#) ]#";
  const std::vector<std::pair<Text, std::vector<Text>>> cases = {
      {"1?+(?#)1", {"11"}},
      {"(1*+(?#c))(?#d)y", {"11y"}},
      {"1(?#c)+", {"11", "1"}},
      {"\\Q(?#)\\E", {"(?#)"}},
      {"\\((?#c)\\?", {"(?"}},
      {"[](?#]+\\)", {"(?#)"}},
      {"[[:space:](?#]{2}", {" (", "?#"}},
      {"(?x) 1 ?+ (?#c) 1", {"11"}},
      {"(?x: 1*+ # [ ( in a line comment\n(?#c)y1)( )", {"11y1 "}},
      {"(?x:1)#?+(?#c) ", {"1 "}},
  };
  for (const auto& [pattern, found] : cases) EXPECT_EQ(Texts(pattern, text), found) << pattern;
}

TEST(RegexSubexpressionCount, CountsCaptureGroupsOnly) {
  const std::vector<std::pair<Text, int>> cases = {
      {"abc", 0}, {"(a)(b)", 2}, {"(a(b))", 2}, {"(?:a)(b)", 1}, {"(a)|(b)|(c)", 3}};
  for (const auto& [pattern, count] : cases) {
    EXPECT_EQ(Compiled(pattern).GetSubexpressionCount(), count) << pattern;
  }
  EXPECT_EQ(Regex().GetSubexpressionCount(), 0);
}

TEST(RegexSearchAll, PositionsAreOffsetsIntoTheWholeText) {
  const Text text = "a1a22a";
  const auto results = Compiled(R"(a(\d*))").SearchAll(text);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_THAT(results[0].Entries(), ElementsAre(SubMatch{0, 2, true}, SubMatch{1, 1, true}));
  EXPECT_THAT(results[1].Entries(), ElementsAre(SubMatch{2, 3, true}, SubMatch{3, 2, true}));
  EXPECT_THAT(results[2].Entries(), ElementsAre(SubMatch{5, 1, true}, SubMatch{6, 0, true}));
  EXPECT_THAT(Texts(R"(a(\d*))", text, 1), ElementsAre("1", "22", ""));
}

TEST(RegexSearchAll, AnEmptyMatchEndsTheWalk) {
  EXPECT_THAT(Starts(R"((\d*))", "abc"), ElementsAre(0));
  EXPECT_THAT(Texts(R"((\d*))", "abc"), ElementsAre(""));
  EXPECT_THAT(Starts(R"((\d*))", "12ab"), ElementsAre(0, 2));
  EXPECT_THAT(Texts(R"((\d*))", "12ab"), ElementsAre("12", ""));
  EXPECT_THAT(Starts("x*", "xxaxx"), ElementsAre(0, 2));
  // An empty match after the start of its search is recorded once, not repeated.
  EXPECT_THAT(Starts("(?=b)", "aab"), ElementsAre(2));
}

TEST(RegexSearchAll, EachSearchStartsAsTheStartOfTheText) {
  EXPECT_THAT(Starts("^x", "xx"), ElementsAre(0, 1));
  EXPECT_THAT(Starts(R"(\Ax)", "xxax"), ElementsAre(0, 1));
  // Nothing before the search start is visible to look-behind.
  EXPECT_THAT(Starts("x|(?<=x)y", "xy"), ElementsAre(0));
  // A word boundary is judged as at the start of a text.
  EXPECT_THAT(Starts(R"(a|\bb)", "ab"), ElementsAre(0, 1));
}

// Patterns that begin with literal text are searched for that text first; what the engine then
// sees around the place found must be what a search from the previous match's end sees.
TEST(RegexSearchAll, LiteralStartsAreFoundWithTheirContext) {
  struct Case {
    const char* name;
    Text pattern;
    Text text;
    std::vector<int> starts;
  };
  const std::vector<Case> cases = {
      {"byte between search start and match is visible", "ab(?<!bab)", "abbab", {0}},
      {"nothing before the search start is visible", "ab(?<!abxab)", "abxab", {0, 3}},
      {"line start judged by the byte before", "ab(?<=^ab)", "xab\nab", {4}},
      {"line start at the search start", "ab(?<=^ab)", "abab", {0, 2}},
      {"line start at the search start, found by skipping", "ab(?<=^.ab)", "\nabxab", {1, 4}},
      {"word boundary at the text start", R"(ab(?<=\bxab))", "xab", {1}},
      {"word boundary judged by the byte before", R"(ab(?<=\bab))", "xab ab", {4}},
      {"buffer start is the search start", R"(ab(?<=\Aab))", "xabab", {}},
      {"search-start anchor", R"(x(?<=\Gx)ab)", "zxab", {}},
      {"search-start anchor at the start", R"(x(?<=\Gx)ab)", "xab", {0}},
      {"quantified last byte may be absent", "abc*", "xab", {1}},
      {"optional last byte", "abc?d", "abd", {0}},
      {"counted last byte", "ab{2}", "abab abb", {5}},
      {"alternative without the literal", "ab|c", "xc", {1}},
      {"literal after a group", "(a)bc", "xabc", {1}},
      {"escape ends the literal", R"(a\.b)", "axb a.b", {4}},
      {"literal at the very end", "end", "the end", {4}},
      {"literal longer than the text", "abcdef", "abc", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Starts(c.pattern, c.text), c.starts) << c.name;
  }
}

TEST(RegexSearchAll, LiteralStartsFoldCaseOnlyWhenAsked) {
  EXPECT_THAT(Texts("<LI>x", "<li>x <Li>X <LI>x"), ElementsAre("<LI>x"));
  EXPECT_THAT(Texts("<LI>x", "<li>x <Li>X <LI>x", 0, Case::Insensitive),
              ElementsAre("<li>x", "<Li>X", "<LI>x"));
  EXPECT_THAT(Texts("a@_", "A`_ a@_", 0, Case::Insensitive), ElementsAre("a@_"));
  EXPECT_THAT(Texts("abc", "xxABC", 0, Case::Insensitive), ElementsAre("ABC"));
}

TEST(RegexSearchAll, PerlDefaultsForLineBreaks) {
  const Text text = "<b>\r\none\r\n</b>";
  EXPECT_THAT(Texts("<b>(.*?)</b>", text, 1), ElementsAre("\r\none\r\n"));
  EXPECT_THAT(Starts("^b", "a\nb"), ElementsAre(2));
  EXPECT_THAT(Starts("a$", "a\r\nb"), ElementsAre(0));
}

TEST(RegexSearchAll, TextEndsAtItsFirstZeroByte) {
  EXPECT_THAT(Starts("ab", std::string("ab\0ab", 5)), ElementsAre(0));
  EXPECT_THAT(Compiled("a*").SearchAll(std::string("\0a", 2)), IsEmpty());
}

TEST(RegexSearchAll, EmptyTextGivesNothing) {
  EXPECT_THAT(Compiled("a*").SearchAll(""), IsEmpty());
}

TEST(RegexSearchAll, SeesBytesNotCharacters) {
  const Text nihao = "\xC4\xE3\xBA\xC3";  // two GBK characters
  EXPECT_THAT(Texts(".", nihao), ElementsAre("\xC4", "\xE3", "\xBA", "\xC3"));
  EXPECT_THAT(Texts("..", "a" + nihao), ElementsAre("a\xC4", "\xE3\xBA"));
  EXPECT_THAT(Texts(R"(\w+)", "ab" + nihao + "c_1"), ElementsAre("ab", "c_1"));
  EXPECT_THAT(Texts(R"(\d+)", Text("\xA3\xB1") + "7"), ElementsAre("7"));
  EXPECT_THAT(Texts(R"(\s+)", Text("a\xA1\xA1 \t\xA0") + "b"), ElementsAre(" \t"));
}

TEST(RegexSearchAll, CaseFoldingLeavesHighBytesAlone) {
  EXPECT_THAT(Texts("\xC0", "\xE0\xC0", 0, Case::Insensitive), ElementsAre("\xC0"));
  EXPECT_THAT(Texts("\xE0", "\xC0\xE0", 0, Case::Insensitive), ElementsAre("\xE0"));
  // A trail byte in the letter range folds like the letter it is.
  const Text lead = "\x81";
  EXPECT_THAT(Texts(lead + "a", lead + "A", 0, Case::Insensitive), ElementsAre(lead + "A"));
}

TEST(RegexSearchAll, EngineLimitsEndTheWalkWithTheMatchesSoFar) {
  EXPECT_THAT(Compiled("(a*)*b").SearchAll(std::string(30000, 'a')), IsEmpty());
  // The engine gives up on the run of 'a' before it could reach the final 'c'.
  const Text text = "xab" + std::string(3000, 'a') + "c";
  const auto results = Compiled("(a*)*b|c").SearchAll(text);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].GetSubmatchText(text, 0), "ab");
}

// A search ends early as its limits say, keeping the matches it found; the stop request and the
// budget are heard inside one long search of either matcher, not only between two.
TEST(RegexSearch, EndsEarlyAsItsLimitsSayWithTheMatchesSoFar) {
  Text pairs;
  for (int i = 0; i < 100000; ++i) pairs += "ab";
  struct Case {
    const char* name;
    Text pattern;
    Text text;
    SearchLimits limits;
    SearchOutcome outcome;
    std::size_t fewestMatches;
    std::size_t mostMatches;
  };
  const SearchLimits none;
  const SearchLimits noTime{SearchClock::duration::zero(), {}};
  const SearchLimits stop{SearchClock::duration::max(), [] { return true; }};
  const std::vector<Case> cases = {
      {"engine's own limit", "(x+x+)+y", "xxy" + std::string(40, 'x'), none, SearchOutcome::TooComplex, 1, 1},
      {"engine, no limit", "a[^b]*b", pairs, none, SearchOutcome::Complete, 100000, 100000},
      {"engine, budget spent", "a[^b]*b", pairs, noTime, SearchOutcome::TooComplex, 0, 99999},
      {"engine, stopped inside one search", "(x+x+)+y", "xxy" + std::string(5000, 'x'), stop,
       SearchOutcome::Cancelled, 1, 1},
      {"template, no limit", "a(.*?)b", pairs, none, SearchOutcome::Complete, 100000, 100000},
      {"template, budget spent", "a(.*?)b", pairs, noTime, SearchOutcome::TooComplex, 0, 99999},
      {"template, stopped inside one search", R"((\d*)(\d*)(\d*)x)", "1x" + std::string(100000, '7'),
       stop, SearchOutcome::Cancelled, 1, 1},
  };
  for (const Case& c : cases) {
    const Regex regex = Compiled(c.pattern);
    EXPECT_EQ(regex.UsesTemplateMatcher(), Text(c.name).starts_with("template")) << c.name;
    const SearchReport report = regex.Search(c.text, c.limits);
    EXPECT_EQ(report.outcome, c.outcome) << c.name;
    EXPECT_GE(report.matches.size(), c.fewestMatches) << c.name;
    EXPECT_LE(report.matches.size(), c.mostMatches) << c.name;
  }
}

TEST(RegexSearchAll, ResultsOutliveTheExpression) {
  const Text text = "k=v";
  std::vector<SearchResult> results;
  {
    Regex regex = Compiled("(\\w)=(\\w)");
    results = regex.SearchAll(text);
    ASSERT_TRUE(regex.Create("other"));
  }
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].GetSubmatchText(text, 2), "v");
}

TEST(SearchResultGetSubmatchText, UnmatchedGroupIsEmptyAndLeavesStartAlone) {
  const Text text = "a";
  const auto results = Compiled("(a)|(b)").SearchAll(text);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_FALSE(results[0].Entries().at(2).matched);
  int start = 77;
  EXPECT_EQ(results[0].GetSubmatchText(text, 2, &start), "");
  EXPECT_EQ(start, 77);
  EXPECT_EQ(results[0].GetSubmatchText(text, 1, &start), "a");
  EXPECT_EQ(start, 0);
}

TEST(SearchResultGetSubmatchText, GivesTheStartOfTheEntry) {
  const Text text = "xx-yy-zz";
  const auto results = Compiled("-(\\w+)").SearchAll(text);
  ASSERT_EQ(results.size(), 2u);
  int start = -5;
  EXPECT_EQ(results[1].GetSubmatchText(text, 1, &start), "zz");
  EXPECT_EQ(start, 6);
  EXPECT_EQ(results[1].GetSubmatchText(text, 0, &start), "-zz");
  EXPECT_EQ(start, 5);
}

TEST(SearchResultGetSubmatchText, OutOfRangeRequestsGiveTheEmptyText) {
  const Text text = "abc";
  const auto results = Compiled("b").SearchAll(text);
  ASSERT_EQ(results.size(), 1u);
  int start = 9;
  EXPECT_EQ(results[0].GetSubmatchText(text, 1, &start), "");
  EXPECT_EQ(results[0].GetSubmatchText(text, -1, &start), "");
  EXPECT_EQ(start, 9);
  EXPECT_EQ(results[0].GetSubmatchText("a", 0), "");
  EXPECT_EQ(SearchResult().GetSubmatchText(text, 0), "");
}

}  // namespace
}  // namespace runtime
