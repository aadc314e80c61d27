// Support of a collection run in the window: background work while events keep flowing, the
// commands disabled and ignored during a run, the progress and stop button, and closing the
// window in the middle of a run.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "tests/window/window_fixture.h"
#include "window/background_work.h"
#include "window/run_panel.h"

namespace window_test {
namespace {

// Waits on the calling thread until condition holds; gives up after a generous bound so that a
// failing test ends instead of hanging.
template <typename Condition>
bool WaitUntil(Condition condition) {
  for (int i = 0; i < 10000 && !condition(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

using RunSupportTest = MainWindowTest;

TEST(BackgroundWork, EventsKeepFlowingWhileTheWorkRuns) {
  std::atomic<int> ticks{0};
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start();
  bool sawTicks = false;
  std::thread::id workThread;
  window::RunInBackground([&] {
    workThread = std::this_thread::get_id();
    const int before = ticks;
    // The timer can only fire now if the GUI thread is serving events while this runs.
    sawTicks = WaitUntil([&] { return ticks >= before + 3; });
  });
  EXPECT_TRUE(sawTicks);
  EXPECT_NE(workThread, std::this_thread::get_id());
}

TEST(BackgroundWork, FailureOfTheWorkReachesTheCaller) {
  EXPECT_THROW(window::RunInBackground([] { throw std::runtime_error("failed"); }), std::runtime_error);
}

TEST_F(RunSupportTest, RunDisablesAndIgnoresTheCommandsThatWouldDisturbIt) {
  SetText("正则框", "");  // a start would be refused with a message box
  SetText("列表网址框", "");
  Main()->SetRunning(true);
  for (const char* name : {"按钮_测试配置", "处理", "导出"}) {
    auto* button = Widget<QPushButton>(name);
    EXPECT_FALSE(button->isEnabled()) << name;
    emit button->clicked();
  }
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(BarText(), "") << "neither the test nor the export ran";
  EXPECT_TRUE(Widget("导出1")->isEnabled());
  bool menuOpened = false;
  WithNextPopup([&menuOpened](QMenu&) { menuOpened = true; });
  emit Widget<QPushButton>("导出1")->clicked();
  EXPECT_TRUE(menuOpened);

  Main()->SetRunning(false);
  for (const char* name : {"按钮_测试配置", "处理", "导出"}) {
    EXPECT_TRUE(Widget(name)->isEnabled()) << name;
  }
  Main()->Boxes().SetNextAnswer(window::kAnswerOk);
  Click("按钮_测试配置");
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(RunSupportTest, ProgressAndStopButtonShowBesideTheWaitingLabel) {
  window::RunPanel* panel = Main()->Panel();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isHidden());
  Main()->SetRunning(true);
  Widget("测试列表框")->hide();
  EXPECT_FALSE(panel->isHidden());
  Main()->ShowRunProgress(collect::ProgressFigures::Start(5));
  EXPECT_EQ(panel->ProgressLabel()->text(), QStringLiteral("0 / 5 页"));
  collect::ProgressFigures figures{3, 5, 1, 40, std::chrono::seconds(170)};
  Main()->ShowRunProgress(figures);
  EXPECT_EQ(panel->ProgressLabel()->text(), QStringLiteral("3 / 5 页，失败 1，取到 40 条，剩余约 3 分钟"));
  figures = {.pagesDone = 3, .pageCount = 10, .pagesFailed = 1, .rowsFound = 57, .timeLeft = {},
             .followsNextPages = false, .fetchesDetailPages = true, .detailPagesDone = 57, .detailPageCount = 200,
             .detailPagesFailed = 1};
  Main()->ShowRunProgress(figures);
  EXPECT_EQ(panel->ProgressLabel()->text(), QStringLiteral("列表 3 / 10 页，详细页 57 / 200，失败 2，取到 57 条"));
  panel->layout()->activate();
  EXPECT_GE(panel->StopButton()->x(), panel->ProgressLabel()->fontMetrics().horizontalAdvance(panel->ProgressLabel()->text()));
  EXPECT_LE(panel->StopButton()->geometry().right(), panel->width());
  EXPECT_EQ(panel->StopButton()->text(), QStringLiteral("停止"));
  EXPECT_TRUE(Widget("标签1")->geometry().right() < panel->geometry().left());

  EXPECT_FALSE(Main()->StopRequested());
  QTest::mouseClick(panel->StopButton(), Qt::LeftButton);
  EXPECT_TRUE(Main()->StopRequested());
  EXPECT_FALSE(panel->StopButton()->isEnabled());

  Main()->SetRunning(false);
  EXPECT_TRUE(panel->isHidden());
  Main()->SetRunning(true);
  EXPECT_FALSE(Main()->StopRequested());
  EXPECT_TRUE(panel->StopButton()->isEnabled());
  EXPECT_TRUE(panel->ProgressLabel()->text().isEmpty());
  Main()->SetRunning(false);
}

TEST_F(RunSupportTest, ClosingDuringARunEndsTheRunFirstThenTheWindow) {
  test_support::LoopbackServer server;
  server.Serve("/hang", SlowListPage(std::chrono::seconds(20)));
  SetText("列表网址框", server.Url("/hang"));
  bool closedAtOnce = true;
  bool runEndedWithTheWindowStillThere = false;
  Main()->Boxes().SetNextAnswer(window::kAnswerYes);
  QTimer::singleShot(300, Main(), [&] { closedAtOnce = Main()->close(); });
  Click("按钮_测试配置");
  runEndedWithTheWindowStillThere = window_ != nullptr && !Main()->Running();
  EXPECT_FALSE(closedAtOnce) << "the window waits for the run";
  EXPECT_TRUE(runEndedWithTheWindowStillThere);
  EXPECT_TRUE(QTest::qWaitFor([this] { return window_ == nullptr; }, 5000));
}

TEST_F(RunSupportTest, ClosingWithoutARunClosesAtOnce) {
  ASSERT_TRUE(Main()->close());
  EXPECT_TRUE(QTest::qWaitFor([this] { return window_ == nullptr; }, 5000));
}

}  // namespace
}  // namespace window_test
