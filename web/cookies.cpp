// Cookie texts: merging the cookies sent with those a server set.
#include "web/cookies.h"

#include "runtime/text_operations.h"

namespace web {

using runtime::Text;
using runtime::TextArray;

namespace {

constexpr const char* kDeletedSuffix = "=deleted";
constexpr const char* kOutputSeparator = "; ";

}  // namespace

Text MergeCookies(Text& oldCookies, Text& newCookies) {
  oldCookies = runtime::RemoveAllSpaces(oldCookies);
  newCookies = runtime::RemoveAllSpaces(newCookies);
  TextArray oldItems = runtime::SplitText(oldCookies, Text(";"));
  TextArray items = runtime::SplitText(newCookies, Text(";"));
  for (int i = 1; i <= oldItems.Count(); ++i) {
    if (!CookieListHasName(items, CookieName(oldItems.At(i)))) items.Append(oldItems.At(i));
  }
  oldCookies.clear();
  for (int i = 1; i <= items.Count(); ++i) {
    if (runtime::TextRight(items.At(i), 8) != kDeletedSuffix) oldCookies += items.At(i) + kOutputSeparator;
  }
  oldCookies = runtime::TextLeft(oldCookies, runtime::TextLength(oldCookies) - 2);
  oldCookies = RemoveRepeatedItems(oldCookies, kOutputSeparator);
  return oldCookies;
}

Text CookieName(const Text& item) {
  int equals = runtime::FindText(item, "=");
  return runtime::TrimSpaces(equals == -1 ? item : runtime::TextLeft(item, equals - 1));
}

bool CookieListHasName(const TextArray& items, const Text& name) {
  for (int i = 1; i <= items.Count(); ++i) {
    if (CookieName(items.At(i)) == name) return true;
  }
  return false;
}

Text RemoveRepeatedItems(const Text& text, const Text& separator) {
  TextArray pieces = runtime::SplitText(text, separator);
  TextArray seen;
  Text result;
  for (int i = 1; i <= pieces.Count(); ++i) {
    if (IndexOfText(seen, pieces.At(i)) != -1) continue;
    seen.Append(pieces.At(i));
    result += pieces.At(i) + separator;
  }
  return runtime::TextLeft(result, runtime::TextLength(result) - runtime::TextLength(separator));
}

int IndexOfText(const TextArray& array, const Text& text) {
  for (int i = 1; i <= array.Count(); ++i) {
    if (array.At(i) == text) return i;
  }
  return -1;
}

}  // namespace web
