// Keeping the text of a multi-line edit box clear of a control lying over it.
#include "window/multi_line_edit.h"

#include <algorithm>

namespace window {

namespace {

// Room left between the text area and the control over the box.
constexpr int kClearance = 2;

}  // namespace

MultiLineEdit::MultiLineEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void MultiLineEdit::KeepTextLeftOf(int x) {
  // Laying the text area out without a margin first tells where its right edge would be.
  setViewportMargins(0, 0, 0, 0);
  const int reach = viewport()->geometry().right() + 1;
  const int margin = std::max(0, reach - (x - kClearance));
  setViewportMargins(0, 0, margin, 0);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(margin > 0);
}

}  // namespace window
