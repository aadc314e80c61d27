// The steps from body to page text.
#include "collect/page_text.h"

#include <algorithm>
#include <optional>

#include "runtime/text_operations.h"
#include "web/text_between.h"
#include "web/utf8_text.h"

namespace collect {

using runtime::Text;

namespace {

void NormaliseInPlace(Text& text) {
  runtime::ReplaceSubtextInPlace(text, "\n", "");
  runtime::ReplaceSubtextInPlace(text, "\r", "");
  runtime::ReplaceSubtextInPlace(text, "\t", "");
  runtime::ReplaceSubtextInPlace(text, "  ", " ");
}

void CutInPlace(Text& page, const Text& before, const Text& after) {
  if (before.empty() || after.empty()) return;
  std::optional<web::TextSpan> span = web::FindTextBetween(page, before, after);
  if (!span) {
    page.clear();
    return;
  }
  page.resize(span->start + span->length);
  page.erase(0, span->start);
}

}  // namespace

Text PreparePageText(runtime::ByteSet&& body, bool gbk, const Text& before, const Text& after) {
  Text page;
  if (gbk) {
    page = std::move(body);
    page.resize(std::min(page.size(), page.find('\0')));
  } else {
    page = web::Utf8BytesToText(body);
    runtime::ByteSet().swap(body);
  }
  CutInPlace(page, before, after);
  NormaliseInPlace(page);
  return page;
}

}  // namespace collect
