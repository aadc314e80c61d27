// The main window's settings kept from one start to the next, as a project in the user's
// configuration folder, with the window's place on the screen beside it. Only the window uses
// them; `pelmo collect` never does, and a project file never holds the window's place.
#pragma once

#include <QString>

namespace window {

class MainWindow;

// <configuration folder>/pelmo/last-session.json (XDG_CONFIG_HOME, ~/.config by default).
QString LastSessionFile();

// Fills the loaded main window with the settings saved when it last closed and puts it where it
// was, as large as it was, maximised if it was (nothing happens when there is nothing saved or
// the file is damaged; a place that lies on no screen now keeps the window's default place), and
// saves its settings and its place there again when it closes. Called before the window is shown.
void KeepSettingsAcrossStarts(MainWindow& mainWindow);

}  // namespace window
