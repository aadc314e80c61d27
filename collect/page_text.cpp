// The steps from body to page text.
#include "collect/page_text.h"

#include "runtime/text_operations.h"
#include "web/text_between.h"
#include "web/utf8_text.h"

namespace collect {

using runtime::Text;

Text PageTextFromBody(const runtime::ByteSet& body, bool gbk) {
  return gbk ? runtime::ToText(body) : web::Utf8BytesToText(body);
}

Text CutPage(const Text& page, const Text& before, const Text& after) {
  if (before.empty() || after.empty()) return page;
  return web::TextBetween(page, before, after);
}

Text NormalisePageText(const Text& page) {
  Text text = runtime::ReplaceSubtext(page, "\n");
  text = runtime::ReplaceSubtext(text, "\r");
  text = runtime::ReplaceSubtext(text, "\t");
  return runtime::ReplaceSubtext(text, "  ", Text(" "));
}

}  // namespace collect
