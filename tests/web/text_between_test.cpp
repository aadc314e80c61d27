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
  runtime::Case letterCase;
  Text expected;
};

TEST(TextBetween, Cases) {
  const std::vector<BetweenCase> cases = {
      {"plain", "<b>bold</b>", "<b>", "</b>", std::nullopt, runtime::Case::Sensitive, "bold"},
      {"quote word in both markers", "<a class=\"title\">Hi</a>", T("class=#引号"), T("#引号"), std::nullopt,
       runtime::Case::Sensitive, "title"},
      {"quote word around a word", "x=\"id\" y=\"v\"", T("#引号id#引号"), " ", std::nullopt, runtime::Case::Sensitive, ""},
      {"quoted stretch after word", "key \"value\" end", T("key #引号"), T("#引号"), std::nullopt, runtime::Case::Sensitive,
       "value"},
      {"left missing though right present", "abc]", "[", "]", std::nullopt, runtime::Case::Sensitive, ""},
      {"right only before left", "]x[", "[", "]", std::nullopt, runtime::Case::Sensitive, ""},
      {"empty right marker", "a[b]", "[", "", std::nullopt, runtime::Case::Sensitive, ""},
      {"empty left marker", "head]tail", "", "]", std::nullopt, runtime::Case::Sensitive, "head"},
      {"right directly after left", "a[]b", "[", "]", std::nullopt, runtime::Case::Sensitive, ""},
      {"first left, next right", "[1][2]", "[", "]", std::nullopt, runtime::Case::Sensitive, "1"},
      {"start position skips the first pair", "[1][2]", "[", "]", 2, runtime::Case::Sensitive, "2"},
      {"case-sensitive", "<B>x</B>", "<b>", "</b>", std::nullopt, runtime::Case::Sensitive, ""},
      {"case-insensitive when asked", "<B>x</b>", "<b>", "</B>", std::nullopt, runtime::Case::Insensitive, "x"},
      {"marker never starts on a second byte", "\xB0" "A" "A<v>", "A<", ">", std::nullopt, runtime::Case::Sensitive, "v"},
      {"empty text", "", "[", "]", std::nullopt, runtime::Case::Sensitive, ""},
  };
  for (const BetweenCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(web::TextBetween(c.text, c.left, c.right, c.start, c.letterCase), c.expected);
  }
  EXPECT_EQ(web::TextBetween("<B>x</B>", "<b>", "</b>"), "") << "case-sensitive by default";
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
