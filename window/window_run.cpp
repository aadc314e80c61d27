// Start-up and end of the window program.
#include "window/window_run.h"

#include <QApplication>
#include <QPointer>

#include "runtime/runtime_error.h"
#include "window/error_box.h"
#include "window/last_session.h"
#include "window/main_window.h"
#include "window/program_look.h"
#include "window/qt_translation.h"
#include "window/screenshot_scenes.h"

namespace window {

int RunWindow(int argc, char** argv) {
  int exitCode = 0;
  {
    QApplication application(argc, argv);
    // The desktop entry is pelmo.desktop, whichever program file runs the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("pelmo"));
    ApplyProgramLook();
    InstallQtTranslation();
    InstallErrorBox();
    QPointer<MainWindow> mainWindow = new MainWindow;
    // A picture of the window shows its defaults, whatever the user last typed and wherever the
    // window last was.
    if (!ScheduleScreenshot(application.arguments(), *mainWindow)) KeepSettingsAcrossStarts(*mainWindow);
    mainWindow->show();
    mainWindow->activateWindow();
    exitCode = application.exec();
    // The window deletes itself once closed, unless the loop ended before that came round.
    delete mainWindow.data();
    runtime::SetErrorPresenter(nullptr);
  }
  runtime::RunCleanupRoutines();
  return exitCode;
}

}  // namespace window
