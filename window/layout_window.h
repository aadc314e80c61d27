// A window built from its layout table: one widget per control at the layout's geometry, named
// after the control, stacked as the layout orders them, raising the controls' events, following
// the layout's growth rules when it grows and its keys when they are pressed.
#pragma once

#include <QKeySequence>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "window/layout.h"

namespace window {

class LayoutWindow : public QWidget {
  Q_OBJECT

public:
  using EventHandler = std::function<void(std::string_view control, int event)>;

  // A window of its own; with an owner, one that stays above the owner and closes with it.
  explicit LayoutWindow(const WindowLayout& layout, QWidget* owner = nullptr);

  const WindowLayout& Layout() const { return layout_; }
  // The widget of a control; null when the layout has no such control.
  QWidget* Widget(std::string_view control) const;
  template <typename T>
  T* WidgetAs(std::string_view control) const {
    return qobject_cast<T*>(Widget(control));
  }
  // The size at which every control stands where its layout puts it; a window that can grow
  // grows from here and never shrinks below it.
  QSize DefaultSize() const { return defaultSize_; }

  // Receives every event the controls raise (button click, combo-box choice, right click).
  void SetEventHandler(EventHandler handler) { eventHandler_ = std::move(handler); }
  // Receives the menu items that the layout's keys choose.
  void SetMenuItemHandler(std::function<void(std::string_view item)> handler) {
    menuItemHandler_ = std::move(handler);
  }
  // Asked when the user closes the window; returning false keeps the window open.
  void SetCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }
  // Called once the window has closed.
  void SetClosedHandler(std::function<void()> handler) { closedHandler_ = std::move(handler); }
  // Places a widget that is not a control of the layout and keeps it at the same distance from
  // the named control when the window grows.
  void Attach(QWidget* widget, const QRect& geometry, std::string_view control);
  // Runs action when key is pressed while the keyboard focus is in this window, before the
  // control with the focus sees the key; when given, applies tells whether the key is taken now
  // (otherwise the control with the focus gets it).
  void BindKey(const QKeySequence& key, std::function<void()> action,
               std::function<bool()> applies = nullptr);

signals:
  // The window has agreed to close; its controls can still be read.
  void Closing();

protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct AttachedWidget {
    QPointer<QWidget> widget;
    QRect geometry;
    std::string control;
  };

  void CreateControls();
  int FitHeadings();
  void BindLayoutKeys();
  void FollowGrowth(QSize extra);
  void KeepTextClearOfControlsAbove();
  void ConnectEvents(const ControlLayout& control, QWidget* widget);
  void Raise(std::string_view control, int event);

  const WindowLayout& layout_;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  std::map<std::string, QRect, std::less<>> defaultGeometry_;
  std::vector<AttachedWidget> attached_;
  struct BoundKey {
    QKeySequence sequence;
    std::function<void()> action;
    std::function<bool()> applies;
  };
  std::vector<BoundKey> keys_;
  QSize defaultSize_;
  EventHandler eventHandler_;
  std::function<void(std::string_view item)> menuItemHandler_;
  std::function<bool()> closeGuard_;
  std::function<void()> closedHandler_;
};

}  // namespace window
