// Start-up and end of the window front end.
#include "app/window_run.h"

#include <QApplication>

#include "app/error_box.h"
#include "app/last_session.h"
#include "app/program_look.h"
#include "app/qt_controls.h"
#include "app/screenshot_scenes.h"
#include "runtime/address_list.h"
#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace app {

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
    if (!ScheduleScreenshot(application.arguments(), mainWindow)) KeepSettingsAcrossStarts(*mainWindow);
    exitCode = application.exec();
    runtime::SetErrorPresenter(nullptr);
    runtime::InstallControls(nullptr);
  }
  runtime::RunCleanupRoutines();
  return exitCode;
}

}  // namespace app
