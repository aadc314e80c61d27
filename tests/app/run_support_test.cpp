// Support of a collection run in the Qt window: background work while events keep flowing, the
// commands disabled and ignored during a run, the progress and stop button, and closing the
// window in the middle of a run.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/program_handlers.h"
#include "app/run_panel.h"
#include "runtime/code_page.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::Window;

// Waits on the calling thread until condition holds; gives up after a generous bound so that a
// failing test ends instead of hanging.
template <typename Condition>
bool WaitUntil(Condition condition) {
  for (int i = 0; i < 10000 && !condition(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

class RunSupportTest : public ::testing::Test {
protected:
  void SetUp() override { app::RegisterProgramHandlers(); }
  app::LayoutWindow* Main() { return frontEnd_.controls.WindowOf(Window::MainWindow); }
  QtFrontEnd frontEnd_;
};

TEST_F(RunSupportTest, EventsKeepFlowingWhileTheWorkRuns) {
  std::atomic<int> ticks{0};
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start();
  bool sawTicks = false;
  std::thread::id workThread;
  frontEnd_.controls.RunInBackground([&] {
    workThread = std::this_thread::get_id();
    const int before = ticks;
    // The timer can only fire now if the GUI thread is serving events while this runs.
    sawTicks = WaitUntil([&] { return ticks >= before + 3; });
  });
  EXPECT_TRUE(sawTicks);
  EXPECT_NE(workThread, std::this_thread::get_id());
}

TEST_F(RunSupportTest, FailureOfTheWorkReachesTheCaller) {
  EXPECT_THROW(frontEnd_.controls.RunInBackground([] { throw std::runtime_error("failed"); }),
               std::runtime_error);
}

TEST_F(RunSupportTest, RunDisablesAndIgnoresTheCommandsThatWouldDisturbIt) {
  HandlerCounts counts{"StartProcessing", "TestConfiguration", "ExportResults", "ShowToolboxMenu"};
  frontEnd_.controls.SetRunning(true);
  for (const char* name : {"按钮_测试配置", "处理", "导出"}) {
    auto* button = Main()->WidgetAs<QPushButton>(name);
    EXPECT_FALSE(button->isEnabled()) << name;
    emit button->clicked();
  }
  EXPECT_EQ(counts.Total(), 0);
  EXPECT_TRUE(Main()->Widget("导出1")->isEnabled());
  emit Main()->WidgetAs<QPushButton>("导出1")->clicked();
  EXPECT_EQ(counts["ShowToolboxMenu"], 1);

  frontEnd_.controls.SetRunning(false);
  for (const char* name : {"按钮_测试配置", "处理", "导出"}) {
    EXPECT_TRUE(Main()->Widget(name)->isEnabled()) << name;
  }
  QTest::mouseClick(Main()->Widget("按钮_测试配置"), Qt::LeftButton);
  EXPECT_EQ(counts["StartProcessing"], 1);
}

TEST_F(RunSupportTest, ProgressAndStopButtonShowBesideTheWaitingLabel) {
  app::RunPanel* panel = frontEnd_.controls.RunPanelOf();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isHidden());
  frontEnd_.controls.SetRunning(true);
  runtime::WriteProperty(Window::MainWindow, "测试列表框", runtime::Property::kVisible, 0);
  EXPECT_FALSE(panel->isHidden());
  frontEnd_.controls.ShowRunProgress(2, 5, 0);
  EXPECT_EQ(panel->ProgressLabel()->text(), QStringLiteral("2 / 5 页"));
  frontEnd_.controls.ShowRunProgress(3, 5, 1);
  EXPECT_EQ(panel->ProgressLabel()->text(), QStringLiteral("3 / 5 页，失败 1"));
  EXPECT_EQ(panel->StopButton()->text(), QStringLiteral("停止"));
  EXPECT_TRUE(Main()->Widget("标签1")->geometry().right() < panel->geometry().left());

  EXPECT_FALSE(frontEnd_.controls.StopRequested());
  QTest::mouseClick(panel->StopButton(), Qt::LeftButton);
  EXPECT_TRUE(frontEnd_.controls.StopRequested());
  EXPECT_FALSE(frontEnd_.controls.AbortRequested());
  EXPECT_FALSE(panel->StopButton()->isEnabled());

  frontEnd_.controls.SetRunning(false);
  EXPECT_TRUE(panel->isHidden());
  frontEnd_.controls.SetRunning(true);
  EXPECT_FALSE(frontEnd_.controls.StopRequested());
  EXPECT_TRUE(panel->StopButton()->isEnabled());
  EXPECT_TRUE(panel->ProgressLabel()->text().isEmpty());
  frontEnd_.controls.SetRunning(false);
}

TEST_F(RunSupportTest, ClosingDuringARunEndsTheRunFirstThenTheWindow) {
  bool sawAbort = false;
  bool controlsReachableAfterwards = false;
  app::RegisterHandler("StartProcessing", [&] {
    runtime::Controls().SetRunning(true);
    runtime::Controls().RunInBackground(
        [&] { sawAbort = WaitUntil([] { return runtime::Controls().AbortRequested(); }); });
    controlsReachableAfterwards =
        runtime::ReadText(Window::MainWindow, "正则框") != runtime::Text();
    runtime::Controls().SetRunning(false);
  });
  QTimer::singleShot(0, [this] { Main()->close(); });
  QTest::mouseClick(Main()->Widget("按钮_测试配置"), Qt::LeftButton);
  EXPECT_TRUE(sawAbort);
  EXPECT_TRUE(controlsReachableAfterwards);
  EXPECT_TRUE(frontEnd_.controls.StopRequested());
  for (int i = 0; i < 100 && Main() != nullptr; ++i) runtime::ProcessEvents();
  EXPECT_EQ(Main(), nullptr);
  app::RegisterHandler("StartProcessing", nullptr);
}

TEST_F(RunSupportTest, ClosingWithoutARunClosesAtOnce) {
  ASSERT_TRUE(Main()->close());
  EXPECT_EQ(Main(), nullptr);
  EXPECT_FALSE(frontEnd_.controls.AbortRequested());
}

}  // namespace
}  // namespace app_test
