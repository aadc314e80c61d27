// The handlers of the shell itself: the two pop-up menus and the address-generator window.
#pragma once

namespace app {

// Click of "工具箱 ▼": the pop-up menu `工具箱` at the mouse pointer.
void ShowToolboxMenu();
// Right click in the result list: the pop-up menu `列表框` at the mouse pointer.
void ShowListMenu();
// Menu item "生成有序列表网址": opens UrlGeneratorWindow, modal, and returns while it is open.
void OpenUrlGenerator();
// Click of "填入列表网址": appends the generated lines to the address box of the main window,
// on a line of their own; the last line's break is left out, so that no empty address follows.
void FillAddressBox();

// Registers the four under the names the layouts bind.
void RegisterShellHandlers();

}  // namespace app
