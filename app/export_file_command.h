// The result list written to a file the user names, in the format its extension asks for.
#pragma once

namespace app {

// Menu item "导出到文件…" of the 工具箱 and 列表框 menus: the rows of the result list (column 0
// left out, captions from the list's columns, the separator box for plain text) written in UTF-8
// as CSV, TSV, JSON Lines, HTML or the export text of "导出结果", chosen by the file's extension.
// The file is written aside and renamed over the old one; the status bar then names it, and a
// failure gets a warning box.
void ExportToFile();

}  // namespace app
