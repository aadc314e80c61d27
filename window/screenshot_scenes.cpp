// Scenes for the README's pictures.
#include "window/screenshot_scenes.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "runtime/code_page.h"
#include "window/control_widgets.h"
#include "window/main_window.h"

namespace window {
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
  // A run may still be in progress: the question before closing is answered at once.
  if (auto* mainWindow = qobject_cast<MainWindow*>(window)) mainWindow->Boxes().SetNextAnswer(kAnswerYes);
  window->close();
}

}  // namespace

bool ScheduleScreenshot(const QStringList& arguments, MainWindow& window) {
  const QString file = Argument(arguments, QStringLiteral("--screenshot"));
  if (file.isEmpty()) return false;
  const QString scene = Argument(arguments, QStringLiteral("--scene"));
  const QString addresses = Argument(arguments, QStringLiteral("--addresses"));
  QString rule = Argument(arguments, QStringLiteral("--rule"));
  if (rule.isEmpty()) rule = QStringLiteral("<li> <a href=\"[var]/[int].html\" title=\"[var]\">");
  const MainWindowControls& controls = window.Controls();
  if (!addresses.isEmpty()) SetEditBoxText(controls.addresses, runtime::Utf8ToText(addresses.toStdString()));
  MainWindow* mainWindow = &window;
  if (scene == QStringLiteral("run")) {
    QTimer::singleShot(kSettleMs, mainWindow, [&controls] { controls.start->click(); });
    QTimer::singleShot(kSettleMs + kRunMs, mainWindow, [mainWindow, file] { SavePicture(mainWindow, file); });
  } else if (scene == QStringLiteral("preview")) {
    QTimer::singleShot(kSettleMs, mainWindow, [&controls] { controls.test->click(); });
    QTimer::singleShot(kSettleMs + kTestMs, mainWindow, [&controls, rule] {
      controls.rule->setFocus();
      controls.rule->setText(rule);
    });
    QTimer::singleShot(kSettleMs + kTestMs + kPreviewMs, mainWindow,
                       [mainWindow, file] { SavePicture(mainWindow, file); });
  } else {
    QTimer::singleShot(kSettleMs, mainWindow, [mainWindow, file] { SavePicture(mainWindow, file); });
  }
  return true;
}

}  // namespace window
