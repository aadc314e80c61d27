// Cookie merging and its helpers.
#include <gtest/gtest.h>

#include "web/cookies.h"

namespace {

using runtime::Text;
using runtime::TextArray;

struct MergeCase {
  std::string name;
  Text oldCookies;
  Text newCookies;
  Text expected;
};

TEST(MergeCookies, Cases) {
  const std::vector<MergeCase> cases = {
      {"renewed and new first, survivors after", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"deleted disappears", "a=1; sid=x", "sid=deleted", "a=1"},
      {"server set nothing", "a=1", "", "a=1"},
      {"nothing sent", "", "a=1", "a=1"},
      {"both empty", "", "", ""},
      {"spaces go everywhere", "a = 1", "", "a=1"},
      {"inner space of a value goes", "a=x y", "", "a=xy"},
      {"full-width space goes", "a=\xA1\xA1" "1", "", "a=1"},
      {"same name twice from the server stays", "", "a=1; a=2", "a=1; a=2"},
      {"exact repeat dropped", "", "a=1; a=1", "a=1"},
      {"names differ in case", "SID=1", "sid=2", "sid=2; SID=1"},
      {"deletion marker in other case is a value", "", "x=DELETED", "x=DELETED"},
      {"empty item survives once", "a=1;;b=2", "", "a=1; ; b=2"},
      {"old repeats of one name: first survives", "a=1; a=2", "", "a=1"},
      {"item without value", "flag", "", "flag"},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Text oldCookies = c.oldCookies;
    Text newCookies = c.newCookies;
    EXPECT_EQ(web::MergeCookies(oldCookies, newCookies), c.expected);
    EXPECT_EQ(oldCookies, c.expected);
  }
}

TEST(MergeCookies, LeavesTheNewCookiesWithoutSpaces) {
  Text oldCookies = "a=1";
  Text newCookies = " b = 2 ; c=3";
  web::MergeCookies(oldCookies, newCookies);
  EXPECT_EQ(newCookies, "b=2;c=3");
}

TEST(CookieName, Cases) {
  EXPECT_EQ(web::CookieName("sid=abc=def"), "sid");
  EXPECT_EQ(web::CookieName(" name =v"), "name");
  EXPECT_EQ(web::CookieName("flag"), "flag");
  EXPECT_EQ(web::CookieName("=v"), "");
  EXPECT_EQ(web::CookieName(""), "");
}

TEST(CookieListHasName, ComparesNamesExactly) {
  TextArray items({"a=1", "Sid=2", "flag"});
  EXPECT_TRUE(web::CookieListHasName(items, "a"));
  EXPECT_TRUE(web::CookieListHasName(items, "flag"));
  EXPECT_FALSE(web::CookieListHasName(items, "sid"));
  EXPECT_FALSE(web::CookieListHasName(items, "a=1"));
  EXPECT_FALSE(web::CookieListHasName(TextArray(), ""));
}

TEST(RemoveRepeatedItems, Cases) {
  EXPECT_EQ(web::RemoveRepeatedItems("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(web::RemoveRepeatedItems("a,,b,,", ","), "a,,b");
  EXPECT_EQ(web::RemoveRepeatedItems("", "; "), "");
  EXPECT_EQ(web::RemoveRepeatedItems("x", "; "), "x");
}

TEST(IndexOfText, Cases) {
  TextArray items({"a", "", "b", "a"});
  EXPECT_EQ(web::IndexOfText(items, "a"), 1);
  EXPECT_EQ(web::IndexOfText(items, ""), 2);
  EXPECT_EQ(web::IndexOfText(items, "b"), 3);
  EXPECT_EQ(web::IndexOfText(items, "A"), -1);
  EXPECT_EQ(web::IndexOfText(TextArray(), ""), -1);
}

}  // namespace
