// Code-page conversion at the edges and the fatal runtime error path.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <string>
#include <vector>

#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace runtime {
namespace {

TEST(CodePage, GbkBytesStandUnchanged) {
  EXPECT_EQ(Utf8ToText("中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(TextToUtf8("\xD6\xD0\xCE\xC4"), "中文");
  EXPECT_EQ(T("　"), "\xA1\xA1");
  EXPECT_EQ(Utf8ToText("<a href=\"x\">"), "<a href=\"x\">");
}

TEST(CodePage, CharactersOutsideGbkSurviveTheRoundTrip) {
  const std::string utf8 = "€ 😀 한국어 ①";
  EXPECT_EQ(TextToUtf8(Utf8ToText(utf8)), utf8);
  EXPECT_EQ(Utf8ToText("😀").size(), 4u);  // a four-byte form, not "?"
  EXPECT_EQ(TextToUtf16(Utf8ToText("a中😀")), u"a中😀");
  EXPECT_EQ(Utf16ToText(u"a中"), "a\xD6\xD0");
}

TEST(CodePage, MalformedUtf8BecomesReplacementCharacter) {
  EXPECT_EQ(TextToUtf8(Utf8ToText("a\xFF" "b")), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(TextToUtf8(Utf8ToText("\xE4\xB8")), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToText(""), "");
}

// ICU's conversion of the whole of bytes from one code page into another.
std::string IcuConversion(const char* to, const char* from, const std::string& bytes) {
  UErrorCode status = U_ZERO_ERROR;
  const auto length = static_cast<int32_t>(bytes.size());
  std::string out(static_cast<std::size_t>(ucnv_convert(to, from, nullptr, 0, bytes.data(), length, &status)), '\0');
  status = U_ZERO_ERROR;
  ucnv_convert(to, from, out.data(), static_cast<int32_t>(out.size()), bytes.data(), length, &status);
  return out;
}

// Every character of three UTF-8 bytes, in order: a run far longer than a conversion's buffer,
// of characters of two and of four bytes in the program's code page.
std::string EveryThreeByteCharacter() {
  std::string utf8;
  for (char32_t c = 0x800; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    utf8 += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return utf8;
}

// The tables give what ICU gives, around every kind of character and every kind of fault.
TEST(CodePage, ConvertsAsIcuConvertsTheWhole) {
  const std::vector<std::string> utf8 = {
      "<a>中文</a>", "é ü ©", "€ 😀 한국어 ①", "a\xFF" "b", "\xE4\xB8<", "\xE4\xB8", "\xED\xA0\x80x",
      "\xF0\x9F\x98x\xC2", "\xEF\xBF\xBD\xEF\xBF\xBE", "\xE0\x80\x80 \xC0\xAF", EveryThreeByteCharacter()};
  for (const std::string& bytes : utf8) {
    EXPECT_EQ(Utf8ToText(bytes), IcuConversion("GB18030", "UTF-8", bytes)) << bytes;
  }
  const std::vector<std::string> texts = {
      "\xD6\xD0\xCE\xC4<b>", "\x81\x40\xFE\xFE\xA1\xA1", "\x81\x30\x81\x30 \x90\x30\x81\x30",
      "\xFE\x39\xFE(", "\x81<\x80\xFF\x81", "\x81\x7F\x81\x30\x81", "\x84\x31\xA4\x37 9"};
  for (const std::string& bytes : texts) {
    EXPECT_EQ(TextToUtf8(bytes), IcuConversion("UTF-8", "GB18030", bytes)) << bytes;
  }
}

TEST(CodePage, TextEndsWithAWholeCharacter) {
  const std::string replacement = "\x84\x31\xA4\x37";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ab", "ab"},
      {"\xD6\xD0", "\xD6\xD0"},
      {"a\xD6", "a" + replacement},
      {"\x81\x30\x81\x30", "\x81\x30\x81\x30"},
      {"\x81\x30\x81", replacement},
      {"x\x81\x30", "x" + replacement},
      {"\xD6\xD0" "7", "\xD6\xD0" "7"},
      {"\x80\xD6", "\x80" + replacement},
      {"", ""},
  };
  for (const auto& [text, whole] : cases) EXPECT_EQ(EndWithWholeCharacter(text), whole) << text;
}

TEST(RuntimeErrorBox, TextIsBuiltFromItsPieces) {
  EXPECT_EQ(RuntimeErrorBoxText(RuntimeErrorMessage(1), 1),
            T("运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"));
  EXPECT_EQ(RuntimeErrorBoxText("", 0), T("运行时出错!\r\n\r\n"));
  EXPECT_EQ(RuntimeErrorBoxText("x", 0), T("运行时出错!\r\n\r\n错误信息：x\r\n"));
  EXPECT_EQ(RuntimeErrorMessage(6), T("调用DLL命令后发现堆栈错误"));
  EXPECT_EQ(RuntimeErrorMessage(11), T("所提供参数的数据类型不符合要求"));
  EXPECT_EQ(RuntimeErrorMessage(0), "");
  EXPECT_EQ(RuntimeErrorMessage(12), "");
}

int cleanupRuns = 0;
void CountCleanup() {
  ++cleanupRuns;
  std::fprintf(stderr, "cleanup ran %d\n", cleanupRuns);
}

TEST(RuntimeErrorDeathTest, ReportShowsBoxRunsCleanupOnceAndExitsMinusOne) {
  EXPECT_EXIT(
      {
        RegisterCleanup(CountCleanup);
        RegisterCleanup(CountCleanup);
        RaiseRuntimeError(1);
      },
      ::testing::ExitedWithCode(255),
      "错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\ncleanup ran 1\n$");
  EXPECT_EXIT(
      {
        RegisterCleanup(CountCleanup);
        RegisterCleanup(CountCleanup);
        EndProgram(0);
      },
      ::testing::ExitedWithCode(0), "^cleanup ran 1\n$");
}

TEST(RuntimeErrorDeathTest, PresenterReceivesTheBoxText) {
  EXPECT_EXIT(
      {
        SetErrorPresenter([](const Text& box) {
          std::fprintf(stderr, "presented %zu bytes\n", box.size());
        });
        ReportRuntimeError("", 0);
      },
      ::testing::ExitedWithCode(255), "presented 15 bytes");
}

TEST(RuntimeErrorDeathTest, AllocationFailureIsReportedWithItsSize) {
  EXPECT_EXIT(
      {
        void* block = ::operator new(std::size_t(1) << 46);
        std::fprintf(stderr, "%p", block);
      },
      ::testing::ExitedWithCode(255), "分配 70368744177664 字节内存失败!");
}

}  // namespace
}  // namespace runtime
