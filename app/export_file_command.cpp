// Exporting the result list to a file.
#include "app/export_file_command.h"

#include <QDir>
#include <QFile>

#include "app/file_choice.h"
#include "app/main_window_controls.h"
#include "app/qt_controls.h"
#include "app/qt_text.h"
#include "app/report_list_view.h"
#include "app/status_messages.h"
#include "collect/file_export.h"
#include "collect/file_io.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"

namespace app {
namespace {

using runtime::Text;
using runtime::Window;

constexpr int kWarningIconOk = 0x30;

// The result list of the main window, for the captions of its columns.
const runtime::ReportList& ResultList() {
  auto& controls = dynamic_cast<QtControls&>(runtime::Controls());
  return controls.WindowOf(Window::MainWindow)->WidgetAs<ReportListView>(Control::kResultList)->List();
}

}  // namespace

void ExportToFile() {
  const QString path = ChooseFileToSave(
      {QStringLiteral("导出到文件"),
       QStringLiteral("CSV (*.csv);;TSV (*.tsv);;JSON Lines (*.jsonl);;HTML (*.html *.htm);;文本 (*.txt)")});
  if (path.isEmpty()) return;
  const runtime::ReportList& list = ResultList();
  collect::ResultTable table;
  std::vector<Text> captions;
  for (int column = 0; column < list.ColumnCount(); ++column) captions.push_back(list.Column(column).caption);
  table.AddColumns(captions);
  std::vector<collect::Record> rows(static_cast<std::size_t>(list.ItemCount()));
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (int column = 0; column < list.ColumnCount(); ++column) {
      rows[row].cells.push_back(list.GetItemText(static_cast<int>(row), column));
    }
  }
  table.AddRows(rows);
  const std::string bytes =
      collect::FormatFileExport(collect::ExportFormatFromExtension(path.toStdString()), table,
                                runtime::ReadText(Window::MainWindow, Control::kSeparator));
  const Text shown = FromQString(QDir::toNativeSeparators(path));
  if (const std::string fault = collect::ReplaceFileContent(QFile::encodeName(path).toStdString(), bytes);
      !fault.empty()) {
    runtime::MessageBox(runtime::T("无法导出到文件 “") + shown + runtime::T("”：") + runtime::Utf8ToText(fault),
                        kWarningIconOk);
    return;
  }
  ShowStatusMessage(collect::ExportedToFileMessage(shown));
}

}  // namespace app
