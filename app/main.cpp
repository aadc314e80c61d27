// The program's entry point: binds the handlers and hands over to a front end: the window, or
// `pelmo collect` without one.
#include <cstdio>
#include <string>
#include <vector>

#include "app/collect_command.h"
#include "app/program_handlers.h"
#include "app/window_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::fputs(app::UsageText().c_str(), stdout);
    return 0;
  }
  if (!arguments.empty() && arguments[0] == "collect") {
    return app::RunCollectCommand(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  }
  app::RegisterProgramHandlers();
  return app::RunWindow(argc, argv);
}
