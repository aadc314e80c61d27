// The toolbox commands in the real window: the list's pop-up menu with "清空列表", and the address
// generator.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "tests/window/window_fixture.h"
#include "window/url_generator_window.h"

namespace window_test {
namespace {

using runtime::Text;

constexpr int kWarningIcon = 0x30;

class ToolboxWindowTest : public MainWindowTest {
protected:
  window::UrlGeneratorWindow* Generator() { return Main()->Generator(); }
  Text Output() { return window::EditBoxText(Generator()->Widget("编辑框5")); }
  void Type(const char* box, const QString& text) {
    auto* edit = Generator()->WidgetAs<QLineEdit>(box);
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  // Opens the generator, fills its boxes as typed (first, last, step, pattern), clicks "生成"
  // and gives back the output box.
  Text Generate(const QString& first, const QString& last, const QString& step, const QString& pattern) {
    Main()->OpenUrlGenerator();
    Type("编辑框1", first);
    Type("编辑框2", last);
    Type("编辑框3", step);
    Type("编辑框4", pattern);
    QTest::mouseClick(Generator()->Widget("按钮1"), Qt::LeftButton);
    Text output = Output();
    Generator()->close();
    return output;
  }
};

TEST_F(ToolboxWindowTest, DefaultSeriesGivesTenLinesEachEndingCrLf) {
  Main()->OpenUrlGenerator();
  QTest::mouseClick(Generator()->Widget("按钮1"), Qt::LeftButton);
  Text output = Output();
  Generator()->close();
  Text expected;
  for (int n = 1; n <= 10; ++n) expected += "http://www.example.com/" + std::to_string(n) + ".html\r\n";
  EXPECT_EQ(output, expected);
}

TEST_F(ToolboxWindowTest, SeriesFollowFirstLastStepAndPattern) {
  EXPECT_EQ(Generate("1", "10", "2", "p*"), "p1\r\np3\r\np5\r\np7\r\np9\r\n");
  EXPECT_EQ(Generate("5", "4", "1", "p*"), "");
  EXPECT_EQ(Generate("1", "2", "1", "a*/b_*.html"), "a1/b_1.html\r\na2/b_2.html\r\n");
  EXPECT_EQ(Generate("abc", "2", "1", "x*"), "x0\r\nx1\r\nx2\r\n");
  EXPECT_EQ(Generate("3", "3", "1", "fixed"), "fixed\r\n");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ToolboxWindowTest, StepBoxKeepsOnlyDigitsAndMinus) {
  // Without the filter "x2" would read as 0 and be refused.
  EXPECT_EQ(Generate("1", "3", "x2", "p*"), "p1\r\np3\r\n");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ToolboxWindowTest, EndlessOrHugeSeriesAreRefusedWithAReason) {
  Main()->Boxes().SetNextAnswer(0);
  EXPECT_EQ(Generate("1", "10", "0", "p*"), "");
  Main()->Boxes().SetNextAnswer(0);
  EXPECT_EQ(Generate("1", "10", "-1", "p*"), "");
  Main()->Boxes().SetNextAnswer(0);
  EXPECT_EQ(Generate("1", "200000", "1", "p*"), "");
  ASSERT_EQ(Messages().size(), 3u);
  for (const auto& message : Messages()) {
    EXPECT_EQ(message.flags, kWarningIcon);
    EXPECT_FALSE(message.message.empty());
  }
  EXPECT_NE(runtime::TextToUtf8(Messages()[2].message).find("200000"), std::string::npos);
}

TEST_F(ToolboxWindowTest, ClearListFromThePopupMenuAndTheNextRunAddsColumnsAgain) {
  test_support::LoopbackServer server;
  server.Serve("/p", test_support::HttpResponse(200, collect_test::ListPageGbk(3)));
  SetText("列表网址框", server.Url("/p"));
  Click("按钮_测试配置");
  ASSERT_EQ(Table().RowCount(), 3);

  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* item = menu->actions().at(0);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  });
  auto* list = Widget<QAbstractItemView>("测试列表框");
  ASSERT_NE(list, nullptr);
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(400, 150));
  EXPECT_EQ(Table().RowCount(), 0);
  EXPECT_EQ(Table().ColumnCount(), 0);

  Click("按钮_测试配置");
  EXPECT_EQ(Table().ColumnCount(), 5);
  EXPECT_EQ(Table().RowCount(), 3);
}

}  // namespace
}  // namespace window_test
