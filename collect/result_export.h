// The export of the result list as HTML table rows or separator-joined lines.
#pragma once

#include <functional>

#include "runtime/text.h"

namespace collect {

// Rows 0..rowCount-1 with columns 1..columnCount-1 (column 0, the whole match, is left out).
// An empty separator gives "<tr><td>..</td>..</tr>" rows; otherwise cells joined by it. Every row
// ends with CR LF. Cell texts are copied as they are, except that an incomplete character at the
// end of a cell becomes U+FFFD, so no cell ever merges with the text after it.
runtime::Text FormatExport(int rowCount, int columnCount,
                           const std::function<runtime::Text(int row, int column)>& cell,
                           const runtime::Text& separator);

}  // namespace collect
