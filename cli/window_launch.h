// `pelmo` without a command of its own hands over to the window program, `pelmo-window`, which is
// the only part of Pelmo that needs Qt and a display.
#pragma once

#include <optional>
#include <string>

namespace cli {

// The file name of the window program.
inline constexpr const char* kWindowProgram = "pelmo-window";

// Where the window program lies for a `pelmo` at programPath: beside it (a build folder), then in
// ../lib/pelmo/ (the installed place); nothing when it is in neither.
std::optional<std::string> FindWindowProgram(const std::string& programPath);

// Replaces this process with the window program, started with the same arguments (argv[0]
// included, so the window keeps the program's name). Returns only when it cannot: then it has
// told standard error why, and the result is the exit status to end with (2).
int StartWindowProgram(char** argv);

}  // namespace cli
