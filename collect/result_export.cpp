// The export of the result list.
#include "collect/result_export.h"

#include "collect/main_window_controls.h"
#include "collect/status_messages.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"

namespace collect {

runtime::Text FormatExport(int rowCount, int columnCount,
                           const std::function<runtime::Text(int row, int column)>& cell,
                           const runtime::Text& separator) {
  bool tableMode = separator.empty();
  const runtime::Text rowStart = tableMode ? "<tr>" : "";
  const runtime::Text cellStart = tableMode ? "<td>" : "";
  const runtime::Text cellEnd = tableMode ? "</td>" : separator;
  const runtime::Text rowEnd = tableMode ? "</tr>\r\n" : "\r\n";
  runtime::Text out;
  for (int row = 0; row < rowCount; ++row) {
    out += rowStart;
    for (int column = 1; column < columnCount; ++column) {
      out += cellStart;
      // A cell that ends inside a character must not swallow the first byte of what follows it.
      out += runtime::EndWithWholeCharacter(cell(row, column));
      if (column < columnCount - 1 || tableMode) out += cellEnd;
    }
    out += rowEnd;
  }
  return out;
}

void ExportResults() {
  using runtime::Window;
  int rowCount = runtime::ListView::GetItemCount(Window::MainWindow, Control::kResultList);
  int columnCount = runtime::ListView::GetColumnCount(Window::MainWindow, Control::kResultList);
  runtime::Text separator = runtime::ReadText(Window::MainWindow, Control::kSeparator);
  runtime::Text out = FormatExport(
      rowCount, columnCount,
      [](int row, int column) {
        return runtime::ListView::GetItemText(Window::MainWindow, Control::kResultList, row, column);
      },
      separator);
  runtime::WriteProperty(Window::MainWindow, Control::kPageText, runtime::Property::kContent, out);
  runtime::SetClipboardText(out);
  ShowStatusMessage(runtime::T("已导出至右方编辑框成功，并已请复制内容！"));
}

}  // namespace collect
