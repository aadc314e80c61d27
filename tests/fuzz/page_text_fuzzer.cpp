// Fuzz target: a downloaded body turned into page text, cut between markers and cleaned in place
// as the collection run does it, against the same steps made one copy at a time; and the marker
// routine with a start position and case folding.
// Input: body, 0x01, before marker, 0x01, after marker; the last bytes choose gbk, the start and
// the case folding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "collect/page_text.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "tests/fuzz/fuzz_support.h"
#include "web/text_between.h"
#include "web/utf8_text.h"

namespace {

using runtime::Text;

// Every byte with A-Z lowered, as the case-insensitive search compares them.
Text FoldEveryByte(Text text) {
  for (char& byte : text) {
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<char>(byte - 'A' + 'a');
  }
  return text;
}

// A marker that cannot stand for a double quote is searched for as it is.
bool IsPlainMarker(const Text& marker) { return marker.find('#') == Text::npos; }

// Both markers plain: a non-empty cut is found in the text with the markers around it.
void CheckCut(const Text& text, const Text& before, const Text& after, const Text& cut) {
  if (cut.empty() || !IsPlainMarker(before) || !IsPlainMarker(after)) return;
  fuzz::Require(text.find(before + cut + after) != Text::npos,
                "the cut stands between the two markers in the page");
}

void CheckPageText(const Text& body, bool gbk, const Text& page) {
  const std::string_view content = fuzz::BeforeZero(body);
  if (gbk) {
    fuzz::Require(page == content, "a gbk body is the page text up to its first zero byte");
  } else if (fuzz::IsWellFormedUtf8(content)) {
    fuzz::Require(runtime::TextToUtf8(page) == content, "a UTF-8 body survives the page text");
  }
}

void CheckNormalised(const Text& cut, const Text& normalised) {
  fuzz::Require(normalised.size() <= cut.size(), "cleaning never lengthens the text");
  if (!fuzz::IsAscii(cut)) return;
  fuzz::Require(normalised.find_first_of("\r\n\t") == Text::npos,
                "no line break or tab is left in an ASCII page");
}

// The page text as the run's steps describe it, each step a copy of its own: decoded, cut when
// both markers are given, line breaks and tabs removed, pairs of spaces halved.
Text ReferencePageText(const Text& page, const Text& before, const Text& after) {
  Text text = before.empty() || after.empty() ? page : web::TextBetween(page, before, after);
  for (const char* gone : {"\n", "\r", "\t"}) {
    text = runtime::ReplaceSubtext(text, gone, Text(), std::nullopt, std::nullopt, runtime::Case::Sensitive);
  }
  return runtime::ReplaceSubtext(text, "  ", Text(" "), std::nullopt, std::nullopt, runtime::Case::Sensitive);
}

}  // namespace

// One body and marker pair through the page-text steps and TextBetween.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const bool gbk = provider.ConsumeBool();
  const bool caseInsensitive = provider.ConsumeBool();
  const int start = provider.ConsumeIntegralInRange<int>(-2, 4200);
  const std::vector<std::string> fields =
      fuzz::SplitFields(provider.ConsumeRemainingBytesAsString());
  const Text body = fuzz::FieldAt(fields, 0);
  const Text before = fuzz::FieldAt(fields, 1);
  const Text after = fuzz::FieldAt(fields, 2);

  const Text page = gbk ? runtime::ToText(body) : web::Utf8BytesToText(body);
  CheckPageText(body, gbk, page);
  const Text prepared = collect::PreparePageText(Text(body), gbk, before, after);
  fuzz::Require(prepared == ReferencePageText(page, before, after),
                "the page made in place is the page the steps make one copy at a time");
  CheckNormalised(page, collect::PreparePageText(Text(body), gbk, "", ""));

  const Text between = web::TextBetween(page, before, after, start,
                                         caseInsensitive ? runtime::Case::Insensitive : runtime::Case::Sensitive);
  if (caseInsensitive) {
    CheckCut(FoldEveryByte(page), FoldEveryByte(before), FoldEveryByte(after),
             FoldEveryByte(between));
  } else {
    CheckCut(page, before, after, between);
  }
  return 0;
}
