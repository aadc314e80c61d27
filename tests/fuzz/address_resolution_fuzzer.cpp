// Fuzz target: a link of a page made absolute against the page's address. Input: the page's
// address and the link, separated by fuzz::kFieldSeparator.
#include <cstddef>
#include <cstdint>

#include "runtime/text.h"
#include "tests/fuzz/fuzz_support.h"
#include "web/address_resolution.h"
#include "web/character_references.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> fields = fuzz::SplitFields(fuzz::InputBytes(data, size));
  const runtime::Text page = fuzz::FieldAt(fields, 0);
  const runtime::Text link = fuzz::FieldAt(fields, 1);

  // A target with an authority whose dot segments were removed reads back as itself. (An empty
  // reference keeps the base's path as it is, dot segments included.)
  const runtime::Text target = web::ResolveReference(page, web::ResolveReference(page, link));
  const std::size_t colon = target.find(':');
  if (colon != runtime::Text::npos && target.compare(colon, 3, "://") == 0) {
    fuzz::Require(web::ResolveReference(page, target) == target, "a resolved target resolves to itself");
  }
  const runtime::Text address = web::LinkAddress(page, link);
  fuzz::Require(address.find('#') == runtime::Text::npos, "a link's address has no fragment");
  if (page.find_first_of("\t\r\n") == runtime::Text::npos) {
    fuzz::Require(address.find_first_of("\t\r\n") == runtime::Text::npos,
                  "a link's tabs and line breaks are left out");
  }
  if (link.find('&') == runtime::Text::npos) {
    fuzz::Require(web::DecodeCharacterReferences(link) == link, "a text without & has no reference");
  }
  return 0;
}
