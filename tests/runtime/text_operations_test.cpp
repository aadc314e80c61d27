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
  Case letterCase;
  int expected;
};

class FindTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, GivesFirstPositionOrMinusOne) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindText(c.text, c.search, c.start, c.letterCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTest,
    ::testing::Values(
        FindCase{"Plain", "a/b/c", "/", std::nullopt, Case::Sensitive, 2},
        FindCase{"FromThree", "a/b/c", "/", 3, Case::Sensitive, 4},
        FindCase{"StartZeroIsStart", "a/b/c", "/", 0, Case::Sensitive, 2},
        FindCase{"NegativeStartIsStart", "a/b/c", "/", -5, Case::Sensitive, 2},
        FindCase{"StartBeyondEnd", "a/b/c", "/", 6, Case::Sensitive, -1},
        FindCase{"EmptySearchNonEmptySpan", "abcde", "", 3, Case::Sensitive, 1},
        FindCase{"EmptySearchEmptyText", "", "", std::nullopt, Case::Sensitive, -1},
        FindCase{"EmptySearchEmptySpan", "abc", "", 4, Case::Sensitive, -1},
        FindCase{"CaseInsensitive", "Set-Cookie: a", "set-cookie", std::nullopt, Case::Insensitive, 1},
        FindCase{"CaseSensitiveByDefault", "Set-Cookie: a", "set-cookie", std::nullopt, Case::Sensitive, -1},
        FindCase{"NotOnSecondByte", "\x81\x41", "A", std::nullopt, Case::Sensitive, -1},
        FindCase{"AfterDoubleByte", "\x81\x41" "A", "A", std::nullopt, Case::Sensitive, 3},
        FindCase{"SecondByteFoldedToo", "\x81\x41" "x", "\x81" "a", std::nullopt, Case::Insensitive, 1},
        FindCase{"MisalignedThenAligned", "\xB0\xA1\xB0\xA1\xA1\xB0", "\xA1\xB0", std::nullopt, Case::Sensitive, 5},
        FindCase{"OnlyMisaligned", "\xB0\xA1\xB0\xA1", "\xA1\xB0", std::nullopt, Case::Sensitive, -1},
        FindCase{"AlignedAfterLongRun", "\xB0\xA1\xB0\xA1\xD6\xD0", "\xD6\xD0", std::nullopt, Case::Sensitive, 5},
        FindCase{"StartOnSecondByteCountsAsBoundary", "\x81\x41", "A", 2, Case::Sensitive, 2},
        FindCase{"LoneLeadAtEndStillCompared", "ab\x81", "\x81", std::nullopt, Case::Sensitive, 3},
        FindCase{"SearchLongerThanText", "ab", "abc", std::nullopt, Case::Sensitive, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaseDefaults, FindingTellsCaseApartReplacingFoldsIt) {
  EXPECT_EQ(FindText("Set-Cookie: a", "set-cookie"), -1);
  EXPECT_EQ(FindTextReverse("ABC", "b"), -1);
  EXPECT_EQ(ReplaceSubtext("SET-COOKIE: a", "set-cookie", Text("X")), "X: a");
}

TEST(FindTextReverse, LastOccurrenceEndingWithinSpan) {
  EXPECT_EQ(FindTextReverse("a.b.c", "."), 4);
  EXPECT_EQ(FindTextReverse("a.b.c", ".", 4), 2);
  EXPECT_EQ(FindTextReverse("a.b.c", ".", 1), -1);
  EXPECT_EQ(FindTextReverse("a.b.c", "x"), -1);
  EXPECT_EQ(FindTextReverse("aaa", "aa"), 2);  // overlapping candidates are all considered
  EXPECT_EQ(FindTextReverse("\x81\x41" "A\x81\x41", "A"), 3);
  EXPECT_EQ(FindTextReverse("host:8080:90", ":"), 10);
  EXPECT_EQ(FindTextReverse("ABC", "b", std::nullopt, Case::Insensitive), 2);
}

TEST(Cutting, ClampsPositionsAndCounts) {
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
  Case letterCase;
  Text expected;
};

class ReplaceSubtextTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceSubtextTest, Replaces) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceSubtext(c.text, c.search, c.replacement, c.start, c.count, c.letterCase),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceSubtextTest,
    ::testing::Values(
        ReplaceCase{"NeverOverlaps", "aaa", "aa", "b", std::nullopt, std::nullopt, Case::Sensitive, "ba"},
        ReplaceCase{"CountOne", "x.y.z", ".", "-", std::nullopt, 1, Case::Sensitive, "x-y.z"},
        ReplaceCase{"FromThree", "x.y.z", ".", "-", 3, std::nullopt, Case::Sensitive, "x.y-z"},
        ReplaceCase{"NegativeCountIsAll", "x.y.z", ".", "-", std::nullopt, -3, Case::Sensitive, "x-y-z"},
        ReplaceCase{"ZeroCountUnchanged", "x.y.z", ".", "-", std::nullopt, 0, Case::Sensitive, "x.y.z"},
        ReplaceCase{"StartBeyondEnd", "x.y", ".", "-", 4, std::nullopt, Case::Sensitive, "x.y"},
        ReplaceCase{"AbsentReplacementRemoves", "a\r\nb\r\n", "\r\n", std::nullopt, std::nullopt, std::nullopt, Case::Sensitive, "ab"},
        ReplaceCase{"CaseFoldedWhenNotSensitive", "set-cookie: a", "Set-Cookie", "Set-Cookie", std::nullopt, std::nullopt, Case::Insensitive, "Set-Cookie: a"},
        ReplaceCase{"CaseSensitiveKeepsOtherCase", "[VAR][var]", "[var]", "(.*?)", std::nullopt, std::nullopt, Case::Sensitive, "[VAR](.*?)"},
        ReplaceCase{"ReplacementNotSearchedAgain", "ab", "a", "aa", std::nullopt, std::nullopt, Case::Sensitive, "aab"},
        ReplaceCase{"NotOnSecondByte", "\x81\x41" "A", "A", "z", std::nullopt, std::nullopt, Case::Sensitive, "\x81\x41z"},
        ReplaceCase{"HalvesDoubleSpaces", "a    b   c  d e", "  ", " ", std::nullopt, std::nullopt, Case::Sensitive, "a  b  c d e"},
        ReplaceCase{"EmptySearchUnchanged", "abc", "", "x", std::nullopt, std::nullopt, Case::Sensitive, "abc"},
        ReplaceCase{"DoubleByteUnits", "\xB0\xA1\xB0\xA1", "\xA1\xB0", "!", std::nullopt, std::nullopt, Case::Sensitive, "\xB0\xA1\xB0\xA1"},
        ReplaceCase{"LoneLeadAtEndCopied", "a.b\xB0", ".", "-", std::nullopt, std::nullopt, Case::Sensitive, "a-b\xB0"}),
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

TEST(Conversions, TextsAndNumbers) {
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
