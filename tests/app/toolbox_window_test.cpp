// The toolbox commands in the real window: the separator combo box, the list's pop-up menu with
// "清空列表", and the address generator.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/layout_window.h"
#include "app/program_handlers.h"
#include "app/qt_controls.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"

namespace app {
namespace {

using runtime::T;
using runtime::Text;
using runtime::Window;

constexpr int kWarningIcon = 0x30;

class ToolboxWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    runtime::InstallControls(&controls_);
    app::RegisterProgramHandlers();
    controls_.LoadWindow(Window::MainWindow, false);
    main_ = controls_.WindowOf(Window::MainWindow);
    main_->show();
  }
  void TearDown() override { runtime::InstallControls(nullptr); }

  app::LayoutWindow* Generator() { return controls_.WindowOf(Window::UrlGeneratorWindow); }
  void Type(const char* box, const QString& text) {
    auto* edit = Generator()->WidgetAs<QLineEdit>(box);
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  // Opens the generator, fills its boxes as typed (first, last, step, pattern), clicks "生成"
  // and gives back the output box.
  Text Generate(const QString& first, const QString& last, const QString& step, const QString& pattern) {
    runtime::LoadWindow(Window::UrlGeneratorWindow, true);
    Type("编辑框1", first);
    Type("编辑框2", last);
    Type("编辑框3", step);
    Type("编辑框4", pattern);
    QTest::mouseClick(Generator()->Widget("按钮1"), Qt::LeftButton);
    Text output = runtime::ReadText(Window::UrlGeneratorWindow, "编辑框5");
    Generator()->close();
    return output;
  }
  Text Separator() { return runtime::ReadText(Window::MainWindow, "分隔符号框"); }

  app::QtControls controls_;
  app::LayoutWindow* main_ = nullptr;
};

TEST_F(ToolboxWindowTest, DefaultSeriesGivesTenLinesEachEndingCrLf) {
  runtime::LoadWindow(Window::UrlGeneratorWindow, true);
  QTest::mouseClick(Generator()->Widget("按钮1"), Qt::LeftButton);
  Text output = runtime::ReadText(Window::UrlGeneratorWindow, "编辑框5");
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
  EXPECT_TRUE(controls_.Messages().empty());
}

TEST_F(ToolboxWindowTest, StepBoxKeepsOnlyDigitsAndMinus) {
  // Without the filter "x2" would read as 0 and be refused.
  EXPECT_EQ(Generate("1", "3", "x2", "p*"), "p1\r\np3\r\n");
  EXPECT_TRUE(controls_.Messages().empty());
}

TEST_F(ToolboxWindowTest, EndlessOrHugeSeriesAreRefusedWithAReason) {
  controls_.SetNextAnswer(0);
  EXPECT_EQ(Generate("1", "10", "0", "p*"), "");
  controls_.SetNextAnswer(0);
  EXPECT_EQ(Generate("1", "10", "-1", "p*"), "");
  controls_.SetNextAnswer(0);
  EXPECT_EQ(Generate("1", "200000", "1", "p*"), "");
  ASSERT_EQ(controls_.Messages().size(), 3u);
  for (const auto& message : controls_.Messages()) {
    EXPECT_EQ(message.flags, kWarningIcon);
    EXPECT_FALSE(message.message.empty());
  }
  EXPECT_NE(runtime::TextToUtf8(controls_.Messages()[2].message).find("200000"), std::string::npos);
}

TEST_F(ToolboxWindowTest, SeparatorItemsWriteEmptySpaceAndDashes) {
  auto* combo = main_->WidgetAs<QComboBox>("组合框1");
  ASSERT_NE(combo, nullptr);
  runtime::WriteProperty(Window::MainWindow, "分隔符号框", runtime::Property::kContent, Text("x"));
  QTest::keyClick(combo, Qt::Key_Down);  // the first item: "　表格"
  EXPECT_EQ(runtime::ReadInteger(Window::MainWindow, "组合框1", runtime::Property::kCurrentSelection), 0);
  EXPECT_EQ(Separator(), "");
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(Separator(), " ");
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(Separator(), "----");
}

TEST_F(ToolboxWindowTest, ClearListFromThePopupMenuAndTheNextRunAddsColumnsAgain) {
  test_support::LoopbackServer server;
  server.Serve("/p", test_support::HttpResponse(200, collect_test::ListPageGbk(3)));
  runtime::WriteProperty(Window::MainWindow, "列表网址框", runtime::Property::kContent, T(server.Url("/p")));
  QTest::mouseClick(main_->Widget("按钮_测试配置"), Qt::LeftButton);
  ASSERT_EQ(runtime::ListView::GetItemCount(Window::MainWindow, "测试列表框"), 3);

  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* item = menu->actions().at(0);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  });
  auto* list = main_->WidgetAs<QAbstractItemView>("测试列表框");
  ASSERT_NE(list, nullptr);
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(400, 150));
  EXPECT_EQ(runtime::ListView::GetItemCount(Window::MainWindow, "测试列表框"), 0);
  EXPECT_EQ(runtime::ListView::GetColumnCount(Window::MainWindow, "测试列表框"), 0);

  QTest::mouseClick(main_->Widget("按钮_测试配置"), Qt::LeftButton);
  EXPECT_EQ(runtime::ListView::GetColumnCount(Window::MainWindow, "测试列表框"), 5);
  EXPECT_EQ(runtime::ListView::GetItemCount(Window::MainWindow, "测试列表框"), 3);
}

}  // namespace
}  // namespace app
