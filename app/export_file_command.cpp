// Exporting the result list to a file.
#include "app/export_file_command.h"

#include <QDir>
#include <QSaveFile>

#include "app/file_choice.h"
#include "app/main_window_controls.h"
#include "app/qt_controls.h"
#include "app/qt_text.h"
#include "app/report_list_view.h"
#include "app/status_messages.h"
#include "collect/file_export.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"

namespace app {
namespace {

using runtime::Text;
using runtime::Window;

constexpr int kWarningIconOk = 0x30;

// Writes bytes aside and renames them over path; the fault's description, or empty on success.
QString WriteFileBytes(const QString& path, const std::string& bytes) {
  QSaveFile file(path);
  const auto size = static_cast<qint64>(bytes.size());
  if (file.open(QIODevice::WriteOnly) && file.write(bytes.data(), size) == size && file.commit()) {
    return {};
  }
  return file.errorString();
}

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
  collect::ExportTable table;
  table.rowCount = runtime::ListView::GetItemCount(Window::MainWindow, Control::kResultList);
  table.columnCount = runtime::ListView::GetColumnCount(Window::MainWindow, Control::kResultList);
  table.cell = [](int row, int column) {
    return runtime::ListView::GetItemText(Window::MainWindow, Control::kResultList, row, column);
  };
  table.caption = [&list](int column) { return list.Column(column).caption; };
  const std::string bytes =
      collect::FormatFileExport(collect::ExportFormatFromExtension(path.toStdString()), table,
                                runtime::ReadText(Window::MainWindow, Control::kSeparator));
  const Text shown = FromQString(QDir::toNativeSeparators(path));
  if (const QString fault = WriteFileBytes(path, bytes); !fault.isEmpty()) {
    runtime::MessageBox(runtime::T("无法导出到文件 “") + shown + runtime::T("”：") + FromQString(fault),
                        kWarningIconOk);
    return;
  }
  ShowStatusMessage(runtime::T("已导出至 ") + shown);
}

}  // namespace app
