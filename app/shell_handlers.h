// The handlers of the shell itself: the two pop-up menus and the address-generator window.
#pragma once

namespace app {

// Click of "工具箱 ▼": the pop-up menu `工具箱` at the mouse pointer.
void ShowToolboxMenu();
// Right click in the result list: the pop-up menu `列表框` at the mouse pointer.
void ShowListMenu();
// Menu item "生成有序列表网址": UrlGeneratorWindow, modal; returns when it has closed.
void OpenUrlGenerator();

// Registers the three under the names the layouts bind.
void RegisterShellHandlers();

}  // namespace app
