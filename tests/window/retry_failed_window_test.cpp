// Collecting again the pages a run failed to collect, from the toolbox menu of the real window
// against a loopback server: only their rows are added, and the item counts what is left.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <atomic>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "tests/window/window_fixture.h"

namespace window_test {
namespace {

using runtime::T;
using test_support::HttpResponse;

class RetryFailedWindowTest : public MainWindowTest {
protected:

  // Opens the toolbox menu, notes its captions and chooses the one given (none when empty).
  QStringList OpenToolbox(const QString& choose = {}) {
    QStringList captions;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      for (QAction* action : menu->actions()) {
        captions << action->text();
        if (action->text() == choose) ChooseMenuItem(*menu, action);
      }
      if (menu->isVisible()) menu->close();
    });
    Click("导出1");
    return captions;
  }
  int Rows() { return Table().RowCount(); }
  int Columns() { return Table().ColumnCount(); }

  test_support::LoopbackServer server_;
};

TEST_F(RetryFailedWindowTest, RetryAddsOnlyTheRowsOfThePagesThatFailed) {
  std::atomic<int> flakyRequests{0};
  server_.Serve("/ok", HttpResponse(200, collect_test::ListPageGbk(2)));
  // Fails both attempts of the first run, answers from then on.
  server_.SetHandler([&](const test_support::ReceivedRequest&) {
    return test_support::RawReply(++flakyRequests <= 2 ? HttpResponse(500, "busy")
                                                       : HttpResponse(200, collect_test::ListPageGbk(3, 11)));
  });
  const std::string flaky = server_.Url("/flaky");
  SetText("列表网址框", collect_test::AddressBox({server_.Url("/ok"), flaky}));
  EXPECT_FALSE(OpenToolbox().join('|').contains(QStringLiteral("重新采集失败的网址"))) << "nothing failed yet";

  Click("按钮_测试配置");
  ASSERT_EQ(Rows(), 2);
  ASSERT_EQ(flakyRequests, 2);
  EXPECT_TRUE(OpenToolbox(QStringLiteral("重新采集失败的网址（1）")).contains(QStringLiteral("重新采集失败的网址（1）")));

  EXPECT_EQ(flakyRequests, 3);
  EXPECT_EQ(Rows(), 5);
  EXPECT_EQ(Columns(), 5);
  for (int row = 2; row < 5; ++row) {
    EXPECT_EQ(Cell(row, 3), "标题" + std::to_string(9 + row));
    EXPECT_EQ(Cell(row, 4), flaky);
  }
  EXPECT_EQ(server_.Requests().size(), 4u) << "the page that succeeded is not asked again";
  EXPECT_FALSE(OpenToolbox().join('|').contains(QStringLiteral("重新采集失败的网址")));
}

}  // namespace
}  // namespace window_test
