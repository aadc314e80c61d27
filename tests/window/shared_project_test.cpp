// The window on the project file `pelmo collect`'s test runs too: opened with "打开项目…", collected
// with "开始处理" and exported with "导出结果", it makes the same requests, byte for byte, and
// exports the same rows.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/support/shared_project.h"
#include "tests/window/window_fixture.h"
#include "window/file_choice.h"

namespace window_test {
namespace {

using SharedProjectTest = MainWindowTest;

TEST_F(SharedProjectTest, WindowRunsTheProjectAsTheCommandLineDoes) {
  test_support::LoopbackServer server;
  shared_project::ServePages(server);
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string project = shared_project::WriteProjectFile(folder.path().toStdString(), server);
  window::SetNextFileName(QString::fromStdString(project));
  Main()->OpenProject();
  ASSERT_TRUE(Messages().empty());
  Click("按钮_测试配置");
  Click("导出");
  EXPECT_EQ(shared_project::ReceivedRequests(server), shared_project::ExpectedRequests(server));
  EXPECT_EQ(BoxText("测试编辑框"), shared_project::ExpectedExport(server));
}

}  // namespace
}  // namespace window_test
