// Building a window from its layout and wiring the controls' events.
#include "app/layout_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>
#include <ranges>

#include "app/control_widgets.h"
#include "app/qt_text.h"
#include "app/report_list_view.h"

namespace app {

LayoutWindow::LayoutWindow(const WindowLayout& layout) : QWidget(nullptr), layout_(layout) {
  setWindowTitle(FromLayout(layout.title));
  const Geometry client = ClientArea(layout);
  setFixedSize(client.width, client.height);
  move(layout.outer.left, layout.outer.top);
  CreateControls();
}

QWidget* LayoutWindow::Widget(std::string_view control) const {
  const auto found = widgets_.find(control);
  return found == widgets_.end() ? nullptr : found->second;
}

void LayoutWindow::closeEvent(QCloseEvent* event) {
  if (closeGuard_ && !closeGuard_()) {
    event->ignore();
    return;
  }
  event->accept();
  if (closedHandler_) {
    closedHandler_();
  }
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

void LayoutWindow::ConnectEvents(const ControlLayout& control, QWidget* widget) {
  const std::string_view name = control.name;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    connect(button, &QPushButton::clicked, this, [this, name] { Raise(name, kEventClick); });
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

}  // namespace app
