// Event dispatch with the run-time guard on the commands that would disturb a run.
#include "app/event_dispatcher.h"

#include "app/handler_registry.h"
#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace app {

EventDispatcher::EventDispatcher(std::function<bool()> running) : running_(std::move(running)) {}

void EventDispatcher::ControlEvent(const WindowLayout& layout, std::string_view control,
                                   int event) {
  const ControlLayout* unit = FindControl(layout, control);
  if (unit == nullptr) {
    runtime::ReportRuntimeError(runtime::T("未找到引发事件的窗口组件"), 0);
  }
  Run(BoundHandler(*unit, event), unit->styles);
}

void EventDispatcher::MenuItem(const WindowLayout& layout, std::string_view item) {
  const MenuLayout* entry = FindMenu(layout, item);
  if (entry == nullptr) {
    runtime::ReportRuntimeError(runtime::T("未找到引发事件的窗口组件"), 0);
  }
  Run(entry->handler, entry->styles);
}

void EventDispatcher::Run(std::string_view handler, unsigned styles) {
  if (handler.empty() || ((styles & kDisabledWhileRunning) != 0 && running_ && running_())) {
    return;
  }
  ++depth_;
  struct Unwind {
    EventDispatcher& self;
    ~Unwind() {
      if (--self.depth_ == 0 && self.afterOutermost_) self.afterOutermost_();
    }
  } unwind{*this};
  RunHandler(handler);
}

}  // namespace app
