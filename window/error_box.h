// The runtime error box of the window front end.
#pragma once

namespace window {

// Makes runtime errors show their box text in a message box with the caption "错误", the error
// icon and no owner window, on the GUI thread whichever thread reports the error.
void InstallErrorBox();

}  // namespace window
