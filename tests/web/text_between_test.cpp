// TextBetween and TextAfterColon: markers, quotes written as "#引号", positions and spaces.
#include <gtest/gtest.h>

#include "runtime/code_page.h"
#include "web/text_between.h"

namespace {

using runtime::T;
using runtime::Text;

struct BetweenCase {
  std::string name;
  Text text;
  Text left;
  Text right;
  std::optional<int> start;
  std::optional<bool> caseInsensitive;
  Text expected;
};

TEST(TextBetween, Cases) {
  const std::vector<BetweenCase> cases = {
      {"plain", "<b>bold</b>", "<b>", "</b>", std::nullopt, std::nullopt, "bold"},
      {"quote word in both markers", "<a class=\"title\">Hi</a>", T("class=#引号"), T("#引号"), std::nullopt,
       std::nullopt, "title"},
      {"quote word around a word", "x=\"id\" y=\"v\"", T("#引号id#引号"), " ", std::nullopt, std::nullopt, ""},
      {"quoted stretch after word", "key \"value\" end", T("key #引号"), T("#引号"), std::nullopt, std::nullopt,
       "value"},
      {"left missing though right present", "abc]", "[", "]", std::nullopt, std::nullopt, ""},
      {"right only before left", "]x[", "[", "]", std::nullopt, std::nullopt, ""},
      {"empty right marker", "a[b]", "[", "", std::nullopt, std::nullopt, ""},
      {"empty left marker", "head]tail", "", "]", std::nullopt, std::nullopt, "head"},
      {"right directly after left", "a[]b", "[", "]", std::nullopt, std::nullopt, ""},
      {"first left, next right", "[1][2]", "[", "]", std::nullopt, std::nullopt, "1"},
      {"start position skips the first pair", "[1][2]", "[", "]", 2, std::nullopt, "2"},
      {"case-sensitive by default", "<B>x</B>", "<b>", "</b>", std::nullopt, std::nullopt, ""},
      {"case-insensitive when asked", "<B>x</b>", "<b>", "</B>", std::nullopt, true, "x"},
      {"marker never starts on a second byte", "\xB0" "A" "A<v>", "A<", ">", std::nullopt, std::nullopt, "v"},
      {"empty text", "", "[", "]", std::nullopt, std::nullopt, ""},
  };
  for (const BetweenCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(web::TextBetween(c.text, c.left, c.right, c.start, c.caseInsensitive), c.expected);
  }
}

TEST(TextAfterColon, Cases) {
  const std::vector<std::pair<Text, Text>> cases = {
      {"Name:  value ", "value"},
      {"no colon here", ""},
      {"a:b:c", "b:c"},
      {"k:\xA1\xA1v\xA1\xA1", "v"},
      {"k:\tv", "\tv"},
      {"k:", ""},
      {"User-Agent:\r\nX: 1", "\r\nX: 1"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(web::TextAfterColon(text), expected);
  }
}

}  // namespace
