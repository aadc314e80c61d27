// Routes control events and chosen menu items to the handlers their layout binds.
#pragma once

#include <functional>
#include <string_view>

#include "app/layout.h"

namespace app {

class EventDispatcher {
public:
  // running tells whether a collection run is in progress.
  explicit EventDispatcher(std::function<bool()> running);

  // Runs the handler bound to event of the named control of a loaded window: nothing when none
  // is bound or when the control's command is disabled during a run in progress. A control
  // that the layout does not hold is the runtime error "未找到引发事件的窗口组件".
  void ControlEvent(const WindowLayout& layout, std::string_view control, int event);
  // Runs the handler of a chosen menu item, with the same rules.
  void MenuItem(const WindowLayout& layout, std::string_view item);

  // Number of handlers running now, nested ones included.
  int Depth() const { return depth_; }
  // Called each time the outermost running handler has returned.
  void SetAfterOutermost(std::function<void()> callback) { afterOutermost_ = std::move(callback); }

private:
  void Run(std::string_view handler, unsigned styles);

  std::function<bool()> running_;
  std::function<void()> afterOutermost_;
  int depth_ = 0;
};

}  // namespace app
