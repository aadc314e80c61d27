// The export of the result table.
#include "collect/result_export.h"

#include "runtime/code_page.h"

namespace collect {

runtime::Text FormatExport(const ResultTable& table, const runtime::Text& separator) {
  const bool tableMode = separator.empty();
  const runtime::Text rowStart = tableMode ? "<tr>" : "";
  const runtime::Text cellStart = tableMode ? "<td>" : "";
  const runtime::Text cellEnd = tableMode ? "</td>" : separator;
  const runtime::Text rowEnd = tableMode ? "</tr>\r\n" : "\r\n";
  const int columnCount = table.ColumnCount();
  runtime::Text out;
  for (int row = 0; row < table.RowCount(); ++row) {
    out += rowStart;
    for (int column = 1; column < columnCount; ++column) {
      out += cellStart;
      // A cell that ends inside a character must not swallow the first byte of what follows it.
      out += runtime::EndWithWholeCharacter(table.Cell(row, column));
      if (column < columnCount - 1 || tableMode) out += cellEnd;
    }
    out += rowEnd;
  }
  return out;
}

}  // namespace collect
