// The pictures of the window that the README shows, taken by scripts/screenshot: the window as it
// opens, a run in progress, and the rule preview. Hidden options of the window front end:
//   --screenshot FILE [--scene window|run|preview] [--addresses TEXT] [--rule TEXT]
#pragma once

#include <QStringList>

namespace window {

class MainWindow;

// Arranges the scene the arguments ask for on the main window and saves its picture; false when
// the arguments ask for no picture.
bool ScheduleScreenshot(const QStringList& arguments, MainWindow& mainWindow);

}  // namespace window
