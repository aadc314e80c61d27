// The rule tried on a prepared page: count, the first records as a run would fill them, the
// captions, and the reason when the rule cannot run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collect/rule_preview.h"
#include "runtime/code_page.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

// Items "<li><a href="/n/K.html">标题K</a></li>" for K = 1 … count, cleaned as a page would be.
Text Items(int count) {
  std::string page = "<ul>";
  for (int k = 1; k <= count; ++k) {
    page += "<li><a href=\"/n/" + std::to_string(k) + ".html\">标题" + std::to_string(k) + "</a></li>";
  }
  return T(page + "</ul>");
}

std::vector<std::vector<std::string>> Rows(const RulePreview& preview) {
  std::vector<std::vector<std::string>> rows;
  for (const Record& record : preview.records) {
    rows.emplace_back();
    for (const Text& cell : record.cells) rows.back().push_back(runtime::TextToUtf8(cell));
  }
  return rows;
}

struct PreviewCase {
  const char* name;
  Text page;
  const char* rule;  // UTF-8
  int maxRows;
  int count;
  int columns;  // captions "文本 1" … "文本 columns"
  std::vector<std::vector<std::string>> rows;
  const char* headline;
};

TEST(PreviewRule, CountsEveryMatchAndListsTheFirstAsTheRunFillsThem) {
  const std::string a = "http://h/list_2.html";
  const std::vector<PreviewCase> cases = {
      {"more matches than rows", Items(7), "<li><a href=\"[var]/[int].html\">[var]</a>", 2, 7, 5,
       {{"<li><a href=\"/n/1.html\">标题1</a>", "/n", "1", "标题1", a},
        {"<li><a href=\"/n/2.html\">标题2</a>", "/n", "2", "标题2", a}},
       "测试页取到 7 条纪录（列出前 2 条）"},
      {"fewer matches than rows", Items(2), "[int0].html\">[var]<", 5, 2, 3,
       {{"1.html\">标题1<", "标题1", a}, {"2.html\">标题2<", "标题2", a}}, "测试页取到 2 条纪录"},
      {"no group: whole match and address", Items(1), "<LI>", 5, 1, 2, {{"<li>", a}},
       "测试页取到 1 条纪录"},
      {"a group that takes no part stays empty", Items(1), "(x)?<li>", 5, 1, 3, {{"<li>", "", a}},
       "测试页取到 1 条纪录"},
      {"no match", Items(3), "<td>[var]</td>", 5, 0, 3, {}, "测试页取到 0 条纪录"},
      {"empty page", Text(), "<li>[var]</li>", 5, 0, 3, {}, "测试页取到 0 条纪录"},
      {"matching given up", T("xxy" + std::string(40, 'x')), "(x+x+)+y", 5, 1, 3, {{"xxy", "xx", a}},
       "测试页取到 1 条纪录（匹配规则过于复杂，已停止在第 2 条）"},
      {"given up, not all listed", T("xxyxxyxxy" + std::string(40, 'x')), "(x+x+)+y", 2, 3, 3,
       {{"xxy", "xx", a}, {"xxy", "xx", a}},
       "测试页取到 3 条纪录（匹配规则过于复杂，已停止在第 4 条；列出前 2 条）"},
  };
  for (const PreviewCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RulePreview preview = PreviewRule(c.page, T(c.rule), Text(a), c.maxRows);
    EXPECT_EQ(preview.problem, Text());
    EXPECT_EQ(preview.count, c.count);
    EXPECT_EQ(preview.captions.size(), static_cast<std::size_t>(c.columns));
    EXPECT_EQ(runtime::TextToUtf8(preview.captions.back()), "文本 " + std::to_string(c.columns));
    EXPECT_EQ(Rows(preview), c.rows);
    EXPECT_EQ(runtime::TextToUtf8(PreviewHeadline(preview)), c.headline);
  }
}

TEST(PreviewRule, RuleThatCannotRunGivesOnlyTheReason) {
  const struct {
    const char* rule;
    const char* headline;  // the whole headline, or its start when the engine's reason follows
    bool reasonFollows;
  } cases[] = {
      {"<li>([var]</li>", "匹配规则有误: ", true},
      {"[int]{2,1}", "匹配规则有误: ", true},
      {"", "正则匹配规则不能为空!", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    const RulePreview preview = PreviewRule(Items(3), T(c.rule), Text("http://h/"));
    const std::string headline = runtime::TextToUtf8(PreviewHeadline(preview));
    EXPECT_THAT(headline, ::testing::StartsWith(c.headline));
    EXPECT_EQ(headline.size() > std::string(c.headline).size(), c.reasonFollows);
    EXPECT_EQ(preview.count, 0);
    EXPECT_TRUE(preview.captions.empty());
    EXPECT_TRUE(preview.records.empty());
  }
}

TEST(PreviewRule, RuleThatFindsNothingNamesItsPatternCharactersUnlessReadAsWritten) {
  const std::string hint =
      "\n规则中的 . ? 在正则表达式中另有含义：要按原样匹配，请写成 \\. \\?，或在“工具箱 ▼”中勾选“按原文匹配”";
  const struct {
    const char* rule;
    RuleSyntax syntax;
    int count;
    std::string headline;
  } cases[] = {
      {R"(<a href="show.php?id=[int]">)", RuleSyntax::Pattern, 0, "测试页取到 0 条纪录" + hint},
      {R"(<a href="show.php?id=[int]">)", RuleSyntax::Literal, 1, "测试页取到 1 条纪录"},
      {R"(href="show.[var]")", RuleSyntax::Pattern, 1, "测试页取到 1 条纪录"},
      {"<td>[var]</td>", RuleSyntax::Pattern, 0, "测试页取到 0 条纪录"},
      {"<td>[var]</td>", RuleSyntax::Literal, 0, "测试页取到 0 条纪录"},
      {"f(x", RuleSyntax::Literal, 0, "测试页取到 0 条纪录"},
  };
  const Text page = T(R"(<p><a href="show.php?id=1">)");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    const RulePreview preview = PreviewRule(page, T(c.rule), Text("http://h/"), kPreviewRows, c.syntax);
    EXPECT_EQ(preview.count, c.count);
    EXPECT_EQ(runtime::TextToUtf8(PreviewHeadline(preview)), c.headline);
  }
  const std::string broken = runtime::TextToUtf8(PreviewHeadline(PreviewRule(page, T("f(x"), Text("http://h/"))));
  EXPECT_THAT(broken, ::testing::StartsWith("匹配规则有误: "));
  EXPECT_THAT(broken, ::testing::EndsWith("\n规则中的 ( 在正则表达式中另有含义：要按原样匹配，请写成 \\(，"
                                          "或在“工具箱 ▼”中勾选“按原文匹配”"));
}

TEST(PreviewRule, PageThatFailedGivesItsReasonInsteadOfACount) {
  const RulePreview preview = FailedPagePreview(Text("HTTP 404"));
  EXPECT_EQ(runtime::TextToUtf8(PreviewHeadline(preview)), "测试页下载失败（HTTP 404）");
  EXPECT_TRUE(preview.captions.empty());
  EXPECT_TRUE(preview.records.empty());
}

}  // namespace
}  // namespace collect
