// The program with its window: start-up, the event loop and the end of the program.
#pragma once

namespace window {

// Starts the window front end: the main window shown, events dispatched until it closes, then
// the clean-up routines. Returns the exit code. A hidden option `--screenshot FILE` saves an
// image of the main window as it opens to FILE and closes it.
int RunWindow(int argc, char** argv);

}  // namespace window
