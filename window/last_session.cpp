// The last session's settings: loaded at start, saved on close, failures ignored (a session that
// cannot be kept must not stand in the way of starting or quitting).
#include "window/last_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "collect/project_file.h"
#include "window/main_window.h"

namespace window {

QString LastSessionFile() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(config).filePath(QStringLiteral("pelmo/last-session.json"));
}

void KeepSettingsAcrossStarts(MainWindow& mainWindow) {
  const collect::ProjectLoadResult last = collect::LoadProject(QFile::encodeName(LastSessionFile()).toStdString());
  if (last.loaded) mainWindow.ShowProject(last.project);
  QObject::connect(&mainWindow, &LayoutWindow::Closing, &mainWindow, [&mainWindow] {
    const QString file = LastSessionFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    collect::SaveProject(QFile::encodeName(file).toStdString(), mainWindow.ReadProject());
  });
}

}  // namespace window
