// Start-up and end of the window front end.
#include "app/window_run.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <optional>

#include "app/error_box.h"
#include "app/last_session.h"
#include "app/program_look.h"
#include "app/qt_controls.h"
#include "runtime/address_list.h"
#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace app {

namespace {

// Time the window gets to show itself before its picture is taken.
constexpr int kScreenshotDelayMs = 800;

std::optional<QString> ScreenshotFile(const QStringList& arguments) {
  const qsizetype at = arguments.indexOf(QStringLiteral("--screenshot"));
  if (at < 0 || at + 1 >= arguments.size()) {
    return std::nullopt;
  }
  return arguments.at(at + 1);
}

void TakeScreenshot(QWidget* window, const QString& file) {
  QPixmap picture;
  if (QScreen* screen = window->screen()) {
    picture = screen->grabWindow(window->winId());
  }
  if (picture.isNull()) {
    picture = window->grab();
  }
  picture.save(file);
  window->close();
}

}  // namespace

int RunWindow(int argc, char** argv) {
  int exitCode = 0;
  {
    QApplication application(argc, argv);
    ApplyProgramLook();
    QtControls controls;
    runtime::InstallControls(&controls);
    InstallErrorBox();
    runtime::RegisterCleanup(runtime::FreeAddressList);
    controls.LoadWindow(runtime::Window::MainWindow, false);
    LayoutWindow* mainWindow = controls.WindowOf(runtime::Window::MainWindow);
    if (mainWindow == nullptr) {
      runtime::ReportRuntimeError(runtime::T("载入启动窗口失败"), 0);
    }
    // A picture of the window shows its defaults, whatever the user last typed.
    if (const std::optional<QString> file = ScreenshotFile(application.arguments())) {
      QTimer::singleShot(kScreenshotDelayMs, mainWindow,
                         [mainWindow, file = *file] { TakeScreenshot(mainWindow, file); });
    } else {
      KeepSettingsAcrossStarts(*mainWindow);
    }
    exitCode = application.exec();
    runtime::SetErrorPresenter(nullptr);
    runtime::InstallControls(nullptr);
  }
  runtime::RunCleanupRoutines();
  return exitCode;
}

}  // namespace app
