// A window built from its layout table: one widget per control at the layout's geometry, named
// after the control, stacked as the layout orders them, raising the controls' events.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "app/layout.h"

namespace app {

class LayoutWindow final : public QWidget {
  Q_OBJECT

public:
  using EventHandler = std::function<void(std::string_view control, int event)>;

  explicit LayoutWindow(const WindowLayout& layout);

  const WindowLayout& Layout() const { return layout_; }
  // The widget of a control; null when the layout has no such control.
  QWidget* Widget(std::string_view control) const;
  template <typename T>
  T* WidgetAs(std::string_view control) const {
    return qobject_cast<T*>(Widget(control));
  }

  // Receives every event the controls raise (button click, combo-box choice, right click).
  void SetEventHandler(EventHandler handler) { eventHandler_ = std::move(handler); }
  // Asked when the user closes the window; returning false keeps the window open.
  void SetCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }
  // Called once the window has closed.
  void SetClosedHandler(std::function<void()> handler) { closedHandler_ = std::move(handler); }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void CreateControls();
  void ConnectEvents(const ControlLayout& control, QWidget* widget);
  void Raise(std::string_view control, int event);

  const WindowLayout& layout_;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  EventHandler eventHandler_;
  std::function<bool()> closeGuard_;
  std::function<void()> closedHandler_;
};

}  // namespace app
