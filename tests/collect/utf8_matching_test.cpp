// A UTF-8 page matched in its own bytes against the same page converted first: which rules may be,
// and, for those, the same records cell for cell on pages of Chinese text, four-byte characters,
// broken characters, digits beside them, blanks and case variants.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "collect/page_preparation.h"
#include "runtime/code_page.h"
#include "web/fetch.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

CollectionSettings Utf8Settings(const char* rule) {
  CollectionSettings settings;
  settings.rule = T(rule);
  settings.before = "<ul>";
  settings.after = "</ul>";
  settings.encoding = PageEncoding::Utf8;
  return settings;
}

web::FetchResponse Answer(const std::string& body) {
  web::FetchResponse response;
  response.status = 200;
  response.headerBlock = "HTTP/1.1 200 OK\r\n\r\n";
  response.body = body;
  return response;
}

std::vector<std::vector<Text>> RecordsOf(const PageOutcome& outcome) {
  std::vector<std::vector<Text>> records;
  for (std::size_t record = 0; record < outcome.records.Size(); ++record) records.push_back(outcome.records.Cells(record));
  return records;
}

TEST(MatchingInUtf8, RulesWhosePiecesMeetWholeCharactersOnlyFindTheRecordsOfThePageConverted) {
  const std::vector<std::pair<const char*, bool>> rules = {
      {"<li><a href=\"[var]\">[var]</a>", true},
      {"<li id=[int]>[var0]</li>", true},
      {"<b>[var]</b>[int]", true},            // a digit hole at the end
      {"=[var]:[int]>", true},                 // pieces led by '=', ':' and '>'
      {"[var]</li>", false},                   // a hole first
      {"<i>[var][int]</i>", false},            // a hole right after a hole
      {"<li>[var]title=[var]</li>", false},    // a piece led by a letter
      {"<li>[var]1[var]</li>", false},         // a piece led by a digit
      {"<li>中[var]</li>", false},             // a piece with a character beyond ASCII
      {"<li>(.*?)</li>", true},
      {"<li>.[var]</li>", false},              // a piece that ends in any byte
      {"<a href=\"[var]/[int].html\" title=\"[var]\">", true},  // any byte, then bytes the page is searched for
      {"<a>[int].h[var]</a>", false},          // any byte, then a letter and no more
      {"<li>(a|b)</li>", false},               // not a template
  };
  const std::vector<std::string> pieces = {
      "<li><a href=\"", "\">", "</a>", "<li id=", "</li>", "<LI>", "<b>", "</b>", "=", ":", ">", "<i>", "</i>",
      "中文", "标题", "😀", "€", "丂", "7", "42", " ", "  ", "\r\n", "\t", "a", "title=", "1",
      // Characters whose last byte in the program's code page is a letter or a digit
      "乼", "\u0081", "itle=", "乭", "丠", "<a href=\"", "/", ".html\" title=\"", "tml\" title=\"", "\">",
      "\xE4\xB8", "\xFF", "\xF0\x9F\x98", "\xC2"};
  std::mt19937 random(11);
  for (const auto& [rule, alike] : rules) {
    SCOPED_TRACE(rule);
    const CollectionSettings settings = Utf8Settings(rule);
    const RunRules inUtf8 = CompileRules(settings);
    ASSERT_EQ(inUtf8.matchesAlikeInUtf8, alike);
    if (!alike) continue;
    RunRules converted = inUtf8;
    converted.matchesAlikeInUtf8 = false;
    int inUtf8Pages = 0;
    for (int round = 0; round < 400; ++round) {
      std::string body = "<html><ul>";
      for (int i = static_cast<int>(random() % 60); i > 0; --i) body += pieces[random() % pieces.size()];
      body += "</ul></html>";
      const PageOutcome ours = PrepareAttempt("http://h/1", Answer(body), settings, inUtf8, {});
      const PageOutcome theirs = PrepareAttempt("http://h/1", Answer(body), settings, converted, {});
      ASSERT_FALSE(theirs.textInUtf8);
      ASSERT_EQ(RecordsOf(ours), RecordsOf(theirs)) << testing::PrintToString(body);
      ASSERT_EQ(ours.textInUtf8 ? runtime::Utf8ToText(ours.PageText()) : ours.PageText(), theirs.PageText());
      inUtf8Pages += ours.textInUtf8 ? 1 : 0;
    }
    EXPECT_GT(inUtf8Pages, 100);
  }
  // A character whose form ends in 'h' right before the rest of ".html": a page the rule might
  // match otherwise once converted is converted.
  const CollectionSettings settings = Utf8Settings("<a href=\"[var]/[int].html\" title=\"[var]\">");
  const PageOutcome page = PrepareAttempt("http://h/1", Answer("<ul><a href=\"x/1乭tml\" title=\"t\"></ul>"),
                                          settings, CompileRules(settings), {});
  EXPECT_FALSE(page.textInUtf8);
  EXPECT_EQ(page.records.Size(), 1u);
}

}  // namespace
}  // namespace collect
