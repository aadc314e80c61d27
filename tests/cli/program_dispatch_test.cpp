// What `pelmo` is as a process: the window program started in its place when it is called without
// a command (beside it, or in ../lib/pelmo/ when installed), a clear refusal when that program is
// missing, and `pelmo collect` mapping no Qt or display library while it runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/cli/child_process.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"

extern char** environ;

namespace {

using ::testing::HasSubstr;

// A stand-in for the window program that tells where it lies and its arguments, one a line.
constexpr const char* kFakeWindow = "#!/bin/sh\nfor a in \"$0\" \"$@\"; do echo \"$a\"; done\n";

struct Placement {
  const char* name;
  const char* pelmo;   // where pelmo lies in the folder
  const char* window;  // where the window program lies; null: nowhere
};

TEST(ProgramDispatch, WithoutACommandThePelmoWindowProgramRunsInItsPlace) {
  const Placement placements[] = {
      {"build folder", "pelmo", "pelmo-window"},
      {"installed", "usr/bin/pelmo", "usr/lib/pelmo/pelmo-window"},
      {"missing", "bin/pelmo", nullptr},
  };
  for (const Placement& placement : placements) {
    SCOPED_TRACE(placement.name);
    cli_test::TestFolder folder;
    const std::filesystem::path pelmo = folder.Path() / placement.pelmo;
    std::filesystem::create_directories(pelmo.parent_path());
    std::filesystem::copy_file(PELMO_BINARY, pelmo);
    if (placement.window != nullptr) {
      const std::filesystem::path window = folder.Path() / placement.window;
      std::filesystem::create_directories(window.parent_path());
      std::ofstream(window) << kFakeWindow;
      std::filesystem::permissions(window, std::filesystem::perms::owner_all);
    }
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{}, {"--screenshot", "a b.png", "--scene", "run"}}) {
      const cli_test::Outcome outcome = cli_test::RunProgram(pelmo.string(), arguments, folder.Path());
      if (placement.window == nullptr) {
        EXPECT_EQ(outcome.status, 2);
        EXPECT_THAT(outcome.err, HasSubstr("pelmo-window is not installed"));
        EXPECT_EQ(outcome.out, "");
        continue;
      }
      ASSERT_EQ(outcome.status, 0) << outcome.err;
      std::string expected = (folder.Path() / placement.window).string() + "\n";
      for (const std::string& argument : arguments) expected += argument + "\n";
      EXPECT_EQ(outcome.out, expected);
    }
    // The command line itself never needs the window program.
    EXPECT_EQ(cli_test::RunProgram(pelmo.string(), {"--help"}, folder.Path()).status, 0);
  }
}

TEST(ProgramDispatch, CollectMapsNoQtAndNoDisplayLibrary) {
  test_support::LoopbackServer server;
  test_support::Reply slow = test_support::RawReply(test_support::HttpResponse(200, collect_test::ListPageGbk(2)));
  slow.delay = std::chrono::milliseconds(1500);
  server.Serve("/slow", slow);
  cli_test::TestFolder folder;
  const std::string out = (folder.Path() / "out").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string address = server.Url("/slow");
  char* const argv[] = {const_cast<char*>(PELMO_BINARY), const_cast<char*>("collect"),
                        const_cast<char*>(address.c_str()), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, PELMO_BINARY, &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  // The maps are read while the request waits for its answer, the program fully loaded.
  for (int i = 0; i < 200 && server.RequestCount() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const std::string maps = cli_test::ReadFile("/proc/" + std::to_string(child) + "/maps");
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(server.RequestCount(), 1u);
  EXPECT_THAT(maps, HasSubstr("libcurl"));
  for (const char* library : {"libQt6", "libX11", "libGL", "libfontconfig", "libxcb"}) {
    EXPECT_THAT(maps, ::testing::Not(HasSubstr(library))) << library;
  }
  const std::string rows = cli_test::ReadFile(out);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 2);
}

}  // namespace
