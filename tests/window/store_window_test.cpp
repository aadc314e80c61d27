// The run store through the real window against a loopback server: a stopped run carried on from
// the toolbox menu, a chosen store's last run in the list, and only new records as a check mark.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "runtime/code_page.h"
#include "tests/window/window_fixture.h"
#include "window/file_choice.h"

namespace window_test {
namespace {

using test_support::HttpResponse;

struct MenuEntry {
  QString caption;
  bool enabled = false;
  bool checked = false;
};

class StoreWindowTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(folder_.isValid());
  }
  // Opens the toolbox menu, notes its entries and chooses the one named (none when empty).
  std::map<std::string, MenuEntry> OpenToolbox(const char* choose = "") {
    std::map<std::string, MenuEntry> entries;
    WithNextPopup([&](QMenu& menu) {
      for (QAction* action : menu.actions()) {
        entries[action->objectName().toStdString()] = {action->text(), action->isEnabled(), action->isChecked()};
      }
      if (QAction* item = ActionNamed(menu, choose)) ChooseMenuItem(menu, item);
    });
    Click("导出1");
    return entries;
  }
  void ChooseStore(const QString& file) {
    window::SetNextFileName(file);
    OpenToolbox("采集库");
  }
  int Requests(const std::string& path) {
    int count = 0;
    for (const test_support::ReceivedRequest& request : server_.Requests()) count += request.Path() == path;
    return count;
  }

  QTemporaryDir folder_;
  test_support::LoopbackServer server_;
};

TEST_F(StoreWindowTest, StoppedRunIsCarriedOnFromTheToolboxMenuWithItsRowsFirst) {
  server_.Serve("/1", HttpResponse(200, collect_test::ListPageGbk(2, 10)));
  server_.Serve("/2", HttpResponse(200, collect_test::ListPageGbk(2, 20)));
  server_.Serve("/3", SlowListPage(std::chrono::milliseconds(1500)));
  SetText("列表网址框", collect_test::AddressBox({server_.Url("/1"), server_.Url("/2"), server_.Url("/3")}));
  ChooseStore(folder_.filePath(QStringLiteral("news")));
  EXPECT_EQ(BarText(), " 采集库：" + folder_.filePath(QStringLiteral("news.pelmo.sqlite")).toStdString());
  EXPECT_EQ(OpenToolbox().count("继续上次的采集"), 0u);

  QTimer::singleShot(500, window_, [this] { QTest::mouseClick(Main()->Panel()->StopButton(), Qt::LeftButton); });
  Click("按钮_测试配置");
  ASSERT_EQ(Table().RowCount(), 4);
  EXPECT_EQ(OpenToolbox()["继续上次的采集"].caption, QStringLiteral("继续上次的采集（2 / 3）"));

  server_.Serve("/3", HttpResponse(200, collect_test::ListPageGbk(2, 30)));
  OpenToolbox("继续上次的采集");
  ASSERT_EQ(Table().RowCount(), 6);
  EXPECT_EQ(Cell(0, 3), "标题10");
  EXPECT_EQ(Cell(5, 3), "标题31");
  EXPECT_EQ(Requests("/1") + Requests("/2"), 2) << "the pages the run processed are not fetched again";
  EXPECT_EQ(BarText(), " 共6条数据");
  EXPECT_EQ(OpenToolbox().count("继续上次的采集"), 0u);
  // The store keeps the rows: closing does not ask before it discards them.
  EXPECT_TRUE(Main()->close());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(StoreWindowTest, ChosenStoreShowsItsLastRunAndOnlyNewRecordsFollowTheCheckMark) {
  server_.Serve("/1", HttpResponse(200, collect_test::ListPageGbk(3)));
  SetText("列表网址框", server_.Url("/1"));
  const QString file = folder_.filePath(QStringLiteral("s.pelmo.sqlite"));
  EXPECT_FALSE(OpenToolbox()["只采集新纪录"].enabled) << "without a store";
  ChooseStore(file);
  Click("按钮_测试配置");
  ASSERT_EQ(Table().RowCount(), 3);

  Main()->ClearResultList();
  ChooseStore(file);
  EXPECT_EQ(Table().RowCount(), 3);
  EXPECT_EQ(Cell(2, 3), "标题3");
  EXPECT_EQ(BarText(), " 采集库：" + file.toStdString() + "，第 1 次采集，共3条数据");

  const MenuEntry onlyNew = OpenToolbox("只采集新纪录")["只采集新纪录"];
  EXPECT_TRUE(onlyNew.enabled);
  EXPECT_FALSE(onlyNew.checked);
  EXPECT_TRUE(OpenToolbox()["只采集新纪录"].checked);
  EXPECT_TRUE(Main()->ReadProject().store.onlyNew);
  Click("按钮_测试配置");
  EXPECT_EQ(Table().RowCount(), 0);
  EXPECT_EQ(BarText(), " 共0条数据（另有 3 条已在以前采集过）");

  const QString text = folder_.filePath(QStringLiteral("notes.txt"));
  QFile notes(text);
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.write("not a store");
  notes.close();
  Main()->Boxes().SetNextAnswer(0);
  ChooseStore(text);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(runtime::TextToUtf8(Messages()[0].message), "采集库 “" + text.toStdString() + "” 不是 Pelmo 采集库");
  EXPECT_EQ(Main()->ReadProject().store.file, file.toStdString());
}

}  // namespace
}  // namespace window_test
