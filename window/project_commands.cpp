// The main window's commands over files: projects opened and saved, the defaults brought back,
// and the list exported to a file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "collect/file_export.h"
#include "collect/file_io.h"
#include "collect/project_file.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "window/control_widgets.h"
#include "window/file_choice.h"
#include "window/main_window.h"
#include "window/qt_text.h"
#include "window/report_list_view.h"

namespace window {
namespace {

constexpr int kWarningIconOk = 0x30;
// A question with the buttons 是 and 否, 否 the default.
constexpr int kQuestionYesNo = 0x20 | 0x04 | 0x100;

FileQuestion ProjectQuestion(const char* caption) {
  return {QString::fromUtf8(caption), QStringLiteral("Pelmo 项目 (*.pelmo.json *.json)")};
}

// A path as the file system takes it.
std::string FileSystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

runtime::Text FileName(const QString& path) { return FromQString(QFileInfo(path).fileName()); }

}  // namespace

void MainWindow::OpenProject() {
  const QString path = ChooseFileToOpen(this, ProjectQuestion("打开项目"));
  if (path.isEmpty()) return;
  const collect::ProjectLoadResult result = collect::LoadProject(FileSystemPath(path));
  if (!result.loaded) {
    boxes_.Show(this, result.message, kWarningIconOk);
    return;
  }
  ShowProject(result.project);
  ShowStatusMessage(collect::ProjectOpenedMessage(FileName(path)));
}

void MainWindow::SaveProjectAs() {
  QString path = ChooseFileToSave(this, ProjectQuestion("保存项目"));
  if (path.isEmpty()) return;
  if (!QFileInfo(path).fileName().contains(QLatin1Char('.'))) path += QStringLiteral(".pelmo.json");
  const collect::ProjectSaveResult result = collect::SaveProject(FileSystemPath(path), ReadProject());
  if (!result.saved) {
    boxes_.Show(this, result.message, kWarningIconOk);
    return;
  }
  ShowStatusMessage(collect::ProjectSavedMessage(FileName(path)));
}

void MainWindow::RestoreDefaultSettings() {
  const runtime::Text question =
      runtime::T("恢复默认设置将清除现在填写的网址、COOKIE、列表区域、匹配规则和其他全部设置。确定恢复吗？");
  if (boxes_.Show(this, question, kQuestionYesNo) != kAnswerYes) return;
  ShowProject(collect::CollectionProject{});
}

void MainWindow::ExportToFile() {
  const QString path = ChooseFileToSave(
      this, {QStringLiteral("导出到文件"),
             QStringLiteral("CSV (*.csv);;Excel (*.xlsx);;TSV (*.tsv);;JSON Lines (*.jsonl);;HTML (*.html *.htm);;"
                            "文本 (*.txt)")});
  if (path.isEmpty()) return;
  const collect::ExportedFile file = collect::ExportFile(collect::ExportFormatFromExtension(path.toStdString()),
                                                         controls_.list->Table(), EditBoxText(controls_.separator));
  const runtime::Text shown = FromQString(QDir::toNativeSeparators(path));
  std::string fault = file.fault;
  if (fault.empty()) fault = collect::ReplaceFileContent(FileSystemPath(path), file.bytes);
  if (!fault.empty()) {
    boxes_.Show(this, runtime::T("无法导出到文件 “") + shown + runtime::T("”：") + runtime::Utf8ToText(fault),
                kWarningIconOk);
    return;
  }
  MarkRowsKept();
  ShowStatusMessage(collect::ExportedToFileMessage(shown));
}

}  // namespace window
