// Building a window from its layout, wiring the controls' events and keys, and moving the
// controls when the window grows.
#include "window/layout_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <ranges>

#include "window/control_widgets.h"
#include "window/multi_line_edit.h"
#include "window/qt_text.h"
#include "window/report_list_view.h"

namespace window {

namespace {

int ShareOf(int extra, int quarters) { return extra * quarters / kWholeShare; }

QRect Grown(const QRect& geometry, const EdgeShares& shares, QSize extra) {
  const QPoint topLeft(geometry.left() + ShareOf(extra.width(), shares.left),
                       geometry.top() + ShareOf(extra.height(), shares.top));
  const QPoint bottomRight(geometry.right() + ShareOf(extra.width(), shares.right),
                           geometry.bottom() + ShareOf(extra.height(), shares.bottom));
  return QRect(topLeft, bottomRight);
}

}  // namespace

LayoutWindow::LayoutWindow(const WindowLayout& layout, QWidget* owner)
    : QWidget(owner, owner != nullptr ? Qt::Window : Qt::WindowFlags()), layout_(layout) {
  setWindowTitle(FromLayout(layout.title));
  const Geometry client = ClientArea(layout);
  resize(client.width, client.height);
  move(layout.outer.left, layout.outer.top);
  CreateControls();
  defaultSize_ = QSize(client.width, client.height + FitHeadings());
  for (const auto& [name, widget] : widgets_) {
    defaultGeometry_.emplace(name, widget->geometry());
  }
  if (layout.growth.empty()) {
    setFixedSize(defaultSize_);
  } else {
    setMinimumSize(defaultSize_);
    resize(defaultSize_);
  }
  KeepTextClearOfControlsAbove();
  BindLayoutKeys();
}

QWidget* LayoutWindow::Widget(std::string_view control) const {
  const auto found = widgets_.find(control);
  return found == widgets_.end() ? nullptr : found->second;
}

void LayoutWindow::Attach(QWidget* widget, const QRect& geometry, std::string_view control) {
  attached_.push_back({widget, geometry, std::string(control)});
  FollowGrowth(size() - defaultSize_);
}

void LayoutWindow::BindKey(const QKeySequence& key, std::function<void()> action,
                           std::function<bool()> applies) {
  if (keys_.empty()) {
    // The control with the focus may claim the key for itself (an edit box takes Ctrl+E to the
    // end of the line): the window sees it first only as a filter of the application.
    QCoreApplication::instance()->installEventFilter(this);
  }
  keys_.push_back({key, std::move(action), std::move(applies)});
}

void LayoutWindow::closeEvent(QCloseEvent* event) {
  if (closeGuard_ && !closeGuard_()) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closing();
  if (closedHandler_) {
    closedHandler_();
  }
}

void LayoutWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!layout_.growth.empty()) {
    FollowGrowth(size() - defaultSize_);
  }
}

bool LayoutWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || (widget != this && !isAncestorOf(widget))) {
    return false;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  const QKeySequence pressed(key->keyCombination());
  for (const auto& [sequence, action, applies] : keys_) {
    if (sequence == pressed && (!applies || applies())) {
      if (!key->isAutoRepeat()) action();
      return true;
    }
  }
  return false;
}

void LayoutWindow::CreateControls() {
  // Containers first, so that their children can be placed inside them.
  for (const ControlLayout& control : layout_.controls) {
    if (control.kind == ControlKind::GroupBox) {
      widgets_.emplace(std::string(control.name), CreateControlWidget(control, this));
    }
  }
  for (const ControlLayout& control : layout_.controls) {
    if (control.kind == ControlKind::GroupBox) continue;
    QWidget* parent = control.parent.empty() ? this : Widget(control.parent);
    QWidget* widget = CreateControlWidget(control, parent != nullptr ? parent : this);
    if (control.kind == ControlKind::StatusBar) {
      // A status bar spans its window's width, whatever width the layout stored.
      widget->resize(width() - control.geometry.left, control.geometry.height);
    }
    widgets_.emplace(std::string(control.name), widget);
    ConnectEvents(control, widget);
  }
  // An earlier control lies above a later one: raise them from the last to the first.
  for (const ControlLayout& control : std::views::reverse(layout_.controls)) {
    Widget(control.name)->raise();
  }
}

int LayoutWindow::FitHeadings() {
  int extra = 0;
  int rowTop = INT_MAX;
  for (const ControlLayout& control : layout_.controls) {
    if ((control.styles & kHeading) == 0) continue;
    extra = std::max(extra, Widget(control.name)->fontMetrics().height() - control.geometry.height);
    rowTop = std::min(rowTop, control.geometry.top);
  }
  if (extra == 0) {
    return 0;
  }
  for (const ControlLayout& control : layout_.controls) {
    if (!control.parent.empty()) continue;
    QWidget* widget = Widget(control.name);
    if ((control.styles & kHeading) != 0) {
      widget->resize(widget->width(), widget->height() + extra);
    } else if (control.geometry.top > rowTop) {
      widget->move(widget->x(), widget->y() + extra);
    }
  }
  return extra;
}

void LayoutWindow::BindLayoutKeys() {
  for (const KeyBinding& binding : layout_.keys) {
    const QKeySequence key = QKeySequence::fromString(FromLayout(binding.key), QKeySequence::PortableText);
    if (binding.button.empty()) {
      BindKey(key, [this, item = binding.menuItem] {
        if (menuItemHandler_) menuItemHandler_(item);
      });
      continue;
    }
    auto* button = qobject_cast<QAbstractButton*>(Widget(binding.button));
    if (button == nullptr) continue;
    // The same path as a click with the mouse: a disabled button takes no click.
    BindKey(key, [button] { button->click(); });
  }
}

void LayoutWindow::FollowGrowth(QSize extra) {
  extra = extra.expandedTo(QSize(0, 0));
  for (const GrowthRule& rule : layout_.growth) {
    const auto base = defaultGeometry_.find(rule.control);
    if (base != defaultGeometry_.end()) {
      Widget(rule.control)->setGeometry(Grown(base->second, rule.shares, extra));
    }
  }
  for (const AttachedWidget& attached : attached_) {
    const auto base = defaultGeometry_.find(attached.control);
    if (attached.widget && base != defaultGeometry_.end()) {
      const QPoint moved = Widget(attached.control)->pos() - base->second.topLeft();
      attached.widget->setGeometry(attached.geometry.translated(moved));
    }
  }
  KeepTextClearOfControlsAbove();
}

void LayoutWindow::KeepTextClearOfControlsAbove() {
  for (auto edit = layout_.controls.begin(); edit != layout_.controls.end(); ++edit) {
    auto* box = qobject_cast<MultiLineEdit*>(Widget(edit->name));
    if (box == nullptr) continue;
    int clearOf = INT_MAX;
    // Controls earlier in the layout lie above the box.
    for (auto above = layout_.controls.begin(); above != edit; ++above) {
      const QWidget* cover = Widget(above->name);
      if (above->parent == edit->parent && !cover->isHidden() &&
          cover->geometry().intersects(box->geometry())) {
        clearOf = std::min(clearOf, cover->x() - box->x());
      }
    }
    if (clearOf != INT_MAX) {
      box->KeepTextLeftOf(clearOf);
    }
  }
}

void LayoutWindow::ConnectEvents(const ControlLayout& control, QWidget* widget) {
  const std::string_view name = control.name;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    const bool closes = (control.styles & kClosesWindow) != 0;
    connect(button, &QPushButton::clicked, this, [this, name, closes] {
      Raise(name, kEventClick);
      if (closes) close();
    });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    connect(combo, &QComboBox::activated, this, [this, name] { Raise(name, kEventClick); });
  } else if (auto* list = qobject_cast<ReportListView*>(widget)) {
    list->SetRightClickHandler([this, name] { Raise(name, kEventRightClick); });
  }
}

void LayoutWindow::Raise(std::string_view control, int event) {
  if (eventHandler_) {
    eventHandler_(control, event);
  }
}

}  // namespace window
