// The layout table of the main window.
#pragma once

#include "window/layout.h"

namespace window {

// MainWindow: the collection settings, the three commands, the result list and the status texts.
const WindowLayout& MainWindowLayout();

}  // namespace window
