// Pages that arrive in UTF-8, turned into texts of the program's code page.
#include "web/utf8_text.h"

#include <string_view>

#include "runtime/code_page.h"

namespace web {

runtime::Text Utf8BytesToText(const runtime::ByteSet& bytes) {
  // A zero byte decodes to U+0000 and encodes to a zero byte, where the text would end anyway:
  // stopping there first spares converting the rest.
  std::string_view content(bytes);
  return runtime::Utf8ToText(content.substr(0, content.find('\0')));
}

}  // namespace web
