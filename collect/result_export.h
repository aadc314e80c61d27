// The export of the result table as HTML table rows or separator-joined lines.
#pragma once

#include "collect/result_table.h"
#include "runtime/text.h"

namespace collect {

// Every row with columns 1..ColumnCount()-1 (column 0, the whole match, is left out). An empty
// separator gives "<tr><td>..</td>..</tr>" rows; otherwise cells joined by it. Every row ends with
// CR LF. Cell texts are copied as they are, except that an incomplete character at the end of a
// cell becomes U+FFFD, so no cell ever merges with the text after it.
runtime::Text FormatExport(const ResultTable& table, const runtime::Text& separator);

}  // namespace collect
