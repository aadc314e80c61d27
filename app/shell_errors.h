// The runtime errors of the shell: windows, controls and properties that cannot be reached.
#pragma once

namespace app {

// A window-level operation on a window that is not loaded: "指定窗口尚未载入".
[[noreturn]] void WindowNotLoaded();
// A control or menu that is not in a loaded window: "未载入欲访问窗口组件所在的窗口".
[[noreturn]] void ControlNotReachable();
// An event from a window that is not loaded: "未找到引发事件的窗口".
[[noreturn]] void EventWindowNotFound();
// A property or operation the control does not have: error 11.
[[noreturn]] void PropertyNotSupported();

}  // namespace app
