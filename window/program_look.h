// The look of the program's windows: widget style, font and the program's own icon.
#pragma once

#include <QIcon>

namespace window {

// The program's icon, drawn at run time: a blue sheet with result rows and an orange arrow.
QIcon ProgramIcon();
// Sets the style, a font that shows Chinese and fits the fixed geometry, and the window icon.
// Needs the QApplication.
void ApplyProgramLook();

}  // namespace window
