// The last session's settings: loaded at start, saved on close, failures ignored (a session that
// cannot be kept must not stand in the way of starting or quitting). The file is a project
// document with one more member, "window", which project files never have and which loading a
// project passes over.
#include "window/last_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QStandardPaths>

#include "collect/file_io.h"
#include "collect/project_file.h"
#include "window/main_window.h"

namespace window {
namespace {

constexpr QLatin1StringView kPlaceKey("window");
// How much of the window's top must lie on a screen for it to be put back where it was: enough
// to take hold of it.
constexpr QSize kGrip(120, 40);

std::string FileSystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The window's client area when it is not maximised, and whether it is.
QJsonObject PlaceOf(const QWidget& window) {
  const QRect area = window.isMaximized() ? window.normalGeometry() : window.geometry();
  return {{"left", area.left()},
          {"top", area.top()},
          {"width", area.width()},
          {"height", area.height()},
          {"maximized", window.isMaximized()}};
}

bool OnSomeScreen(const QRect& area) {
  const QRect grip(area.topLeft(), kGrip);
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersected(grip).size() == kGrip) return true;
  }
  return false;
}

// Puts the window back as PlaceOf found it; the window never shrinks below its default size.
void RestorePlace(QWidget& window, const QJsonObject& place) {
  if (place.isEmpty()) return;
  const QRect area(place.value("left").toInt(), place.value("top").toInt(), place.value("width").toInt(),
                   place.value("height").toInt());
  if (area.width() <= 0 || area.height() <= 0) return;
  if (OnSomeScreen(area)) {
    window.setGeometry(area);
  } else {
    window.resize(area.size());
  }
  if (place.value("maximized").toBool()) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

QJsonObject SavedPlace(const QString& file) {
  std::string fault;
  const std::optional<std::string> bytes = collect::ReadWholeFile(FileSystemPath(file), fault);
  if (!bytes) return {};
  return QJsonDocument::fromJson(QByteArray::fromStdString(*bytes)).object().value(kPlaceKey).toObject();
}

void SaveSession(const QString& file, const MainWindow& mainWindow) {
  const std::string project = collect::ProjectDocument(mainWindow.ReadProject());
  QJsonObject session = QJsonDocument::fromJson(QByteArray::fromStdString(project)).object();
  session.insert(kPlaceKey, PlaceOf(mainWindow));
  QDir().mkpath(QFileInfo(file).absolutePath());
  const QByteArray document = QJsonDocument(session).toJson(QJsonDocument::Indented);
  collect::ReplaceFileContent(FileSystemPath(file), document.toStdString());
}

}  // namespace

QString LastSessionFile() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(config).filePath(QStringLiteral("pelmo/last-session.json"));
}

void KeepSettingsAcrossStarts(MainWindow& mainWindow) {
  const QString file = LastSessionFile();
  const collect::ProjectLoadResult last = collect::LoadProject(FileSystemPath(file));
  if (last.loaded) {
    mainWindow.ShowProject(last.project);
    RestorePlace(mainWindow, SavedPlace(file));
  }
  QObject::connect(&mainWindow, &LayoutWindow::Closing, &mainWindow,
                   [&mainWindow] { SaveSession(LastSessionFile(), mainWindow); });
}

}  // namespace window
