// Tests of the match-rule translation, on its own and compiled against list mark-up.
#include "collect/match_rule.h"
#include "collect/rule_captions.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/code_page.h"
#include "runtime/regex.h"

namespace collect {
namespace {

using runtime::Text;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const Text kDefaultRule = R"(<li> <a href="[var]/[int].html" title="[var]"> <span [var0]</li>)";

// The rows the collection run would produce: every match, columns 0..groups.
std::vector<std::vector<Text>> Rows(const Text& rule, const Text& page, RuleSyntax syntax = RuleSyntax::Pattern) {
  runtime::Regex regex;
  regex.Create(TranslateMatchRule(rule, syntax), runtime::Case::Insensitive);
  std::vector<std::vector<Text>> rows;
  for (const runtime::SearchResult& result : regex.SearchAll(page)) {
    std::vector<Text> row;
    for (int index = 0; index <= regex.GetSubexpressionCount(); ++index) {
      row.push_back(result.GetSubmatchText(page, index));
    }
    rows.push_back(row);
  }
  return rows;
}

struct TranslationCase {
  const char* name;
  Text rule;
  Text expression;
};

TEST(TranslateMatchRule, ReplacesThePlaceholdersAndNothingElse) {
  const std::vector<TranslationCase> cases = {
      {"default rule", kDefaultRule,
       R"rx(<li> <a href="(.*?)/(\d*).html" title="(.*?)"> <span .*?</li>)rx"},
      {"no placeholder", R"(<p class="x">a.b?c*</p>)", R"(<p class="x">a.b?c*</p>)"},
      {"empty rule", "", ""},
      {"each placeholder", "[var]|[var0]|[int]|[int0]", R"((.*?)|.*?|(\d*)|\d*)"},
      {"adjacent", "[var][var][int0][int0]", R"((.*?)(.*?)\d*\d*)"},
      {"capitals stay", "[VAR] [Int] [var]", "[VAR] [Int] (.*?)"},
      {"spaces and case kept", "  A [var]  B ", "  A (.*?)  B "},
      {"inside user's parentheses", "<b>([var])</b>", "<b>((.*?))</b>"},
      {"nested brackets", "[[var]]", "[(.*?)]"},
      {"query part kept", "list.php?id=[int]&p=[int0]", R"(list.php?id=(\d*)&p=\d*)"},
      {"after a GBK character", "\xC4\xE3[var]", "\xC4\xE3(.*?)"},
      // 0x5B '[' is here the second byte of a double-byte character, so no placeholder begins.
      {"bracket as trail byte", "\x81[var]", "\x81[var]"},
      {"half placeholder", "[var [int", "[var [int"},
      {"named as unnamed", "[var:\xB1\xEA\xCC\xE2]|[int:n]|[var:]", R"((.*?)|(\d*)|(.*?))"},
      // 0x5D ']' as the second byte of a double-byte character belongs to the name.
      {"trail byte in a name", "[var:\x81]]", "(.*?)"},
      {"name up to the first bracket", "[var:[int]][int]", R"((.*?)](\d*))"},
      {"skipped take no name", "[var0:x][int0:y]", "[var0:x][int0:y]"},
      {"unclosed name", "[int][var:a", R"((\d*)[var:a)"},
  };
  for (const TranslationCase& c : cases) {
    EXPECT_EQ(TranslateMatchRule(c.rule), c.expression) << c.name;
  }
}

TEST(TranslateMatchRule, DefaultRuleCollectsThreeColumnsFromAListPage) {
  const Text entry1 =
      R"(<li> <a href="/news/2023/88123.html" title="First title"> <span class="d">2023-05-01</span></li>)";
  const Text entry2 =
      "<LI> <a href=\"/n/7.HTML\" title=\"\xB5\xDA\xB6\xFE\"> <span id=2>x</span></li>";
  const Text page = "<ul>" + entry1 + "<li>no link</li> " + entry2 + "</ul>";

  runtime::Regex regex;
  ASSERT_TRUE(regex.Create(TranslateMatchRule(kDefaultRule), runtime::Case::Insensitive));
  EXPECT_EQ(regex.GetSubexpressionCount(), 3);
  EXPECT_THAT(Rows(kDefaultRule, page),
              ElementsAre(ElementsAre(entry1, "/news/2023", "88123", "First title"),
                          ElementsAre(entry2, "/n", "7", "\xB5\xDA\xB6\xFE")));
}

TEST(TranslateMatchRule, DotOfTheRuleMatchesAnyCharacter) {
  EXPECT_THAT(Rows(R"(href="[var]/[int].html")", R"(href="a/1xhtml")"),
              ElementsAre(ElementsAre(R"(href="a/1xhtml")", "a", "1")));
}

TEST(TranslateMatchRule, QuestionMarkStaysAQuantifier) {
  EXPECT_THAT(Rows("list.php?id=[int]", "list.php?id=5"), IsEmpty());
  EXPECT_THAT(Rows("list.php?id=[int]", "list.phid=5"),
              ElementsAre(ElementsAre("list.phid=5", "5")));
}

TEST(TranslateMatchRule, CapitalPlaceholderIsACharacterSet) {
  EXPECT_THAT(Rows("x[VAR]", "x[VAR] xr"), ElementsAre(ElementsAre("xr")));
}

TEST(TranslateMatchRule, UserParenthesesComeFirst) {
  EXPECT_THAT(Rows("<b>(id [var])</b>", "<b>id 42</b>"),
              ElementsAre(ElementsAre("<b>id 42</b>", "id 42", "42")));
}

TEST(TranslateMatchRule, RuleThatDoesNotCompileFindsNothing) {
  runtime::Regex regex;
  EXPECT_FALSE(regex.Create(TranslateMatchRule("<b>([var]</b>"), runtime::Case::Insensitive));
  EXPECT_THAT(Rows("<b>([var]</b>", "<b>x</b>"), IsEmpty());
}

TEST(RuleCaptions, NamesReachTheirGroupsWhereverTheyOpen) {
  const std::vector<std::pair<Text, std::vector<std::string>>> cases = {
      {kDefaultRule, {"文本 1", "文本 2", "文本 3", "文本 4", "文本 5"}},
      {runtime::T("<a href=\"[var:链接]\">[var:标题]</a>"), {"文本 1", "链接", "标题", "文本 4"}},
      {"([var:a])[int]", {"文本 1", "文本 2", "a", "文本 4", "文本 5"}},
      {"(?:x)[int:n](?<w>y)\\([var:b]", {"文本 1", "n", "文本 3", "b", "文本 5"}},
      {"[(][var:a]", {"文本 1", "a", "文本 3"}},
      {"[var:]", {"文本 1", "文本 2", "文本 3"}},
      {Text("[var:x]\0[var:y]", 15), {"文本 1", "x", "文本 3"}},
      {"([var:a]", {"文本 1", "文本 2"}},
  };
  for (const auto& [rule, captions] : cases) {
    std::vector<std::string> shown;
    for (const Text& caption : RuleCaptions(rule)) shown.push_back(runtime::TextToUtf8(caption));
    EXPECT_EQ(::testing::PrintToString(shown), ::testing::PrintToString(captions)) << rule;
  }
  // Read as written, parentheses open no group: the name still reaches its column.
  EXPECT_EQ(RuleCaptions("([var:a])", RuleSyntax::Literal), (std::vector<Text>{runtime::T("文本 1"), "a", runtime::T("文本 3")}));
  EXPECT_EQ(TranslateMatchRule("?[int:n]", RuleSyntax::Literal), R"(\?(\d*))");
}

TEST(TranslateMatchRule, LiteralSyntaxEscapesEverythingButThePlaceholders) {
  const std::vector<TranslationCase> cases = {
      {"query part", "show.php?id=[int]", R"(show\.php\?id=(\d*))"},
      {"every byte with a meaning", R"(.?*+()[]{}|^$\)", R"(\.\?\*\+\(\)\[\]\{\}\|\^\$\\)"},
      {"each placeholder", "[var]|[var0]|[int]|[int0]", R"((.*?)\|.*?\|(\d*)\|\d*)"},
      {"capitals are text", "[VAR]", R"(\[VAR\])"},
      {"plain text stays", "<a title=\"x\">", "<a title=\"x\">"},
      {"after a GBK character", "\xC4\xE3[var]", "\xC4\xE3(.*?)"},
      // The expression reads bytes: a trail byte "[" is escaped, and no placeholder begins on it.
      {"bracket as trail byte", "\x81[var]", "\x81\\[var\\]"},
      {"empty rule", "", ""},
  };
  for (const TranslationCase& c : cases) {
    EXPECT_EQ(TranslateMatchRule(c.rule, RuleSyntax::Literal), c.expression) << c.name;
    EXPECT_EQ(TranslateMatchRule(c.rule, RuleSyntax::Pattern), TranslateMatchRule(c.rule)) << c.name;
    // A rule read as written is always one the template matcher takes.
    runtime::Regex regex;
    ASSERT_TRUE(regex.Create(c.expression, runtime::Case::Insensitive)) << c.name;
    EXPECT_TRUE(regex.UsesTemplateMatcher()) << c.name;
  }
}

TEST(TranslateMatchRule, LiteralRuleFindsTheCopiedEntryStillIgnoringCase) {
  const Text page = R"(<a href="show.php?id=1">x</a><A HREF="SHOW.PHP?ID=2">y</A><a href="show_phpid=3">)";
  EXPECT_THAT(Rows(R"(<a href="show.php?id=[int]">)", page),
              ElementsAre(ElementsAre(R"(<a href="show_phpid=3">)", "3")));
  EXPECT_THAT(Rows(R"(<a href="show.php?id=[int]">)", page, RuleSyntax::Literal),
              ElementsAre(ElementsAre(R"(<a href="show.php?id=1">)", "1"),
                          ElementsAre(R"(<A HREF="SHOW.PHP?ID=2">)", "2")));
}

TEST(PatternCharacters, NamesWhatAnExpressionReadsAsMoreThanItselfOnce) {
  const struct {
    Text rule;
    Text named;
  } cases[] = {
      {R"(<a href="show.php?id=[int]">)", ".?"},
      {"<li>[var]</li>", ""},
      {R"(a\.b\?c\(d)", ""},
      {R"(a\\.b)", "."},
      {"(x)(y)|z+", "()|+"},
      {"[VAR]{2}^$*", "[]{}^$*"},
      {"\x81[\x81]", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PatternCharacters(c.rule), c.named) << c.rule;
}

}  // namespace
}  // namespace collect
