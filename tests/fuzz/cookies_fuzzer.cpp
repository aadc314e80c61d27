// Fuzz target: the cookies sent merged with those a server set, and the item routines the merge
// uses. Input: sent cookies, 0x01, server's cookies, 0x01, a separator for RemoveRepeatedItems.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/text_operations.h"
#include "tests/fuzz/fuzz_support.h"
#include "web/cookies.h"

namespace {

using runtime::Text;
using runtime::TextArray;

// How many items have the name.
int NameCount(const TextArray& items, const Text& name) {
  int count = 0;
  for (const Text& item : items.Items()) count += web::CookieName(item) == name ? 1 : 0;
  return count;
}

// For ASCII cookies, where no byte can hide in a double-byte character: the merged items are
// distinct, none is deleted, every server item is there, and so is every sent cookie whose name
// the server did not mention (when only one sent item has that name: the first item of a name
// stands for all that follow, deleted or not). An empty item is no cookie and may go.
void CheckMerged(const Text& sent, const Text& set, const Text& merged) {
  const TextArray items = runtime::SplitText(merged, Text("; "));
  for (int i = 1; i <= items.Count(); ++i) {
    fuzz::Require(web::IndexOfText(items, items.At(i)) == i, "no item is repeated");
    fuzz::Require(!items.At(i).ends_with("=deleted"), "no deleted item is kept");
    fuzz::Require(items.At(i).find(' ') == Text::npos, "no item keeps a space");
  }
  const TextArray setItems = runtime::SplitText(runtime::RemoveAllSpaces(set), Text(";"));
  for (const Text& item : setItems.Items()) {
    if (item.empty() || item.ends_with("=deleted")) continue;
    fuzz::Require(web::IndexOfText(items, item) != -1, "every item the server set is kept");
  }
  const TextArray sentItems = runtime::SplitText(runtime::RemoveAllSpaces(sent), Text(";"));
  for (const Text& item : sentItems.Items()) {
    const Text name = web::CookieName(item);
    if (item.empty() || item.ends_with("=deleted") || NameCount(sentItems, name) > 1) continue;
    if (web::CookieListHasName(setItems, name)) continue;
    fuzz::Require(web::CookieListHasName(items, name),
                  "a cookie the server did not name is still sent");
  }
}

}  // namespace

// One pair of cookie texts merged, and the item routines on the fuzzed texts.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> fields = fuzz::SplitFields(fuzz::InputBytes(data, size));
  const Text sent = fuzz::FieldAt(fields, 0);
  const Text set = fuzz::FieldAt(fields, 1);
  const Text separator = fuzz::FieldAt(fields, 2);

  Text oldCookies = sent;
  Text newCookies = set;
  const Text merged = web::MergeCookies(oldCookies, newCookies);
  fuzz::Require(merged == oldCookies, "the merge is left in the sent cookies");
  fuzz::Require(newCookies == runtime::RemoveAllSpaces(set), "the server's cookies lose spaces");
  if (fuzz::IsAscii(sent) && fuzz::IsAscii(set)) CheckMerged(sent, set, merged);

  const Text unique = web::RemoveRepeatedItems(sent, separator);
  fuzz::Require(unique.size() <= sent.size(), "removing repeats never lengthens");
  const TextArray pieces = runtime::SplitText(set, separator);
  for (const Text& piece : pieces.Items()) {
    fuzz::Require(web::CookieName(piece).size() <= piece.size(), "a name is part of its item");
  }
  return 0;
}
