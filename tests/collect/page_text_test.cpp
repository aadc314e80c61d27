// The page prepared in one pass against the steps one at a time: ICU's conversion of the whole
// body, the cut, then the four cleaning passes. GBK and UTF-8 pages with Chinese, rare and broken
// characters in them, markers a UTF-8 page can and cannot be searched for, and a body large
// enough to be converted in pieces and given back as it goes.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "collect/page_text.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "web/text_between.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

// ICU's conversion of the whole UTF-8 body up to its first zero byte.
Text IcuConversion(const std::string& body) {
  const std::string content = body.substr(0, body.find('\0'));
  UErrorCode status = U_ZERO_ERROR;
  const auto length = static_cast<int32_t>(content.size());
  Text text(static_cast<std::size_t>(ucnv_convert("GB18030", "UTF-8", nullptr, 0, content.data(), length, &status)), '\0');
  status = U_ZERO_ERROR;
  ucnv_convert("GB18030", "UTF-8", text.data(), static_cast<int32_t>(text.size()), content.data(), length, &status);
  return text;
}

// The page text as the steps make it one after the other.
Text StepByStep(const std::string& body, bool gbk, const Text& before, const Text& after) {
  Text text = gbk ? runtime::ToText(body) : IcuConversion(body);
  if (!before.empty() && !after.empty()) text = web::TextBetween(text, before, after);
  for (const char* removed : {"\n", "\r", "\t"}) {
    text = runtime::ReplaceSubtext(text, removed, Text(), std::nullopt, std::nullopt, runtime::Case::Sensitive);
  }
  return runtime::ReplaceSubtext(text, "  ", Text(" "), std::nullopt, std::nullopt, runtime::Case::Sensitive);
}

void ExpectStepByStep(const std::string& body, bool gbk, const Text& before, const Text& after) {
  EXPECT_EQ(PreparePageText(std::string(body), gbk, before, after), StepByStep(body, gbk, before, after))
      << (gbk ? "gbk " : "utf-8 ") << testing::PrintToString(body) << " between "
      << testing::PrintToString(before) << " and " << testing::PrintToString(after);
}

TEST(PreparePageText, GivesWhatTheStepsOneByOneGive) {
  const std::vector<std::string> pieces = {
      "<li>", "</li>", "list-item", "</html>", "\"", " ", "  ", "\r\n", "\t", "a", "B", "1",
      "中", "新闻", "标题", "「", "丂", "😀", "€", "é",                        // UTF-8 characters
      "\xD6\xD0", "\x81\x40", "\x81\x30\x81\x30", "\xA1\xA1",                // GBK and GB18030 bytes
      "\xFF", "\xE4\xB8", "\x80", "\xF0\x9F\x98", std::string(1, '\0')};  // broken UTF-8, a zero
  const std::vector<std::pair<Text, Text>> markers = {
      {"", ""}, {"list-item", "</html>"}, {"<li>", "</li>"}, {T("#引号"), "<"}, {T("标题"), T("「")},
      {"\xD6\xD0", " "}, {T("丂"), "</li>"}, {T("😀"), "a"}, {"\x81", "1"}, {"a", ""}};
  std::mt19937 random(7);
  for (int round = 0; round < 1500; ++round) {
    std::string body;
    // Up to about 150 bytes: the cleaning works 64 bytes at a time, and runs cross from one block to the next.
    for (int i = static_cast<int>(random() % 48); i > 0; --i) body += pieces[random() % pieces.size()];
    for (const auto& [before, after] : markers) {
      ExpectStepByStep(body, false, before, after);
      ExpectStepByStep(body, true, before, after);
    }
    if (HasFailure()) return;
  }
  // Two U+0080 (four-byte forms in GB18030) as the before marker: in the converted page it is met
  // first across three characters, from the middle of the four-byte form before them.
  const std::string middleFits = runtime::TextToUtf8("\x81\x31\x81\x30");
  const std::string page = "x" + middleFits + "\xC2\x80\xC2\x80\xC2\x80 y</li>";
  ExpectStepByStep(page, false, "\x81\x30\x81\x30\x81\x30\x81\x30", "</li>");
  EXPECT_NE(StepByStep(page, false, "\x81\x30\x81\x30\x81\x30\x81\x30", "</li>"), T("\u0080 y"));
}

// Large enough to be converted a piece at a time and to give its memory back as it goes, with
// runs of spaces, line breaks and broken characters everywhere, the piece ends among them; and the
// same bytes read as GBK, whose cleaning gives back what it took off the end.
TEST(PreparePageText, LargePageGivesWhatTheStepsGive) {
  std::string body = "<html>list-item";
  const std::vector<std::string> lines = {"<li> <a href=\"/n/1.html\">新闻标题</a>\r\n",
                                          "  \t  中\xE4\xB8 😀   \xFF     ", "\r\n\r\n    ",
                                          std::string(300, ' '), "</li>丂"};
  for (std::size_t i = 0; body.size() < (std::size_t{9} << 20); ++i) body += lines[i % lines.size()];
  body += "</html> tail";
  ExpectStepByStep(body, false, "list-item", "</html>");
  ExpectStepByStep(body, false, T("丂"), "</html>");
  ExpectStepByStep(body, false, "", "");
  ExpectStepByStep(body, true, "list-item", "</html>");
}

}  // namespace
}  // namespace collect
