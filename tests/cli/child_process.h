// Running a program as a child process the way a shell user would, for the tests of `pelmo`.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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

// A program started in the background, as a shell user starts one with `&`: no input, its outputs
// going to the files "out" and "err" in folder. Killed and reaped with the test if still running.
class BackgroundProgram {
public:
  BackgroundProgram(const std::string& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& folder)
      : folder_(folder) {
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string out = (folder / "out").string();
    const std::string err = (folder / "err").string();
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, program.c_str(), &files, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&files);
  }
  ~BackgroundProgram() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int signal) { ::kill(pid_, signal); }
  // What it wrote to standard error so far.
  std::string ErrorSoFar() const { return ReadFile(folder_ / "err"); }
  // Waits for its end: the exit status, or 128 plus the signal that ended it.
  Outcome Wait() {
    int raw = 0;
    ::waitpid(pid_, &raw, 0);
    pid_ = -1;
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return {status, ReadFile(folder_ / "out"), ReadFile(folder_ / "err")};
  }

private:
  std::filesystem::path folder_;
  pid_t pid_ = -1;
};

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
