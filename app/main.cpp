// The window program, `pelmo-window`: binds the handlers and runs the window. `pelmo` starts it
// when it is called without a command of its own.
#include "app/program_handlers.h"
#include "app/window_run.h"

int main(int argc, char** argv) {
  app::RegisterProgramHandlers();
  return app::RunWindow(argc, argv);
}
