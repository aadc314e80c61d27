// Opening and saving projects from the main window.
#include "app/project_commands.h"

#include <QFile>
#include <QFileInfo>

#include "app/file_choice.h"
#include "collect/project_file.h"
#include "app/window_project.h"
#include "runtime/control_access.h"

namespace app {
namespace {

constexpr int kWarningIconOk = 0x30;

FileQuestion ProjectQuestion(const char* caption) {
  return {QString::fromUtf8(caption), QStringLiteral("Pelmo 项目 (*.pelmo.json *.json)")};
}

}  // namespace

void OpenProject() {
  const QString path = ChooseFileToOpen(ProjectQuestion("打开项目"));
  if (path.isEmpty()) return;
  const collect::ProjectLoadResult result = collect::LoadProject(QFile::encodeName(path).toStdString());
  if (!result.loaded) {
    runtime::MessageBox(result.message, kWarningIconOk);
    return;
  }
  ShowWindowProject(result.project);
}

void SaveProjectAs() {
  QString path = ChooseFileToSave(ProjectQuestion("保存项目"));
  if (path.isEmpty()) return;
  if (!QFileInfo(path).fileName().contains(QLatin1Char('.'))) path += QStringLiteral(".pelmo.json");
  const collect::ProjectSaveResult result =
      collect::SaveProject(QFile::encodeName(path).toStdString(), ReadWindowProject());
  if (!result.saved) runtime::MessageBox(result.message, kWarningIconOk);
}

void RestoreDefaultSettings() { ShowWindowProject(collect::CollectionProject{}); }

}  // namespace app
