// The template matcher against the backtracking engine: which expressions it takes, and that it
// finds the same matches as the engine on the rules of the test suites and on generated rules and
// pages (lone lead bytes, case variants, empty holes, overlapping candidates, holes at either end,
// a UTF-8 page with Chinese in its cells).
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/code_page.h"
#include "runtime/regex.h"

namespace runtime {
namespace {

// Both matchers on one expression and text: the template matcher must be in use, the engine must
// finish, and the matches must agree entry for entry.
void ExpectSameMatches(const Text& expression, const Text& text, Case letterCase) {
  Regex regex;
  ASSERT_TRUE(regex.Create(expression, letterCase)) << expression;
  ASSERT_TRUE(regex.UsesTemplateMatcher()) << expression;
  const SearchReport fast = regex.Search(text, {});
  const SearchReport engine = regex.WithBacktrackingOnly().Search(text, {});
  ASSERT_EQ(engine.outcome, SearchOutcome::Complete) << expression;
  EXPECT_EQ(fast.outcome, SearchOutcome::Complete) << expression;
  ASSERT_EQ(fast.matches.size(), engine.matches.size()) << expression << " on " << text;
  for (std::size_t i = 0; i < fast.matches.size(); ++i) {
    EXPECT_EQ(fast.matches[i].Entries(), engine.matches[i].Entries())
        << expression << " on " << text << ", match " << i;
  }
}

TEST(TemplateMatcher, TakesLiteralTextWithHolesOnly) {
  const std::vector<std::pair<Text, bool>> cases = {
      {R"rx(<li> <a href="(.*?)/(\d*).html" title="(.*?)"> <span .*?</li>)rx", true},
      {R"((.*?)|.*?|(\d*)|\d*)", false},
      {R"(list.php?id=(\d*))", false},
      {"[VAR] [Int] (.*?)", false},
      {"<b>((.*?))</b>", false},
      {R"((.*?)(.*?)\d*\d*)", true},
      {R"(a\.b\?\(c\) \/)", true},
      {R"(a\<b)", false},
      {R"(a\d)", false},
      {R"(\d*?x)", false},
      {"(.*?)+", false},
      {"a.*b", false},
      {"a.+?b", false},
      {"ab*", false},
      {"a{2}", false},
      {"^ab$", false},
      {"\xB5\xDA(.*?)\xD2\xB3", true},
      {"", true},
  };
  for (const auto& [expression, takes] : cases) {
    Regex regex;
    ASSERT_TRUE(regex.Create(expression, Case::Insensitive)) << expression;
    EXPECT_EQ(regex.UsesTemplateMatcher(), takes) << expression;
    EXPECT_FALSE(regex.WithBacktrackingOnly().UsesTemplateMatcher());
  }
}

// Each escape the template matcher reads as a literal means that literal to the engine too.
TEST(TemplateMatcher, EscapedPunctuationIsTheLiteralTheEngineSees) {
  Text everyByte;
  for (int byte = 1; byte < 256; ++byte) everyByte += static_cast<char>(byte);
  for (char punctuation : Text("\\^$.|?*+()[]{}/-\"#&:=!,;%@~_ ")) {
    ExpectSameMatches(Text("\\") + punctuation + "(.*?)\\" + punctuation, everyByte + everyByte, Case::Insensitive);
  }
}

const Text kChinesePage =
    "<ul><li> <a href=\"/news/2026/1001.html\" title=\"标题一\">\t <span class=\"date\">2026-12-07</span></li>"
    "<li> <a href=\"/新闻/2026/1002.html\" title=\"第二条「新闻」😀\"> <span>x</span></li>"
    "<li><a href=\"中/3.html\">丂</a></li><p>中文=12</p><td>表格</td></ul>";

// The translated rules of the test suites on list pages and on pages made to trip them.
TEST(TemplateMatcher, RulesOfTheTestSuitesFindWhatTheEngineFinds) {
  const std::vector<Text> expressions = {
      R"rx(<li> <a href="(.*?)/(\d*).html" title="(.*?)"> <span .*?</li>)rx",
      R"rx(<li><a href="(.*?)/(\d*).html">(.*?)</a>)rx",
      R"rx(\d*.html">(.*?)<)rx",
      "<td>(.*?)</td>",
      "<li>(.*?)</li>",
      "<b>(.*?)</b>",
      R"(<p>(.*?)=(\d*)</p>)",
      "<li>(.*?)\xA1\xB8(\\d*)\xA1\xB9</li>",
      "<a href=\"(.*?)\">(.*?)</a>\t\\d*",
      R"rx(href="(.*?)/(\d*).html")rx",
      "<B>a  b</B>",
      // Rules read as written (按原文匹配): every byte with a meaning escaped, trail bytes too.
      R"rx(<a href="show\.php\?id=(\d*)">(.*?)</a>)rx",
      R"rx(\.\?\*\+\(\)\[\]\{\}\|\^\$\\(.*?)\|)rx",
      "\x81\\[(.*?)\x81\\\\",
  };
  const Text entry = R"(<li> <a href="/news/2023/88123.html" title="First"> <span class="d">x</span></li>)";
  const std::vector<Text> pages = {
      "<ul>" + entry + "<li>no link</li> <LI> <A HREF=\"/n/7.HTML\" title=\"\xB5\xDA\"> <span>y</li></ul>",
      "<li><a href=\"a/b/12.html\">t</a><li><a href=\"a/1xhtml\">u</a></li><td></td><td>\x81<td>",
      "<p>k=12</p><p>=</p><p>a=b</p><P>X=</P><b></b><b>\x81</b><B>A  B</B>",
      "<li>\xB5\xDA\xA1\xB8" "12\xA1\xB9</li><li>\xA1\xB8\xA1\xB9</li><a href=\"x\">y</a>\t7",
      "href=\"a/1/2/3.html\" href=\"/9.htm\" href=\"b/.html\" href=\"c/55xhtml\"",
      "\x81<li>\x81</li>\x81",
      "<a href=\"show.php?id=12\">t</a><A HREF=\"SHOW.PHP?ID=\">u</A><a href=\"showxphp?id=3\">v</a>"
      ".?*+()[]{}|^$\\x|.?*+()[]{}|^$\\|\x81[y\x81\\\x81[\x81\\",
      "",
      // A UTF-8 list page with Chinese in its cells, as the run reads it and as raw bytes.
      T(kChinesePage),
      kChinesePage,
  };
  for (const Text& expression : expressions) {
    for (const Text& page : pages) {
      ExpectSameMatches(expression, page, Case::Insensitive);
      ExpectSameMatches(expression, page, Case::Sensitive);
    }
  }
}

// Random expressions over a few literal bytes, '.', escapes and the four holes, on random texts
// over the same bytes (letters in both cases, digits, lead bytes of double-byte characters).
TEST(TemplateMatcher, GeneratedRulesFindWhatTheEngineFinds) {
  const std::vector<Text> tokens = {"a", "A", "b", "1", "2", "<", "\"", "/", " ", "\x81", "\xB5",
                                    ".", "\\.", "(.*?)", ".*?", R"((\d*))", R"(\d*)"};
  const Text textBytes = "aAbB12<\"/ .\x81\xB5";
  std::mt19937 random(20240521);
  for (int round = 0; round < 4000; ++round) {
    Text expression;
    const int tokenCount = static_cast<int>(random() % 7);
    for (int i = 0; i < tokenCount; ++i) expression += tokens[random() % tokens.size()];
    Text text;
    const int textLength = static_cast<int>(random() % 40);
    for (int i = 0; i < textLength; ++i) text += textBytes[random() % textBytes.size()];
    ExpectSameMatches(expression, text, random() % 2 == 0 ? Case::Sensitive : Case::Insensitive);
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace runtime
