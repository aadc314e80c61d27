// Utf8BytesToText and ConcatByteSets: byte-exact results in the program's code page.
#include <gtest/gtest.h>

#include "web/byte_sets.h"
#include "web/utf8_text.h"

namespace {

using runtime::ByteSet;
using runtime::Text;

TEST(Utf8BytesToText, Cases) {
  const std::vector<std::tuple<std::string, ByteSet, Text>> cases = {
      {"Chinese becomes two bytes a character", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
      {"ASCII unchanged", "<p class=\"x\">ok</p>\r\n", "<p class=\"x\">ok</p>\r\n"},
      {"zero byte ends the text", ByteSet("ab\0\xE4\xB8\xAD", 6), "ab"},
      {"empty", "", ""},
      {"malformed byte becomes the replacement character", "a\xFF" "b", "a\x84\x31\xA4\x37" "b"},
      {"cut sequence at the end", "x\xE4\xB8", "x\x84\x31\xA4\x37"},
      {"character outside GBK keeps a four-byte form", "\xF0\x9F\x98\x80", "\x94\x39\xFC\x36"},
      {"Latin letter present in GBK", "\xC3\xA9", "\xA8\xA6"},
  };
  for (const auto& [name, bytes, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(web::Utf8BytesToText(bytes), expected);
  }
}

TEST(ConcatByteSets, JoinsInOrderKeepingZeroBytes) {
  EXPECT_EQ(web::ConcatByteSets({"ab", std::string_view("\0c", 2), "", "d"}), ByteSet("ab\0cd", 5));
  EXPECT_EQ(web::ConcatByteSets({}), ByteSet());
  EXPECT_EQ(web::ConcatByteSets({"", ""}), ByteSet());
}

}  // namespace
