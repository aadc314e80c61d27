// Events of the Qt window reaching the handlers their layout binds: buttons, the combo box,
// right clicks in the result list, labels, pop-up menus; message boxes and the event pump.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/program_handlers.h"
#include "runtime/code_page.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Window;

class EventsTest : public ::testing::Test {
protected:
  void SetUp() override { app::RegisterProgramHandlers(); }
  app::LayoutWindow* Main() { return frontEnd_.controls.WindowOf(Window::MainWindow); }
  QWidget* Widget(const char* name) { return Main()->Widget(name); }
  QtFrontEnd frontEnd_;
};

// Runs check on the pop-up menu once it is open; closes the menu if check left it open.
void WithNextPopup(std::function<void(QMenu&)> check) {
  QTimer::singleShot(0, [check = std::move(check)] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    check(*menu);
    if (menu->isVisible()) menu->close();
  });
}

QAction* ActionNamed(QMenu& menu, const char* name) {
  for (QAction* action : menu.actions()) {
    if (action->objectName() == QString::fromUtf8(name)) return action;
  }
  return nullptr;
}

struct ButtonBinding {
  const char* button;
  const char* handler;
};

TEST_F(EventsTest, EachButtonClickReachesItsBinding) {
  const ButtonBinding bindings[] = {{"按钮_测试配置", "StartProcessing"},
                                    {"处理", "TestConfiguration"},
                                    {"导出", "ExportResults"},
                                    {"导出1", "ShowToolboxMenu"}};
  HandlerCounts counts{"StartProcessing", "TestConfiguration", "ExportResults", "ShowToolboxMenu"};
  int clicks = 0;
  for (const ButtonBinding& binding : bindings) {
    SCOPED_TRACE(binding.button);
    QTest::mouseClick(Widget(binding.button), Qt::LeftButton);
    ++clicks;
    EXPECT_EQ(counts[binding.handler], 1);
    EXPECT_EQ(counts.Total(), clicks);
  }
}

TEST_F(EventsTest, LabelClickDoesNothing) {
  HandlerCounts counts{"StartProcessing", "TestConfiguration", "ExportResults",
                       "ShowToolboxMenu", "ShowListMenu",      "ChooseSeparator"};
  for (const char* label : {"标签1", "标签2", "标签9", "列表网址"}) {
    QTest::mouseClick(Widget(label), Qt::LeftButton);
    QTest::mouseClick(Widget(label), Qt::RightButton);
  }
  EXPECT_EQ(counts.Total(), 0);
}

TEST_F(EventsTest, ComboBoxChoiceRunsItsHandlerAfterTheSelectionIsCommitted) {
  int seen = -2;
  app::RegisterHandler("ChooseSeparator", [&seen] {
    seen =
        runtime::ReadInteger(Window::MainWindow, "组合框1", runtime::Property::kCurrentSelection);
  });
  auto* combo = Main()->WidgetAs<QComboBox>("组合框1");
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(seen, 0);
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(runtime::ReadText(Window::MainWindow, "组合框1"), "\xA1\xA1Tab" + T("键"));
  app::RegisterHandler("ChooseSeparator", nullptr);
}

TEST_F(EventsTest, RightClickOnARowOrOnEmptySpaceReachesTheListBinding) {
  HandlerCounts counts{"ShowListMenu"};
  runtime::ListView::InsertColumn(Window::MainWindow, "测试列表框", {}, T("文本 1"), 80);
  runtime::ListView::InsertItem(Window::MainWindow, "测试列表框", {}, T("行"));
  runtime::ProcessEvents();
  auto* list = Main()->WidgetAs<QTableView>("测试列表框");
  const QRect row = list->visualRect(list->model()->index(0, 0));
  ASSERT_TRUE(row.isValid());
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row.center());
  EXPECT_EQ(counts["ShowListMenu"], 1);
  QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                    QPoint(400, list->viewport()->height() - 5));
  EXPECT_EQ(counts["ShowListMenu"], 2);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(10, 5));
  EXPECT_EQ(counts["ShowListMenu"], 2);
}

TEST_F(EventsTest, PopupMenuOpensBesideThePointerAndRunsTheChosenItemAfterClosing) {
  HandlerCounts counts{"OpenUrlGenerator"};
  QCursor::setPos(200, 300);
  const QPoint pointer = QCursor::pos();
  bool menuWasOpen = false;
  WithNextPopup([&](QMenu& menu) {
    menuWasOpen = true;
    EXPECT_EQ(menu.pos(), pointer + QPoint(3, 3));
    ASSERT_GE(menu.actions().size(), 1);
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("生成有序列表网址"));
    EXPECT_EQ(counts["OpenUrlGenerator"], 0);
    ChooseMenuItem(menu, menu.actions()[0]);
  });
  QTest::mouseClick(Widget("导出1"), Qt::LeftButton);
  EXPECT_TRUE(menuWasOpen);
  EXPECT_EQ(counts["OpenUrlGenerator"], 1);
  EXPECT_EQ(frontEnd_.controls.LastPopupPosition(), pointer + QPoint(3, 3));
}

TEST_F(EventsTest, GivenCoordinatesReplaceThePointerPosition) {
  QCursor::setPos(100, 100);
  WithNextPopup([](QMenu&) {});
  runtime::PopupMenu(Window::MainWindow, "列表框", 40, std::nullopt);
  EXPECT_EQ(frontEnd_.controls.LastPopupPosition(), QPoint(40, QCursor::pos().y() + 3));
}

TEST_F(EventsTest, ListMenuClearsOnlyWhenNoRunIsInProgress) {
  HandlerCounts counts{"ClearResultList"};
  frontEnd_.controls.SetRunning(true);
  WithNextPopup([](QMenu& menu) {
    QAction* clear = ActionNamed(menu, "清空列表");
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->isEnabled());
  });
  runtime::PopupMenu(Window::MainWindow, "列表框");
  frontEnd_.controls.SetRunning(false);
  WithNextPopup([](QMenu& menu) {
    QAction* clear = ActionNamed(menu, "清空列表");
    ASSERT_NE(clear, nullptr);
    EXPECT_TRUE(clear->isEnabled());
    ChooseMenuItem(menu, clear);
  });
  runtime::PopupMenu(Window::MainWindow, "列表框");
  EXPECT_EQ(counts["ClearResultList"], 1);
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
    EXPECT_EQ(runtime::MessageBox(T("第一行\r\n第二行"), box.flags, caption), box.answer);
    EXPECT_TRUE(shown);
  }
}

TEST_F(EventsTest, ProcessEventsRunsWhatIsPendingAndReturnsOnAnEmptyQueue) {
  runtime::ProcessEvents();
  int ran = 0;
  QMetaObject::invokeMethod(
      qApp, [&ran] { ++ran; }, Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      qApp, [&ran] { ++ran; }, Qt::QueuedConnection);
  runtime::ProcessEvents();
  EXPECT_EQ(ran, 2);
  runtime::ProcessEvents();
  EXPECT_EQ(ran, 2);
}

}  // namespace
}  // namespace app_test
