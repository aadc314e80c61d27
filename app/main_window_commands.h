// The commands of the main window: each reads its settings from the controls, drives the engine
// and shows what it hears in the list, the status box and the status bar.
#pragma once

#include "app/menu_item_looks.h"
#include "collect/collection_settings.h"

namespace app {

// Click handler of "开始处理": refuses a rule that is empty or does not compile, clears the list
// and collects every address of the address box with the settings as they are now.
void StartProcessing();

// Click handler of "测试配置": the first address downloaded and prepared into the page-text box.
void TestConfiguration();

// Click handler of "导出结果": the export text into the page-text box and onto the clipboard.
void ExportResults();

// Menu item "重新采集失败的网址（N）": collects again, with the settings as they are now, the pages
// the last run (or retry) failed to collect, adding their rows after those of the list.
void RetryFailedAddresses();
// The look of that item: shown, with the number of such pages, only when there are some.
MenuItemLook RetryMenuItemLook();

// Removes every column and every row of the result list.
void ClearResultList();

// The settings as the main window's boxes hold them now.
collect::CollectionSettings ReadCollectionSettings();

}  // namespace app
