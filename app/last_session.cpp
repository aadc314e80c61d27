// The last session's settings: loaded at start, saved on close, failures ignored (a session that
// cannot be kept must not stand in the way of starting or quitting).
#include "app/last_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/layout_window.h"
#include "collect/project_file.h"
#include "app/window_project.h"

namespace app {

QString LastSessionFile() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(config).filePath(QStringLiteral("pelmo/last-session.json"));
}

void KeepSettingsAcrossStarts(LayoutWindow& mainWindow) {
  const collect::ProjectLoadResult last = collect::LoadProject(QFile::encodeName(LastSessionFile()).toStdString());
  if (last.loaded) ShowWindowProject(last.project);
  QObject::connect(&mainWindow, &LayoutWindow::Closing, &mainWindow, [] {
    const QString file = LastSessionFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    collect::SaveProject(QFile::encodeName(file).toStdString(), ReadWindowProject());
  });
}

}  // namespace app
