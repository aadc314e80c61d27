// `pelmo collect --project` on the project file the window's test opens too: the same requests,
// byte for byte, and the same exported rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/cli/child_process.h"
#include "tests/support/shared_project.h"

namespace {

TEST(SharedProject, CommandLineRunsTheProjectAsTheWindowDoes) {
  test_support::LoopbackServer server;
  shared_project::ServePages(server);
  cli_test::TestFolder folder;
  const std::string project = shared_project::WriteProjectFile(folder.Path().string(), server);
  const cli_test::Outcome outcome = cli_test::RunProgram(PELMO_BINARY, {"collect", "--project", project}, folder.Path());
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(shared_project::ReceivedRequests(server), shared_project::ExpectedRequests(server));
  EXPECT_EQ(outcome.out, shared_project::ExpectedExport(server));
}

}  // namespace
