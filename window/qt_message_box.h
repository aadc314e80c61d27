// A message box in Qt following a message-box style word.
#pragma once

#include <QWidget>

#include "runtime/text.h"

namespace window {

// Shows the message modally over owner (none: a box of its own) with the caption, the icon and
// the buttons of the style word, and returns the 0-based answer of the button pressed. A box
// closed without a button answers as its Cancel button, or OK when that is its only button.
int ShowQtMessageBox(QWidget* owner, const runtime::Text& message, int flags,
                     const runtime::Text& caption);

}  // namespace window
