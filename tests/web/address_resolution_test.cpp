// Links made absolute: the examples of RFC 3986 section 5.4, character references, and the
// trimming a browser does before it resolves a link.
#include <gtest/gtest.h>

#include "runtime/code_page.h"
#include "web/address_resolution.h"
#include "web/character_references.h"

namespace {

using runtime::T;

struct Resolution {
  const char* reference;
  const char* target;
};

TEST(ResolveReference, ExamplesOfTheStandard) {
  const Resolution cases[] = {
      // Normal examples.
      {"g:h", "g:h"}, {"g", "http://a/b/c/g"}, {"./g", "http://a/b/c/g"}, {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"}, {"//g", "http://g"}, {"?y", "http://a/b/c/d;p?y"}, {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"}, {"g#s", "http://a/b/c/g#s"}, {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"}, {"g;x", "http://a/b/c/g;x"}, {"g;x?y#s", "http://a/b/c/g;x?y#s"},
      {"", "http://a/b/c/d;p?q"}, {".", "http://a/b/c/"}, {"./", "http://a/b/c/"}, {"..", "http://a/b/"},
      {"../", "http://a/b/"}, {"../g", "http://a/b/g"}, {"../..", "http://a/"}, {"../../", "http://a/"},
      {"../../g", "http://a/g"},
      // Abnormal examples, the strict parser's answers.
      {"../../../g", "http://a/g"}, {"../../../../g", "http://a/g"}, {"/./g", "http://a/g"},
      {"/../g", "http://a/g"}, {"g.", "http://a/b/c/g."}, {".g", "http://a/b/c/.g"}, {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"}, {"./../g", "http://a/b/g"}, {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"}, {"g/../h", "http://a/b/c/h"}, {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"}, {"g?y/./x", "http://a/b/c/g?y/./x"}, {"g?y/../x", "http://a/b/c/g?y/../x"},
      {"g#s/./x", "http://a/b/c/g#s/./x"}, {"g#s/../x", "http://a/b/c/g#s/../x"}, {"http:g", "http:g"},
  };
  for (const Resolution& c : cases) EXPECT_EQ(web::ResolveReference("http://a/b/c/d;p?q", c.reference), c.target) << c.reference;
}

struct Link {
  const char* page;
  std::string link;
  std::string address;
};

TEST(LinkAddress, AsABrowserRequestsIt) {
  const Link cases[] = {
      {"http://h/list/2.html", "3.html", "http://h/list/3.html"},
      {"http://h/list/2.html", "../news/7.html#top", "http://h/news/7.html"},
      {"http://h/list.php?p=2", "?p=3&amp;sort=new", "http://h/list.php?p=3&sort=new"},
      {"http://h/list.php?p=2", "?p=3&#38;a=1&#x26;b=2&#X26;c", "http://h/list.php?p=3&a=1&b=2&c"},
      {"https://h:8443/a/b", "//cdn.h/x", "https://cdn.h/x"},
      {"http://h/a", "HTTPS://Other/Y?Z", "HTTPS://Other/Y?Z"},
      {"http://h/a/b", " \t/c/\r\nd.html  ", "http://h/c/d.html"},
      {"www.h.com/a/b.html", "c.html", "http://www.h.com/a/c.html"},
      {"h.com:81/a/b.html", "c.html", "http://h.com:81/a/c.html"},
      {"HTTP://H/a/b", "c", "HTTP://H/a/c"},
      {"http://h/a", "javascript:void(0)", "javascript:void(0)"},
      {"http://h/新闻/列表.html", T("详情/1.html"), T("http://h/新闻/详情/1.html")},
      {"http://h/a", "#only", "http://h/a"},
      {"http://h/a/./b/../c.html", "?p=2", "http://h/a/c.html?p=2"},
      {"http://h/a", "  ", ""},
      {"http://h/a", "", ""},
  };
  for (const Link& c : cases) EXPECT_EQ(web::LinkAddress(T(c.page), c.link), c.address) << c.link;
}

TEST(CharacterReferences, DecodedAsInAnAttribute) {
  const std::pair<std::string, std::string> cases[] = {
      {"a&amp;b", "a&b"}, {"&#38;&#x26;&#X26;", "&&&"}, {"&#38x", "&x"}, {"&lt;&gt;&quot;&apos;", "<>\"'"},
      {"&#26631;&#x9898;", "标题"}, {"&nbsp;", "\u00A0"}, {"&#0;&#xD800;&#x110000;&#99999999999;", "\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"?a=1&copy=2", "?a=1&copy=2"}, {"&amp", "&amp"}, {"&#;&#x;&", "&#;&#x;&"}, {"&&amp;&", "&&&"},
      {"标&amp;题", "标&题"},
  };
  for (const auto& [text, decoded] : cases) {
    EXPECT_EQ(runtime::TextToUtf8(web::DecodeCharacterReferences(T(text))), decoded) << text;
  }
}

}  // namespace
