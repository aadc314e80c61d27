// Events of the main window reaching the commands their layout binds: buttons, the combo box,
// right clicks in the result list, labels, pop-up menus; and the message boxes the commands show.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "runtime/code_page.h"
#include "tests/window/window_fixture.h"
#include "window/url_generator_window.h"

namespace window_test {
namespace {

using runtime::T;

class EventsTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // No command may reach the network: the test's address is never asked for (empty box).
    SetText("列表网址框", "");
  }
  // What the commands have left visible so far.
  std::string Traces() { return BarText() + "|" + BoxText("状态框") + "|" + std::to_string(Messages().size()); }
};

struct ButtonEffect {
  const char* button;
  const char* bar;        // the status bar's message afterwards
  const char* statusBox;  // the status box afterwards
};

TEST_F(EventsTest, EachButtonClickReachesItsCommand) {
  const ButtonEffect effects[] = {
      {"导出", " 已导出至右方编辑框成功，并已请复制内容！", ""},
      {"按钮_测试配置", " 共0条数据", "新的一轮开始处理..\r\n"},
      {"处理", " ", "新的一轮开始处理..\r\n"},  // the test shows the (empty) first address
  };
  for (const ButtonEffect& effect : effects) {
    SCOPED_TRACE(effect.button);
    Click(effect.button);
    EXPECT_EQ(BarText(), effect.bar);
    EXPECT_EQ(BoxText("状态框"), effect.statusBox);
  }
  bool menuOpened = false;
  WithNextPopup([&menuOpened](QMenu& menu) { menuOpened = ActionNamed(menu, "生成有序列表网址") != nullptr; });
  Click("导出1");
  EXPECT_TRUE(menuOpened);
}

TEST_F(EventsTest, LabelClickDoesNothing) {
  const std::string before = Traces();
  for (const char* label : {"标签1", "标签2", "标签9", "列表网址"}) {
    QTest::mouseClick(Widget(label), Qt::LeftButton);
    QTest::mouseClick(Widget(label), Qt::RightButton);
  }
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(Traces(), before);
}

TEST_F(EventsTest, ComboBoxChoiceActsOnTheCommittedSelection) {
  auto* combo = Widget<QComboBox>("组合框1");
  SetText("分隔符号框", "x");
  QTest::keyClick(combo, Qt::Key_Down);  // the first item: "　表格"
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(BoxText("分隔符号框"), "");
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->currentText(), QStringLiteral("\u3000Tab键"));
  EXPECT_EQ(BoxText("分隔符号框"), " ") << "one space, not a tab";
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(BoxText("分隔符号框"), "----");
}

TEST_F(EventsTest, RightClickOnARowOrOnEmptySpaceOpensTheListMenu) {
  Widget<window::ReportListView>("测试列表框")->Model().AddColumns({T("文本 1")});
  Widget<window::ReportListView>("测试列表框")->Model().AddRows({collect::Record{{T("行")}}});
  QCoreApplication::processEvents();
  auto* list = Widget<QTableView>("测试列表框");
  const QRect row = list->visualRect(list->model()->index(0, 0));
  ASSERT_TRUE(row.isValid());
  int opened = 0;
  for (const QPoint at : {row.center(), QPoint(400, list->viewport()->height() - 5)}) {
    WithNextPopup([&opened](QMenu& menu) { opened += ActionNamed(menu, "清空列表") != nullptr; });
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
  }
  EXPECT_EQ(opened, 2);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(10, 5));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(EventsTest, PopupMenuOpensBesideThePointerAndRunsTheChosenItemAfterClosing) {
  QCursor::setPos(200, 300);
  const QPoint pointer = QCursor::pos();
  bool menuWasOpen = false;
  WithNextPopup([&](QMenu& menu) {
    menuWasOpen = true;
    EXPECT_EQ(menu.pos(), pointer + QPoint(3, 3));
    ASSERT_GE(menu.actions().size(), 1);
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("生成有序列表网址"));
    EXPECT_EQ(Main()->Generator(), nullptr);
    ChooseMenuItem(menu, menu.actions()[0]);
  });
  Click("导出1");
  EXPECT_TRUE(menuWasOpen);
  EXPECT_NE(Main()->Generator(), nullptr);
  EXPECT_EQ(Main()->LastPopupPosition(), pointer + QPoint(3, 3));
}

TEST_F(EventsTest, GivenCoordinatesReplaceThePointerPosition) {
  QCursor::setPos(100, 100);
  WithNextPopup([](QMenu&) {});
  Main()->PopupMenu("列表框", 40, std::nullopt);
  EXPECT_EQ(Main()->LastPopupPosition(), QPoint(40, QCursor::pos().y() + 3));
}

TEST_F(EventsTest, ListMenuClearsOnlyWhenNoRunIsInProgress) {
  Widget<window::ReportListView>("测试列表框")->Model().AddColumns({T("文本 1")});
  Main()->SetRunning(true);
  WithNextPopup([](QMenu& menu) {
    QAction* clear = ActionNamed(menu, "清空列表");
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->isEnabled());
  });
  Main()->PopupMenu("列表框");
  Main()->SetRunning(false);
  EXPECT_EQ(Table().ColumnCount(), 1);
  WithNextPopup([](QMenu& menu) {
    QAction* clear = ActionNamed(menu, "清空列表");
    ASSERT_NE(clear, nullptr);
    EXPECT_TRUE(clear->isEnabled());
    ChooseMenuItem(menu, clear);
  });
  Main()->PopupMenu("列表框");
  EXPECT_EQ(Table().ColumnCount(), 0);
}

struct BoxCase {
  int flags;
  std::optional<const char*> caption;
  const char* expectedCaption;
  QMessageBox::Icon icon;
  std::vector<const char*> buttons;  // object names, in order
  const char* press;                 // null: close with Escape
  int answer;
};

TEST_F(EventsTest, MessageBoxShowsCaptionIconButtonsAndGivesTheZeroBasedAnswer) {
  const BoxCase cases[] = {
      {0x10, std::nullopt, "信息：", QMessageBox::Critical, {"answer0"}, "answer0", 0},
      {0x24, "问题", "问题", QMessageBox::Question, {"answer5", "answer6"}, "answer6", 6},
      {0x31, std::nullopt, "信息：", QMessageBox::Warning, {"answer0", "answer1"}, nullptr, 1},
      {0x42,
       std::nullopt,
       "信息：",
       QMessageBox::Information,
       {"answer2", "answer3", "answer4"},
       "answer3",
       3},
      {0x0, std::nullopt, "信息：", QMessageBox::NoIcon, {"answer0"}, nullptr, 0},
  };
  for (const BoxCase& box : cases) {
    SCOPED_TRACE(box.flags);
    bool shown = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      shown = true;
      EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(box.expectedCaption));
      EXPECT_EQ(dialog->icon(), box.icon);
      EXPECT_EQ(dialog->text(), QStringLiteral("第一行\n第二行"));
      const QList<QAbstractButton*> buttons = dialog->buttons();
      ASSERT_EQ(static_cast<size_t>(buttons.size()), box.buttons.size());
      for (const char* name : box.buttons) {
        EXPECT_NE(dialog->findChild<QPushButton*>(name), nullptr) << name;
      }
      if (box.press != nullptr) {
        dialog->findChild<QPushButton*>(box.press)->click();
      } else {
        QTest::keyClick(dialog, Qt::Key_Escape);
      }
    });
    const std::optional<runtime::Text> caption =
        box.caption ? std::optional<runtime::Text>(T(*box.caption)) : std::nullopt;
    EXPECT_EQ(Main()->Boxes().Show(Main(), T("第一行\r\n第二行"), box.flags, caption), box.answer);
    EXPECT_TRUE(shown);
  }
}

TEST_F(EventsTest, MessageBoxTakesTheAnswerSetByTheTest) {
  Main()->Boxes().SetNextAnswer(6);
  EXPECT_EQ(Main()->Boxes().Show(Main(), T("继续吗?"), 0x24), 6);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].message, T("继续吗?"));
  EXPECT_EQ(Messages()[0].caption, T("信息："));
  EXPECT_EQ(Messages()[0].flags, 0x24);
}

}  // namespace
}  // namespace window_test
