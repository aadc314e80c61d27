// The widgets of the control kinds.
#include "window/control_widgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <limits>

#include "window/caption_left_check_box.h"
#include "window/multi_line_edit.h"
#include "window/qt_text.h"
#include "window/report_list_view.h"
#include "window/status_bar_widget.h"
#include "window/typed_character_filter.h"
#include "runtime/code_page.h"

namespace window {

namespace {

QColor ToColour(const Rgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

void ApplyColours(const ControlLayout& control, QWidget* widget) {
  QPalette palette = widget->palette();
  if (control.textColour) {
    palette.setColor(QPalette::Text, ToColour(*control.textColour));
    palette.setColor(QPalette::WindowText, ToColour(*control.textColour));
  }
  if (control.backgroundColour) {
    palette.setColor(QPalette::Window, ToColour(*control.backgroundColour));
    widget->setAutoFillBackground(true);
  }
  widget->setPalette(palette);
}

QWidget* CreateEditBox(const ControlLayout& control, QWidget* parent) {
  const bool readOnly = (control.styles & kReadOnly) != 0;
  if ((control.styles & kMultiLine) != 0) {
    auto* edit = new MultiLineEdit(parent);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit->setVerticalScrollBarPolicy(
        (control.styles & kVerticalScrollBar) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setReadOnly(readOnly);
    edit->setUndoRedoEnabled(!readOnly);
    SetEditBoxText(edit, runtime::T(control.content));
    return edit;
  }
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setReadOnly(readOnly);
  edit->setText(FromLayout(control.content));
  edit->setCursorPosition(0);
  if ((control.styles & kTextCentred) != 0) {
    edit->setAlignment(Qt::AlignCenter);
  }
  if ((control.styles & kDigitsAndMinusOnly) != 0) {
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->installEventFilter(new TypedCharacterFilter(QStringLiteral("0123456789-"), edit));
  }
  return edit;
}

QWidget* CreateComboBox(const ControlLayout& control, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setEditable((control.styles & kDropDownWithEdit) != 0);
  combo->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string_view item : control.items) {
    combo->addItem(FromLayout(item));
  }
  if (combo->isEditable()) {
    combo->setCompleter(nullptr);
  }
  combo->setCurrentIndex(-1);
  combo->setEditText(FromLayout(control.content));
  return combo;
}

QWidget* CreateStatusBar(const ControlLayout& control, QWidget* parent) {
  std::vector<StatusBarPart> parts;
  for (const StatusPartLayout& part : control.parts) {
    parts.push_back({part.width, runtime::T(part.text)});
  }
  return new StatusBarWidget(std::move(parts), parent);
}

QWidget* CreateWidget(const ControlLayout& control, QWidget* parent) {
  const QString caption = FromLayout(control.content);
  switch (control.kind) {
    case ControlKind::EditBox: return CreateEditBox(control, parent);
    case ControlKind::Label: {
      auto* label = new QLabel(caption, parent);
      label->setTextFormat(Qt::PlainText);
      if ((control.styles & kHeading) != 0) {
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
      } else {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
      }
      return label;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(caption, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::CheckBox: {
      if ((control.styles & kCaptionLeft) != 0) return new CaptionLeftCheckBox(caption, parent);
      return new QCheckBox(caption, parent);
    }
    case ControlKind::ComboBox: return CreateComboBox(control, parent);
    case ControlKind::GroupBox: return new QGroupBox(caption, parent);
    case ControlKind::StatusBar: return CreateStatusBar(control, parent);
    case ControlKind::ReportList: return new ReportListView(parent);
  }
  return new QWidget(parent);
}

}  // namespace

QWidget* CreateControlWidget(const ControlLayout& control, QWidget* parent) {
  QWidget* widget = CreateWidget(control, parent);
  widget->setObjectName(FromLayout(control.name));
  const Geometry& g = control.geometry;
  widget->setGeometry(g.left, g.top, g.width, g.height);
  widget->setFocusPolicy((control.flags & kFocusable) != 0 ? Qt::StrongFocus : Qt::NoFocus);
  ApplyColours(control, widget);
  widget->setVisible((control.flags & kVisible) != 0);
  return widget;
}

runtime::Text EditBoxText(const QWidget* editBox) {
  if (const auto* edit = qobject_cast<const QPlainTextEdit*>(editBox)) {
    QStringList lines;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
      lines.append(block.text());
    }
    return FromEditorLines(lines);
  }
  if (const auto* edit = qobject_cast<const QLineEdit*>(editBox)) {
    return FromQString(edit->text());
  }
  if (const auto* combo = qobject_cast<const QComboBox*>(editBox)) {
    return FromQString(combo->currentText());
  }
  return {};
}

void SetEditBoxText(QWidget* editBox, const runtime::Text& whole) {
  const std::string_view text = std::string_view(whole).substr(0, whole.find('\0'));
  if (auto* edit = qobject_cast<QPlainTextEdit*>(editBox)) {
    edit->setPlainText(ToEditorText(text));
  } else if (auto* edit = qobject_cast<QLineEdit*>(editBox)) {
    edit->setText(ToQString(text));
    edit->setCursorPosition(0);
  }
}

void AppendEditBoxText(QWidget* editBox, const runtime::Text& whole) {
  const std::string_view text = std::string_view(whole).substr(0, whole.find('\0'));
  if (auto* edit = qobject_cast<QPlainTextEdit*>(editBox)) {
    const bool undo = edit->isUndoRedoEnabled();
    edit->setUndoRedoEnabled(false);
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(ToEditorText(text));
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    edit->setUndoRedoEnabled(undo);
  } else if (auto* edit = qobject_cast<QLineEdit*>(editBox)) {
    edit->setText(edit->text() + ToQString(text));
    edit->end(false);
  }
}

}  // namespace window
