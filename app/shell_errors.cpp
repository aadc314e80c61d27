// Reports of the shell's runtime errors.
#include "app/shell_errors.h"

#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace app {

void WindowNotLoaded() { runtime::ReportRuntimeError(runtime::T("指定窗口尚未载入"), 0); }

void ControlNotReachable() {
  runtime::ReportRuntimeError(runtime::T("未载入欲访问窗口组件所在的窗口"), 0);
}

void EventWindowNotFound() { runtime::ReportRuntimeError(runtime::T("未找到引发事件的窗口"), 0); }

void PropertyNotSupported() { runtime::RaiseRuntimeError(11); }

}  // namespace app
