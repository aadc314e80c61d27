// Finding and starting the window program.
#include "cli/window_launch.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace cli {
namespace {

constexpr int kCannotStartWindow = 2;

bool IsExecutableFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> FindWindowProgram(const std::string& programPath) {
  const std::filesystem::path folder = std::filesystem::path(programPath).parent_path();
  for (const std::filesystem::path& candidate :
       {folder / kWindowProgram, folder / ".." / "lib" / "pelmo" / kWindowProgram}) {
    if (IsExecutableFile(candidate)) return candidate.lexically_normal().string();
  }
  return std::nullopt;
}

int StartWindowProgram(char** argv) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::optional<std::string> window = error ? std::nullopt : FindWindowProgram(self.string());
  if (!window) {
    std::fprintf(stderr,
                 "pelmo: the window program %s is not installed (looked beside %s and in ../lib/pelmo/);\n"
                 "pelmo collect works without it (see pelmo --help)\n",
                 kWindowProgram, self.string().c_str());
    return kCannotStartWindow;
  }
  ::execv(window->c_str(), argv);
  std::fprintf(stderr, "pelmo: cannot start %s: %s\n", window->c_str(), std::strerror(errno));
  return kCannotStartWindow;
}

}  // namespace cli
