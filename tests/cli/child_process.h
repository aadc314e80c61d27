// Running a program as a child process the way a shell user would, for the tests of `pelmo`.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace cli_test {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string Quote(const std::string& argument) {
  std::string quoted = "'";
  for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), {});
}

// Runs program with the arguments, input on its standard input; its outputs pass through files
// in folder. A child that hangs is ended after a minute, so that it fails the test instead of
// holding the suite.
inline Outcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const std::filesystem::path& folder, const std::string& input = "") {
  std::string command = "timeout 60 " + Quote(program);
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  std::ofstream(folder / "in", std::ios::binary) << input;
  command += " < " + Quote((folder / "in").string()) + " > " + Quote((folder / "out").string()) + " 2> " +
             Quote((folder / "err").string());
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(folder / "out"), ReadFile(folder / "err")};
}

// A folder of the test's own under the system's temporary folder, removed with it.
class TestFolder {
public:
  TestFolder()
      : path_(std::filesystem::temp_directory_path() /
              ("pelmo-cli-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& Path() const { return path_; }

private:
  std::filesystem::path path_;
};

}  // namespace cli_test
