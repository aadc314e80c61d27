// "翻页与详细页…" in the real window: the dialog's test button on the tested page, and a run that
// follows the next page and fills the detail pages' named columns.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "tests/window/window_fixture.h"
#include "window/links_dialog.h"

namespace window_test {
namespace {

using runtime::T;
using test_support::HttpResponse;
using ::testing::HasSubstr;

class LinksWindowTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    for (int page = 1; page <= 2; ++page) {
      std::string list = "<div id=list>";
      for (int item = page * 10; item < page * 10 + 3; ++item) {
        list += "<p><a href=\"../item/" + std::to_string(item) + ".html?a=1&amp;b=2\">标题" + std::to_string(item) + "</a></p>";
        server_.Serve("/item/" + std::to_string(item) + ".html?a=1&b=2",
                      HttpResponse(200, T("<h1>x</h1><em>作者" + std::to_string(item) + "</em>")));
      }
      list += std::string(page == 1 ? "<a rel=next href=\"2.html\">下一页</a>" : "") + "</div>";
      server_.Serve("/list/" + std::to_string(page) + ".html", HttpResponse(200, T(list)));
    }
    SetText("列表网址框", server_.Url("/list/1.html"));
    SetText("采集前", "<div id=list>");
    SetText("采集后", "</div>");
    SetText("正则框", "<p><a href=\"[var:链接]\">[var:标题]</a></p>");
  }

  test_support::LoopbackServer server_;
};

TEST_F(LinksWindowTest, TestButtonShowsTheFirstRecordsDetailAndARunFillsTheNamedColumns) {
  Click("处理");
  std::string report;
  WithNextPopup([&](QMenu& menu) {
    QAction* item = ActionNamed(menu, "翻页与详细页");
    ASSERT_NE(item, nullptr);
    QTimer::singleShot(0, window_, [&] {
      auto* dialog = qobject_cast<window::LinksDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->NextRuleBox()->setText(QStringLiteral("<a rel=next href=\"[var]\">"));
      dialog->DetailColumnBox()->setEditText(QStringLiteral("链接"));
      dialog->DetailRuleBox()->setText(QStringLiteral("<em>[var:作者]</em>"));
      QTest::mouseClick(dialog->TestButton(), Qt::LeftButton);
      report = dialog->TestResultBox()->toPlainText().toStdString();
      dialog->accept();
    });
    ChooseMenuItem(menu, item);
  });
  Main()->PopupMenu("工具箱", 10, 10);
  EXPECT_EQ(report, "下一页：" + server_.Url("/list/2.html") + "\n详细页：" + server_.Url("/item/10.html?a=1&b=2") +
                        "\n  作者：作者10");

  Click("按钮_测试配置");
  EXPECT_EQ(Table().RowCount(), 6);
  ASSERT_EQ(Table().ColumnCount(), 5);
  EXPECT_EQ(Widget<window::ReportListView>("测试列表框")->model()->headerData(4, Qt::Horizontal).toString(),
            QStringLiteral("作者"));
  EXPECT_EQ(Cell(5, 2), "标题22");
  EXPECT_EQ(Cell(5, 3), server_.Url("/list/2.html"));
  EXPECT_EQ(Cell(5, 4), "作者22");
  EXPECT_THAT(BoxText("状态框"), HasSubstr(server_.Url("/list/2.html") + "取到 3 条纪录"));
}

}  // namespace
}  // namespace window_test
