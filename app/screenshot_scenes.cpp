// Scenes for the README's pictures.
#include "app/screenshot_scenes.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "app/main_window_controls.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"

namespace app {
namespace {

// Time the window gets to show itself before a scene starts, and a scene before its picture.
constexpr int kSettleMs = 800;
constexpr int kRunMs = 1500;
constexpr int kTestMs = 1500;
constexpr int kPreviewMs = 900;

QString Argument(const QStringList& arguments, const QString& name) {
  const qsizetype at = arguments.indexOf(name);
  return at < 0 || at + 1 >= arguments.size() ? QString() : arguments.at(at + 1);
}

void SavePicture(QWidget* window, const QString& file) {
  QPixmap picture;
  if (QScreen* screen = window->screen()) picture = screen->grabWindow(window->winId());
  if (picture.isNull()) picture = window->grab();
  picture.save(file);
  window->close();
}

void Click(QWidget* window, const char* button) {
  if (auto* pressed = window->findChild<QPushButton*>(QString::fromUtf8(button))) pressed->click();
}

}  // namespace

bool ScheduleScreenshot(const QStringList& arguments, QWidget* mainWindow) {
  const QString file = Argument(arguments, QStringLiteral("--screenshot"));
  if (file.isEmpty()) return false;
  const QString scene = Argument(arguments, QStringLiteral("--scene"));
  const QString addresses = Argument(arguments, QStringLiteral("--addresses"));
  if (!addresses.isEmpty()) {
    runtime::WriteProperty(runtime::Window::MainWindow, Control::kAddresses, runtime::Property::kContent,
                           runtime::Utf8ToText(addresses.toStdString()));
  }
  if (scene == QStringLiteral("run")) {
    QTimer::singleShot(kSettleMs, mainWindow, [mainWindow] { Click(mainWindow, Control::kStartButton); });
    QTimer::singleShot(kSettleMs + kRunMs, mainWindow, [mainWindow, file] { SavePicture(mainWindow, file); });
  } else if (scene == QStringLiteral("preview")) {
    QTimer::singleShot(kSettleMs, mainWindow, [mainWindow] { Click(mainWindow, Control::kTestButton); });
    QTimer::singleShot(kSettleMs + kTestMs, mainWindow, [mainWindow] {
      auto* rule = mainWindow->findChild<QLineEdit*>(QString::fromUtf8(Control::kRule));
      if (rule == nullptr) return;
      rule->setFocus();
      rule->setText(QStringLiteral("<li> <a href=\"[var]/[int].html\" title=\"[var]\">"));
    });
    QTimer::singleShot(kSettleMs + kTestMs + kPreviewMs, mainWindow,
                       [mainWindow, file] { SavePicture(mainWindow, file); });
  } else {
    QTimer::singleShot(kSettleMs, mainWindow, [mainWindow, file] { SavePicture(mainWindow, file); });
  }
  return true;
}

}  // namespace app
