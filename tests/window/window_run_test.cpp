// The collection run through the real window on the offscreen platform: buttons clicked as a
// user would, the window kept live during slow downloads, the stop button, closing mid-run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <set>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "tests/window/window_fixture.h"
#include "window/run_panel.h"

namespace window_test {
namespace {

using test_support::HttpResponse;

constexpr const char* kList = "测试列表框";

class WindowRunTest : public MainWindowTest {
protected:
  void SetAddresses(const std::vector<std::string>& addresses) {
    SetText("列表网址框", collect_test::AddressBox(addresses));
  }
  QPushButton* Button(const char* name) { return Widget<QPushButton>(name); }
  int Rows() { return Table().RowCount(); }

  test_support::LoopbackServer server_;
};

TEST_F(WindowRunTest, StartButtonCollectsIntoTheList) {
  server_.Serve("/p", HttpResponse(200, collect_test::ListPageGbk(20)));
  SetAddresses({server_.Url("/p")});
  Click("按钮_测试配置");
  EXPECT_EQ(Rows(), 20);
  EXPECT_EQ(Table().ColumnCount(), 5);
  EXPECT_EQ(Cell(19, 4), server_.Url("/p"));
  EXPECT_TRUE(Widget(kList)->isVisible());

  Click("导出");
  EXPECT_EQ(QGuiApplication::clipboard()->text().count(QStringLiteral("<tr>")), 20);
}

TEST_F(WindowRunTest, WindowStaysLiveAndCommandsStayIdleDuringASlowDownload) {
  server_.Serve("/slow", SlowListPage(std::chrono::milliseconds(1200)));
  SetAddresses({server_.Url("/slow")});
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  int ticks = 0;
  bool listHidden = false;
  bool panelShown = false;
  bool commandsDisabled = true;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (!Main()->Running()) return;
    ++ticks;
    listHidden = !Widget(kList)->isVisible();
    panelShown = Main()->Panel()->isVisible() && Widget("标签1")->isVisible();
    for (const char* command : {"按钮_测试配置", "处理", "导出"}) {
      commandsDisabled = commandsDisabled && !Button(command)->isEnabled();
      Click(command);  // a disabled button ignores the click
    }
  });
  timer.start(20);
  Click("按钮_测试配置");
  timer.stop();

  EXPECT_GE(ticks, 10);
  EXPECT_TRUE(listHidden);
  EXPECT_TRUE(panelShown);
  EXPECT_TRUE(commandsDisabled);
  EXPECT_EQ(server_.RequestCount(), 1u);
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  EXPECT_TRUE(Button("导出")->isEnabled());
  EXPECT_TRUE(Widget(kList)->isVisible());
}

TEST_F(WindowRunTest, RunPanelShowsPagesRowsAndTimeLeft) {
  server_.Serve("/fast", HttpResponse(200, collect_test::ListPageGbk(20)));
  server_.Serve("/slow", SlowListPage(std::chrono::milliseconds(1000)));
  SetAddresses({server_.Url("/fast"), server_.Url("/slow")});
  std::set<QString> shown;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (Main()->Running()) shown.insert(Main()->Panel()->ProgressLabel()->text());
  });
  timer.start(50);
  Click("按钮_测试配置");
  // While the slow page downloads: the first page's rows, and the second page's time at the first's rate.
  EXPECT_EQ(shown.count(QStringLiteral("1 / 2 页，取到 20 条，剩余约 5 秒")), 1u);
}

TEST_F(WindowRunTest, StopButtonCutsTheDownloadsInFlightAtOnce) {
  std::vector<std::string> addresses;
  for (const char* path : {"/1", "/2", "/3", "/4"}) {
    server_.Serve(path, SlowListPage(std::chrono::seconds(20)));
    addresses.push_back(server_.Url(path));
  }
  SetAddresses(addresses);
  QElapsedTimer sinceStop;
  QTimer::singleShot(400, window_, [&] {
    sinceStop.start();
    QTest::mouseClick(Main()->Panel()->StopButton(), Qt::LeftButton);
  });
  Click("按钮_测试配置");
  EXPECT_LT(sinceStop.elapsed(), 1000);
  EXPECT_EQ(server_.RequestCount(), 4u);
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(BarText(), " 已停止：处理了 0 / 4 个网址，共0条数据");
}

TEST_F(WindowRunTest, ClosingTheWindowMidRunAbandonsTheDownloadAndCloses) {
  server_.Serve("/hang", SlowListPage(std::chrono::seconds(20)));
  server_.Serve("/next", HttpResponse(200, collect_test::ListPageGbk(2)));
  SetAddresses({server_.Url("/hang"), server_.Url("/next")});
  Main()->Boxes().SetNextAnswer(window::kAnswerYes);
  QTimer::singleShot(300, Main(), [this] { Main()->close(); });
  QElapsedTimer elapsed;
  elapsed.start();
  Click("按钮_测试配置");
  EXPECT_LT(elapsed.elapsed(), 10000);
  EXPECT_LE(server_.RequestCount(), 2u);  // no retry: the second page may have been asked ahead
  EXPECT_TRUE(QTest::qWaitFor([this] { return window_ == nullptr; }, 5000));
}

TEST_F(WindowRunTest, ClosingAsksBeforeItStopsARunOrDiscardsRowsNeverExported) {
  constexpr int kWarningYesNo = 0x134;
  server_.Serve("/slow", SlowListPage(std::chrono::milliseconds(600), 3));
  SetAddresses({server_.Url("/slow")});
  bool closed = true;
  Main()->Boxes().SetNextAnswer(window::kAnswerNo);
  QTimer::singleShot(200, Main(), [&] { closed = Main()->close(); });
  Click("按钮_测试配置");
  EXPECT_FALSE(closed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(runtime::TextToUtf8(Messages()[0].message), "正在采集，关闭窗口将停止采集，并丢弃列表中的数据。确定关闭吗？");
  EXPECT_EQ(Messages()[0].flags, kWarningYesNo);
  EXPECT_EQ(Rows(), 3) << "the run went on";

  Main()->Boxes().SetNextAnswer(window::kAnswerNo);
  EXPECT_FALSE(Main()->close());
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(runtime::TextToUtf8(Messages()[1].message), "列表中的 3 条数据尚未导出，关闭窗口将丢弃它们。确定关闭吗？");
  EXPECT_EQ(Messages()[1].flags, kWarningYesNo);

  Click("导出");  // to the clipboard
  EXPECT_TRUE(Main()->close());
  EXPECT_EQ(Messages().size(), 2u);
}

}  // namespace
}  // namespace window_test
