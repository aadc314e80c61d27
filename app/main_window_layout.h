// The layout table of the main window.
#pragma once

#include "app/layout.h"

namespace app {

// MainWindow: the collection settings, the three commands, the result list and the status texts.
const WindowLayout& MainWindowLayout();

}  // namespace app
