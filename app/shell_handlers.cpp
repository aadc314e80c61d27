// Pop-up menus, the modal generator window and the transfer of its lines.
#include "app/shell_handlers.h"

#include "app/handler_registry.h"
#include "runtime/control_access.h"

namespace app {

namespace {

using runtime::Text;
using runtime::Window;

constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

void ShowToolboxMenu() { runtime::PopupMenu(Window::MainWindow, "工具箱"); }

void ShowListMenu() { runtime::PopupMenu(Window::MainWindow, "列表框"); }

void OpenUrlGenerator() { runtime::LoadWindow(Window::UrlGeneratorWindow, true); }

void FillAddressBox() {
  Text lines = runtime::ReadText(Window::UrlGeneratorWindow, "编辑框5");
  if (lines.ends_with(kLineBreak)) {
    lines.resize(lines.size() - kLineBreak.size());
  }
  if (lines.empty()) {
    return;
  }
  const Text addresses = runtime::ReadText(Window::MainWindow, "列表网址框");
  if (!addresses.empty() && !addresses.ends_with(kLineBreak)) {
    lines.insert(0, kLineBreak);
  }
  runtime::EditBoxAppend(Window::MainWindow, "列表网址框", lines);
}

void RegisterShellHandlers() {
  RegisterHandler("ShowToolboxMenu", ShowToolboxMenu);
  RegisterHandler("ShowListMenu", ShowListMenu);
  RegisterHandler("OpenUrlGenerator", OpenUrlGenerator);
  RegisterHandler("FillAddressBox", FillAddressBox);
}

}  // namespace app
