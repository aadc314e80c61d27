// Pop-up menus and the modal generator window.
#include "app/shell_handlers.h"

#include "app/handler_registry.h"
#include "runtime/control_access.h"

namespace app {

void ShowToolboxMenu() { runtime::PopupMenu(runtime::Window::MainWindow, "工具箱"); }

void ShowListMenu() { runtime::PopupMenu(runtime::Window::MainWindow, "列表框"); }

void OpenUrlGenerator() { runtime::LoadWindow(runtime::Window::UrlGeneratorWindow, true); }

void RegisterShellHandlers() {
  RegisterHandler("ShowToolboxMenu", ShowToolboxMenu);
  RegisterHandler("ShowListMenu", ShowListMenu);
  RegisterHandler("OpenUrlGenerator", OpenUrlGenerator);
}

}  // namespace app
