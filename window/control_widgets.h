// Creation of the Qt widget of one layout unit, with its geometry, texts, defaults, styles and
// colours; and the text access of the edit-box widgets.
#pragma once

#include <QWidget>

#include "window/layout.h"
#include "runtime/text.h"

namespace window {

// The widget of a control (the window's group boxes must exist as parents already). The widget
// carries the control's name as its object name.
QWidget* CreateControlWidget(const ControlLayout& control, QWidget* parent);

// Content of an edit box widget (single- or multi-line; CR LF between lines of a multi-line one).
runtime::Text EditBoxText(const QWidget* editBox);
// Replaces the content of an edit box widget; CR LF separates the lines of a multi-line one. A text
// ends at its first zero byte.
void SetEditBoxText(QWidget* editBox, const runtime::Text& text);
// Appends at the end, scrolls the end into view; the user cannot undo the insertion. A text ends
// at its first zero byte.
void AppendEditBoxText(QWidget* editBox, const runtime::Text& text);

}  // namespace window
