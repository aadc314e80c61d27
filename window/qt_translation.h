// Qt's own texts (file dialogs, standard buttons, the edit boxes' context menus) in Chinese, as
// every other text of the program is.
#pragma once

namespace window {

// Loads Qt's Chinese translation (qtbase_zh_CN from the Qt translations folder) into the running
// application and makes Chinese the default locale, whatever the system's locale. False when the
// translation is not installed; Qt's texts then stay English.
bool InstallQtTranslation();

}  // namespace window
