// The 工具箱 commands over collection projects: open one into the window, save the window's
// settings as one, and bring the window's defaults back.
#pragma once

namespace app {

// Menu item "打开项目…" (Ctrl+O): a project file chosen by the user fills every setting box, the
// separator and the fetching limits. A file that cannot be read or is no project gets a warning
// box naming the file and the fault, and nothing changes.
void OpenProject();

// Menu item "保存项目…" (Ctrl+S): the settings as the window holds them now, into a file the
// user names (".pelmo.json" added to a name without an extension). A failure gets a warning box.
void SaveProjectAs();

// Menu item "恢复默认设置": every setting box, the separator and the fetching limits as the
// window starts without a saved session.
void RestoreDefaultSettings();

}  // namespace app
