// The multi-line edit box: a plain-text editor whose text can be kept clear of a control that the
// layout lays over its right-hand part.
#pragma once

#include <QPlainTextEdit>

namespace window {

class MultiLineEdit final : public QPlainTextEdit {
  Q_OBJECT

public:
  explicit MultiLineEdit(QWidget* parent = nullptr);

  // Narrows the text area so that no text reaches x (in this box's coordinates) or beyond; the
  // strip given up keeps the box's background.
  void KeepTextLeftOf(int x);
};

}  // namespace window
