// The main window as it opens in Qt: every control with its name, kind, geometry, caption and
// default; stacking, colours, the title, the icon and the status bar; a project in and out of its
// boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <tuple>

#include "runtime/code_page.h"
#include "tests/window/window_fixture.h"
#include "window/caption_left_check_box.h"

namespace window_test {
namespace {

using runtime::T;

struct ExpectedControl {
  const char* name;
  const char* widgetClass;
  const char* parent;  // empty: the window
  QRect geometry;
  const char* content;  // UTF-8; null: the control has no content property
  bool focusable;
};

const ExpectedControl kControls[] = {
    {"导出1", "QPushButton", "", {280, 339, 60, 26}, "工具箱 ▼", true},
    {"组合框1", "QComboBox", "", {105, 343, 72, 20}, "常用符号", true},
    {"标签2", "QLabel", "", {3, 340, 37, 24}, "分隔符", false},
    {"标签9", "QLabel", "分组框1", {6, 99, 48, 24}, "匹配规则", false},
    {"正则框",
     "QLineEdit",
     "分组框1",
     {61, 100, 728, 24},
     R"(<li> <a href="[var]/[int].html" title="[var]"> <span [var0]</li>)",
     true},
    {"按钮_测试配置", "QPushButton", "分组框1", {791, 98, 60, 26}, "开始处理", true},
    {"处理", "QPushButton", "分组框1", {791, 68, 60, 26}, "测试配置", true},
    {"标签4", "QLabel", "分组框1", {473, 69, 48, 24}, "列表区域", false},
    {"采集前", "QLineEdit", "分组框1", {524, 72, 125, 20}, "list-item", true},
    {"采集后", "QLineEdit", "分组框1", {663, 72, 125, 20}, "</html>", true},
    {"标签12", "QLabel", "分组框1", {652, 76, 8, 10}, "一", false},
    {"标签5", "QLabel", "分组框1", {476, 25, 45, 24}, "COOKIE", false},
    {"cookie框", "QPlainTextEdit", "分组框1", {524, 10, 329, 51}, "", true},
    {"gbk", "QCheckBox", "分组框1", {383, 68, 65, 24}, "gbk编码", true},
    {"列表网址", "QLabel", "分组框1", {8, 42, 48, 24}, "列表网址", false},
    {"列表网址框",
     "QPlainTextEdit",
     "分组框1",
     {61, 11, 408, 85},
     "http://www.example.com/news/index_2.html\r\nhttp://www.example.com/news/index_3.html",
     true},
    {"分组框1", "QGroupBox", "", {3, -4, 856, 132}, "", false},
    {"状态框", "QPlainTextEdit", "", {3, 368, 354, 126}, "", true},
    {"分隔符号框", "QLineEdit", "", {48, 342, 56, 22}, "", true},
    {"导出", "QPushButton", "", {176, 339, 60, 26}, "导出结果", true},
    {"状态条1", "window::StatusBarWidget", "", {0, 496, 858, 20}, nullptr, false},
    {"测试编辑框", "QPlainTextEdit", "", {360, 339, 496, 149}, "", true},
    {"测试列表框", "QTableView", "", {2, 130, 856, 206}, nullptr, true},
    {"标签1", "QLabel", "", {336, 240, 128, 24}, "处理中，请稍候..", false},
};

// The caption or content a control shows.
std::string Shown(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentText().toStdString();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title().toStdString();
  return runtime::TextToUtf8(window::EditBoxText(widget));
}

TEST_F(MainWindowTest, EveryControlHasItsNameKindGeometryAndDefault) {
  for (const ExpectedControl& expected : kControls) {
    SCOPED_TRACE(expected.name);
    QWidget* widget = Widget(expected.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(expected.widgetClass)) << widget->metaObject()->className();
    QWidget* parent = *expected.parent == '\0' ? Main() : Widget(expected.parent);
    EXPECT_EQ(widget->parentWidget(), parent);
    EXPECT_EQ(widget->geometry(), expected.geometry);
    EXPECT_FALSE(widget->isHidden());
    EXPECT_EQ(widget->focusPolicy() != Qt::NoFocus, expected.focusable);
    if (expected.content != nullptr) {
      EXPECT_EQ(Shown(widget), expected.content);
    }
  }
  EXPECT_EQ(Widget<QComboBox>("组合框1")->currentIndex(), -1);
  EXPECT_EQ(Widget<QComboBox>("组合框1")->count(), 3);
}

// The settings of a project as a tuple, for comparison.
auto Fields(const collect::CollectionProject& p) {
  return std::make_tuple(p.addressText, p.cookie, p.before, p.after, p.rule, p.ruleSyntax, p.encoding, p.separator,
                         p.fetching.perHost, p.fetching.jobs, p.fetching.delay, p.next, p.detail);
}

TEST_F(MainWindowTest, BoxesShowTheDefaultsOfAProjectAndTakeAnyProject) {
  EXPECT_EQ(Fields(Main()->ReadProject()), Fields(collect::CollectionProject{}));
  EXPECT_TRUE(Widget<QCheckBox>("gbk")->isChecked());

  collect::CollectionProject project;
  project.addressText = T("http://a/甲\r\n\r\nhttp://b/");
  project.cookie = "a=1\r\nb=2";
  project.before = T("#引号前");
  project.after = "";
  project.rule = T("<td>[var]</td>\xA1\xA1");
  project.ruleSyntax = collect::RuleSyntax::Literal;
  project.encoding = collect::PageEncoding::Utf8;
  project.separator = "\t";
  project.fetching = {1, 2, std::chrono::milliseconds(3)};
  project.next = {T("<a>[var]</a>"), 7, collect::NextPageScope::WholePage};
  project.detail = {T("标题"), "<h1>", "</body>", T("<p>[var:作者]</p>")};
  Main()->ShowProject(project);
  EXPECT_EQ(Fields(Main()->ReadProject()), Fields(project));
  EXPECT_FALSE(Widget<QCheckBox>("gbk")->isChecked());
  EXPECT_EQ(BoxText("列表网址框"), "http://a/甲\r\n\r\nhttp://b/");

  EXPECT_TRUE(MenuItemChecked(*Main(), "工具箱", "按原文匹配"));
  EXPECT_FALSE(MenuItemChecked(*Main(), "工具箱", "按页面声明的编码读取"));
}

TEST_F(MainWindowTest, DeclaredEncodingIsAChoiceOfItsOwnBesideTheGbkBox) {
  auto* gbk = Widget<QCheckBox>("gbk");
  collect::CollectionProject project;
  project.encoding = collect::PageEncoding::Auto;
  Main()->ShowProject(project);
  // Pages that declare nothing are read as GBK: the box shows it ticked, and the declaration decides.
  EXPECT_EQ(Main()->ReadProject().encoding, collect::PageEncoding::Auto);
  EXPECT_TRUE(MenuItemChecked(*Main(), "工具箱", "按页面声明的编码读取"));
  EXPECT_TRUE(gbk->isChecked());
  EXPECT_FALSE(gbk->isEnabled());
  Main()->SetRunning(true);
  Main()->SetRunning(false);
  EXPECT_FALSE(gbk->isEnabled()) << "the end of a run keeps the choice";

  ASSERT_TRUE(ChooseFromMenu(*Main(), "工具箱", "按页面声明的编码读取"));
  EXPECT_TRUE(gbk->isEnabled());
  EXPECT_EQ(Main()->ReadProject().encoding, collect::PageEncoding::Gbk);
  gbk->setChecked(false);
  EXPECT_EQ(Main()->ReadProject().encoding, collect::PageEncoding::Utf8);
  ASSERT_TRUE(ChooseFromMenu(*Main(), "工具箱", "按页面声明的编码读取"));
  EXPECT_EQ(Main()->ReadProject().encoding, collect::PageEncoding::Auto);
}

TEST_F(MainWindowTest, WindowHasTitleClientSizePositionAndIcon) {
  EXPECT_EQ(Main()->windowTitle(), QStringLiteral("Pelmo网页信息采集助手 v1.0"));
  EXPECT_EQ(Main()->size(), QSize(858, 516));
  EXPECT_EQ(Main()->pos(), QPoint(50, 50));
  EXPECT_FALSE(QApplication::windowIcon().isNull());
  EXPECT_FALSE(QApplication::windowIcon().pixmap(32, 32).isNull());
}

TEST_F(MainWindowTest, EarlierControlsLieAboveLaterOnes) {
  // "标签1" is covered by the result list while the list is shown.
  QWidget* list = Widget("测试列表框");
  const QPoint labelCentre = Widget("标签1")->geometry().center();
  QWidget* top = Main()->childAt(labelCentre);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top == list || list->isAncestorOf(top));

  list->hide();
  EXPECT_EQ(Main()->childAt(labelCentre), Widget("标签1"));

  // "gbk" comes before the address box in the layout and lies above it where they overlap.
  QWidget* group = Widget("分组框1");
  const QPoint overlap = Widget("gbk")->geometry().center();
  EXPECT_EQ(group->childAt(overlap), Widget("gbk"));
}

TEST_F(MainWindowTest, CheckBoxIsCheckedWithItsCaptionLeftAndItsBackground) {
  auto* box = Widget<window::CaptionLeftCheckBox>("gbk");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isChecked());
  EXPECT_GT(box->IndicatorRect().left(), box->width() / 2);
  EXPECT_TRUE(box->autoFillBackground());
  EXPECT_EQ(box->palette().color(QPalette::Window), QColor(236, 236, 236));
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(Main()->ReadProject().encoding, collect::PageEncoding::Utf8);
}

TEST_F(MainWindowTest, StatusBoxIsReadOnlyAndBlue) {
  auto* box = Widget<QPlainTextEdit>("状态框");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_EQ(box->palette().color(QPalette::Text), QColor(0, 96, 192));
  QTest::keyClicks(box, "typed");
  EXPECT_EQ(BoxText("状态框"), "");
  Main()->AppendStatusLine(T("一行"));
  Main()->AppendStatusLine(T("二行"));
  EXPECT_EQ(box->toPlainText(), QStringLiteral("一行\n二行\n"));
  EXPECT_EQ(BoxText("状态框"), "一行\r\n二行\r\n");
}

TEST_F(MainWindowTest, MultiLineBoxesGiveCrLf) {
  auto* cookie = Widget<QPlainTextEdit>("cookie框");
  QTest::keyClicks(cookie, "a=1");
  QTest::keyClick(cookie, Qt::Key_Return);
  QTest::keyClicks(cookie, "b=2");
  EXPECT_EQ(Main()->ReadProject().cookie, "a=1\r\nb=2");
  SetText("测试编辑框", "x\r\ny\r\n");
  EXPECT_EQ(Widget<QPlainTextEdit>("测试编辑框")->blockCount(), 3);
  EXPECT_EQ(BoxText("测试编辑框"), "x\r\ny\r\n");
  SetText("测试编辑框", std::string("ab\0cd", 5));
  EXPECT_EQ(BoxText("测试编辑框"), "ab") << "a text ends at its first zero byte";
}

TEST_F(MainWindowTest, StatusBarHasItsThreePartsAndStampsEachMessage) {
  auto* bar = Widget<window::StatusBarWidget>("状态条1");
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->PartCount(), 3);
  EXPECT_EQ(BarText(0), " 状态 ");
  EXPECT_EQ(BarText(1), "");
  EXPECT_EQ(BarText(2), "2017");
  EXPECT_EQ(bar->PartRect(0), QRect(0, 0, 38, 20));
  EXPECT_EQ(bar->PartRect(1), QRect(38, 0, 700, 20));
  EXPECT_EQ(bar->PartRect(2), QRect(738, 0, 858 - 738, 20));
  EXPECT_EQ(bar->PartRect(3), QRect());

  Main()->SetStatusClock([] { return runtime::MakeDateTime(2026, 12, 7, 15, 5, 9); });
  Main()->ShowStatusMessage(T("共20条数据"));
  EXPECT_EQ(BarText(1), " 共20条数据");
  EXPECT_EQ(BarText(2), " 2026/12/7 03:05:09");
  Main()->ShowStatusMessage("");
  EXPECT_EQ(BarText(1), " ");
}

}  // namespace
}  // namespace window_test
