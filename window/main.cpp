// The window program, `pelmo-window`: `pelmo` starts it when it is called without a command of its
// own, and it can be started directly.
#include "window/window_run.h"

int main(int argc, char** argv) { return window::RunWindow(argc, argv); }
