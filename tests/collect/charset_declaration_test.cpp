// The charset a page declares in its headers or its meta elements, and the warning it leads to.
#include <gtest/gtest.h>

#include <string>

#include "collect/charset_declaration.h"
#include "runtime/code_page.h"

namespace collect {
namespace {

struct DeclarationCase {
  const char* name;
  std::string headers;
  std::string body;
  DeclaredCharset expected;
};

std::string Headers(const std::string& lines) { return "HTTP/1.1 200 OK\r\n" + lines + "\r\n"; }

TEST(DeclaredPageCharset, HeaderFirstThenMetaInTheFirstKilobytes) {
  const DeclarationCase cases[] = {
      {"header", Headers("Content-Type: text/html; charset=UTF-8\r\n"), "", DeclaredCharset::Utf8},
      {"quoted header value", Headers("content-type: text/html;charset=\"gb2312\"\r\n"), "",
       DeclaredCharset::Gbk},
      {"header over meta", Headers("Content-Type: text/html; charset=GB18030\r\n"),
       "<meta charset=\"utf-8\">", DeclaredCharset::Gbk},
      {"other header", Headers("X-Content-Type: text/html; charset=utf-8\r\n"), "",
       DeclaredCharset::None},
      {"unknown charset", Headers("Content-Type: text/html; charset=iso-8859-1\r\n"), "",
       DeclaredCharset::Other},
      {"meta charset", Headers("Content-Type: text/html\r\n"), "<head><meta charset=\"gbk\">",
       DeclaredCharset::Gbk},
      {"meta charset single-quoted", "", "<meta charset='utf-8'/>", DeclaredCharset::Utf8},
      {"http-equiv", "",
       "<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf8\">",
       DeclaredCharset::Utf8},
      {"unquoted http-equiv", "", "<meta http-equiv=content-type content='text/html;charset=GBK'>",
       DeclaredCharset::Gbk},
      {"content without http-equiv", "", "<meta name=\"x\" content=\"charset=utf-8\">",
       DeclaredCharset::None},
      {"meta in a comment", "", "<!-- <meta charset=\"utf-8\"> --><meta charset=gb2312>",
       DeclaredCharset::Gbk},
      {"not a meta element", "", "<metadata charset=\"utf-8\">", DeclaredCharset::None},
      {"meta too far down", "", std::string(kCharsetScanBytes, ' ') + "<meta charset=\"utf-8\">",
       DeclaredCharset::None},
      {"nothing declared", Headers("Content-Type: text/html\r\n"), "<html><head></head>",
       DeclaredCharset::None},
  };
  for (const DeclarationCase& c : cases) {
    EXPECT_EQ(DeclaredPageCharset(c.headers, c.body), c.expected) << c.name;
  }
}

TEST(CharsetWarning, OnlyWhenTheReadingContradictsTheDeclaration) {
  EXPECT_EQ(CharsetWarning(DeclaredCharset::Utf8, true),
            runtime::T("页面声明编码为 UTF-8，但按 GBK 读取"));
  EXPECT_EQ(CharsetWarning(DeclaredCharset::Gbk, false),
            runtime::T("页面声明编码为 GBK，但按 UTF-8 读取"));
  EXPECT_EQ(CharsetWarning(DeclaredCharset::Utf8, false), "");
  EXPECT_EQ(CharsetWarning(DeclaredCharset::Gbk, true), "");
  EXPECT_EQ(CharsetWarning(DeclaredCharset::Other, true), "");
  EXPECT_EQ(CharsetWarning(DeclaredCharset::None, false), "");
}

}  // namespace
}  // namespace collect
