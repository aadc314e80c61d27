// The main window's settings kept from one start to the next, as a project in the user's
// configuration folder. Only the window uses them; `pelmo collect` never does.
#pragma once

#include <QString>

namespace window {

class MainWindow;

// <configuration folder>/pelmo/last-session.json (XDG_CONFIG_HOME, ~/.config by default).
QString LastSessionFile();

// Fills the loaded main window with the settings saved when it last closed (nothing happens when
// there are none or the file is damaged), and saves its settings there again when it closes.
void KeepSettingsAcrossStarts(MainWindow& mainWindow);

}  // namespace window
