// Byte-exact behaviour of the text commands: clamping, the double-byte rule, not-found values.
#include "runtime/text_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/code_page.h"

namespace runtime {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// GBK bytes used below: 啊 = B0 A1, 中 = D6 D0, full-width space = A1 A1.
const Text kAh = "\xB0\xA1";
const Text kFullWidthSpace = "\xA1\xA1";

struct FindCase {
  const char* name;
  Text text;
  Text search;
  std::optional<int> start;
  std::optional<bool> caseInsensitive;
  int expected;
};

class FindTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, GivesFirstPositionOrMinusOne) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindText(c.text, c.search, c.start, c.caseInsensitive), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTest,
    ::testing::Values(
        FindCase{"Plain", "a/b/c", "/", std::nullopt, std::nullopt, 2},
        FindCase{"FromThree", "a/b/c", "/", 3, std::nullopt, 4},
        FindCase{"StartZeroIsStart", "a/b/c", "/", 0, std::nullopt, 2},
        FindCase{"NegativeStartIsStart", "a/b/c", "/", -5, std::nullopt, 2},
        FindCase{"StartBeyondEnd", "a/b/c", "/", 6, std::nullopt, -1},
        FindCase{"EmptySearchNonEmptySpan", "abcde", "", 3, std::nullopt, 1},
        FindCase{"EmptySearchEmptyText", "", "", std::nullopt, std::nullopt, -1},
        FindCase{"EmptySearchEmptySpan", "abc", "", 4, std::nullopt, -1},
        FindCase{"CaseInsensitive", "Set-Cookie: a", "set-cookie", std::nullopt, true, 1},
        FindCase{"CaseSensitiveByDefault", "Set-Cookie: a", "set-cookie", std::nullopt, std::nullopt, -1},
        FindCase{"CaseSensitiveGiven", "Set-Cookie: a", "set-cookie", std::nullopt, false, -1},
        FindCase{"NotOnSecondByte", "\x81\x41", "A", std::nullopt, std::nullopt, -1},
        FindCase{"AfterDoubleByte", "\x81\x41" "A", "A", std::nullopt, std::nullopt, 3},
        FindCase{"SecondByteFoldedToo", "\x81\x41" "x", "\x81" "a", std::nullopt, true, 1},
        FindCase{"MisalignedThenAligned", "\xB0\xA1\xB0\xA1\xA1\xB0", "\xA1\xB0", std::nullopt, std::nullopt, 5},
        FindCase{"OnlyMisaligned", "\xB0\xA1\xB0\xA1", "\xA1\xB0", std::nullopt, std::nullopt, -1},
        FindCase{"AlignedAfterLongRun", "\xB0\xA1\xB0\xA1\xD6\xD0", "\xD6\xD0", std::nullopt, std::nullopt, 5},
        FindCase{"StartOnSecondByteCountsAsBoundary", "\x81\x41", "A", 2, std::nullopt, 2},
        FindCase{"LoneLeadAtEndStillCompared", "ab\x81", "\x81", std::nullopt, std::nullopt, 3},
        FindCase{"SearchLongerThanText", "ab", "abc", std::nullopt, std::nullopt, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindTextReverse, LastOccurrenceEndingWithinSpan) {
  EXPECT_EQ(FindTextReverse("a.b.c", "."), 4);
  EXPECT_EQ(FindTextReverse("a.b.c", ".", 4), 2);
  EXPECT_EQ(FindTextReverse("a.b.c", ".", 1), -1);
  EXPECT_EQ(FindTextReverse("a.b.c", "x"), -1);
  EXPECT_EQ(FindTextReverse("aaa", "aa"), 2);  // overlapping candidates are all considered
  EXPECT_EQ(FindTextReverse("\x81\x41" "A\x81\x41", "A"), 3);
  EXPECT_EQ(FindTextReverse("host:8080:90", ":"), 10);
  EXPECT_EQ(FindTextReverse("ABC", "b", std::nullopt, true), 2);
}

TEST(Cutting, ClampsPositionsAndCounts) {
  EXPECT_EQ(TextMiddle("abcdef", 3, 2), "cd");
  EXPECT_EQ(TextMiddle("abcdef", 5, 10), "ef");
  EXPECT_EQ(TextMiddle("abcdef", 0, 2), "");
  EXPECT_EQ(TextMiddle("abcdef", 7, 2), "");
  EXPECT_EQ(TextMiddle("abcdef", 2, 0), "");
  EXPECT_EQ(TextMiddle("abcdef", 2, -1), "");
  EXPECT_EQ(TextLeft("abc", 10), "abc");
  EXPECT_EQ(TextLeft("abc", -1), "");
  EXPECT_EQ(TextLeft("abc", 2), "ab");
  EXPECT_EQ(TextRight("abc", 0), "");
  EXPECT_EQ(TextRight("abc", 2), "bc");
  EXPECT_EQ(TextRight("abc", 99), "abc");
  EXPECT_EQ(TextLeft(kAh, 1), "\xB0");  // cutting counts bytes and may halve a character
  EXPECT_EQ(TextLength(kAh + "x"), 3);
}

struct ReplaceCase {
  const char* name;
  Text text;
  Text search;
  std::optional<Text> replacement;
  std::optional<int> start;
  std::optional<int> count;
  std::optional<bool> caseSensitive;
  Text expected;
};

class ReplaceSubtextTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceSubtextTest, Replaces) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceSubtext(c.text, c.search, c.replacement, c.start, c.count, c.caseSensitive),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceSubtextTest,
    ::testing::Values(
        ReplaceCase{"NeverOverlaps", "aaa", "aa", "b", std::nullopt, std::nullopt, true, "ba"},
        ReplaceCase{"CountOne", "x.y.z", ".", "-", std::nullopt, 1, true, "x-y.z"},
        ReplaceCase{"FromThree", "x.y.z", ".", "-", 3, std::nullopt, true, "x.y-z"},
        ReplaceCase{"NegativeCountIsAll", "x.y.z", ".", "-", std::nullopt, -3, true, "x-y-z"},
        ReplaceCase{"ZeroCountUnchanged", "x.y.z", ".", "-", std::nullopt, 0, true, "x.y.z"},
        ReplaceCase{"StartBeyondEnd", "x.y", ".", "-", 4, std::nullopt, true, "x.y"},
        ReplaceCase{"AbsentReplacementRemoves", "a\r\nb\r\n", "\r\n", std::nullopt, std::nullopt, std::nullopt, true, "ab"},
        ReplaceCase{"CaseFoldedWhenNotSensitive", "set-cookie: a", "Set-Cookie", "Set-Cookie", std::nullopt, std::nullopt, false, "Set-Cookie: a"},
        ReplaceCase{"CaseFoldedWhenAbsent", "SET-COOKIE: a", "set-cookie", "X", std::nullopt, std::nullopt, std::nullopt, "X: a"},
        ReplaceCase{"CaseSensitiveKeepsOtherCase", "[VAR][var]", "[var]", "(.*?)", std::nullopt, std::nullopt, true, "[VAR](.*?)"},
        ReplaceCase{"ReplacementNotSearchedAgain", "ab", "a", "aa", std::nullopt, std::nullopt, true, "aab"},
        ReplaceCase{"NotOnSecondByte", "\x81\x41" "A", "A", "z", std::nullopt, std::nullopt, true, "\x81\x41z"},
        ReplaceCase{"HalvesDoubleSpaces", "a    b   c  d e", "  ", " ", std::nullopt, std::nullopt, true, "a  b  c d e"},
        ReplaceCase{"EmptySearchUnchanged", "abc", "", "x", std::nullopt, std::nullopt, true, "abc"},
        ReplaceCase{"DoubleByteUnits", "\xB0\xA1\xB0\xA1", "\xA1\xB0", "!", std::nullopt, std::nullopt, true, "\xB0\xA1\xB0\xA1"},
        ReplaceCase{"LoneLeadAtEndCopied", "a.b\xB0", ".", "-", std::nullopt, std::nullopt, true, "a-b\xB0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitText, PiecesAndTrailingDelimiter) {
  EXPECT_THAT(SplitText("a,,b,").Items(), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitText(",a").Items(), ElementsAre("", "a"));
  EXPECT_THAT(SplitText("a;b;c", ";", 2).Items(), ElementsAre("a", "b"));
  EXPECT_THAT(SplitText("a;b", ";", 1).Items(), ElementsAre("a"));
  EXPECT_THAT(SplitText("a;b", ";", 0).Items(), IsEmpty());
  EXPECT_THAT(SplitText("a;b", ";", -2).Items(), IsEmpty());
  EXPECT_THAT(SplitText("").Items(), IsEmpty());
  EXPECT_THAT(SplitText("abc", "").Items(), ElementsAre("abc"));
  EXPECT_THAT(SplitText("l1\r\nl2\r\n", "\r\n").Items(), ElementsAre("l1", "l2"));
  EXPECT_THAT(SplitText("l1\r\n\r\nl2", "\r\n").Items(), ElementsAre("l1", "", "l2"));
  EXPECT_THAT(SplitText("\r\n", "\r\n").Items(), ElementsAre(""));
  EXPECT_THAT(SplitText("\x81,x,y").Items(), ElementsAre("\x81,x", "y"));
}

TEST(SpacesAndCase, FullWidthSpacesAndDoubleBytes) {
  EXPECT_EQ(TrimSpaces(kFullWidthSpace + "x " + kFullWidthSpace), "x");
  EXPECT_EQ(TrimSpaces("\tx "), "\tx");
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("x \xB0"), "x");  // a lone last lead byte goes too
  EXPECT_EQ(TrimSpaces(kAh + " "), kAh);
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1"), "\xB0\xA1");  // A1 A1 straddling a character is not a space
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(RemoveAllSpaces("a b" + kFullWidthSpace + "c"), "abc");
  EXPECT_EQ(RemoveAllSpaces("a\xB0"), "a");
  EXPECT_EQ(ToLower("ABC\x81" "Dxy"), "abc\x81" "Dxy");
  EXPECT_EQ(ToLower("Host.COM"), "host.com");
}

TEST(Conversions, TextsNumbersAndByteSets) {
  EXPECT_EQ(ToInteger("\xA3\xB1\xA3\xB2"), 12);
  EXPECT_EQ(ToInteger(" 42abc"), 42);
  EXPECT_EQ(ToInteger("abc"), 0);
  EXPECT_EQ(ToInteger("-7"), -7);
  EXPECT_EQ(ToInteger("+8x"), 8);
  EXPECT_EQ(ToInteger("\xA3\xAD" "3"), -3);  // full-width minus
  EXPECT_EQ(ToInteger(kFullWidthSpace + "5"), 5);
  EXPECT_EQ(ToInteger("99999999999"), 2147483647);
  EXPECT_EQ(ToInteger("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(ToInteger(-2.9), -2);
  EXPECT_EQ(ToHalfWidth("\xA1\xAB\xA1\xEE\xA1\xEF" + kAh), "~**" + kAh);
  EXPECT_EQ(ToText(-5), "-5");
  EXPECT_EQ(ToText(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(ToByteSet(0x01020304), std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(ToByteSet("ab"), "ab");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankByteSet(-1), "");
  EXPECT_EQ(BlankByteSet(2), std::string(2, '\0'));
  EXPECT_EQ(ByteSetLeft("abc", 5), "abc");
  EXPECT_EQ(ByteSetLeft("abc", -1), "");
  EXPECT_EQ(ByteSetLength(std::string("a\0b", 3)), 3);
  EXPECT_EQ(ByteSetGetData(std::string("ab\0cd", 5), 10), "ab");
  EXPECT_EQ(CharFromCode(0), "");
  EXPECT_EQ(CharFromCode(13), "\r");
  EXPECT_EQ(CharFromCode(0x141), "A");
  EXPECT_EQ(BitOr({static_cast<int>(0x80000000), 0x10, 0x80000}), static_cast<int>(0x80080010));
}

TEST(ConversionsDeathTest, UnknownByteSetKindIsRuntimeError) {
  EXPECT_EXIT(ByteSetGetData("ab", 3), ::testing::ExitedWithCode(255),
              TextToUtf8(T("“欲取出数据的类型”参数值无效")));
}

TEST(TextArrayDeathTest, IndexOutsideArrayIsRuntimeError) {
  TextArray array({"a", "b"});
  EXPECT_EQ(array.At(2), "b");
  EXPECT_EXIT(array.At(3), ::testing::ExitedWithCode(255), "1");
  EXPECT_EXIT(array.At(0), ::testing::ExitedWithCode(255),
              TextToUtf8(T("数组成员引用下标必须大于等于1")));
}

}  // namespace
}  // namespace runtime
