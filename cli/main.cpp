// `pelmo`: the command line without Qt. `pelmo collect …`, `pelmo export …` and `pelmo --help` run
// here; anything else (no arguments, or the window's own options) is handed to the window program.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/collect_command.h"
#include "cli/export_command.h"
#include "cli/window_launch.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::fputs(cli::UsageText().c_str(), stdout);
    return 0;
  }
  if (!arguments.empty() && arguments[0] == "collect") {
    return cli::RunCollectCommand(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  }
  if (!arguments.empty() && arguments[0] == "export") {
    return cli::RunExportCommand(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  }
  return cli::StartWindowProgram(argv);
}
