// Keys of the Qt main window: F5, Ctrl+T and Ctrl+E click their buttons, Ctrl+O and Ctrl+S open and
// save a project, Escape stops a run, and the result list selects all rows with Ctrl+A and copies
// the selected ones with Ctrl+C.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/program_handlers.h"
#include "app/run_panel.h"
#include "runtime/code_page.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Window;

class WindowKeysTest : public ::testing::Test {
protected:
  void SetUp() override { app::RegisterProgramHandlers(); }
  app::LayoutWindow* Main() { return frontEnd_.controls.WindowOf(Window::MainWindow); }
  QWidget* Widget(const char* name) { return Main()->Widget(name); }
  QtFrontEnd frontEnd_;
};

// Takes every key pressed in the widget it watches, as a line edit of the X11 key scheme takes
// Ctrl+E (to the end of the line) for itself.
class KeyClaimer : public QObject {
public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride) event->accept();
    return event->type() == QEvent::KeyPress;
  }
};

struct KeyCommand {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* handler;
};

TEST_F(WindowKeysTest, KeysRunTheirCommandsAndAreIgnoredDuringARun) {
  const KeyCommand commands[] = {{Qt::Key_F5, Qt::NoModifier, "StartProcessing"},
                                 {Qt::Key_T, Qt::ControlModifier, "TestConfiguration"},
                                 {Qt::Key_E, Qt::ControlModifier, "ExportResults"},
                                 {Qt::Key_O, Qt::ControlModifier, "OpenProject"},
                                 {Qt::Key_S, Qt::ControlModifier, "SaveProjectAs"}};
  HandlerCounts counts{"StartProcessing", "TestConfiguration", "ExportResults", "OpenProject",
                       "SaveProjectAs"};
  KeyClaimer claimer;
  Widget("正则框")->installEventFilter(&claimer);
  for (const KeyCommand& command : commands) {
    SCOPED_TRACE(command.handler);
    QTest::keyClick(Widget("正则框"), command.key, command.modifiers);
    EXPECT_EQ(counts[command.handler], 1);
    frontEnd_.controls.SetRunning(true);
    QTest::keyClick(Widget("列表网址框"), command.key, command.modifiers);
    frontEnd_.controls.SetRunning(false);
    EXPECT_EQ(counts[command.handler], 1);
  }
  EXPECT_EQ(counts.Total(), 5);
}

TEST_F(WindowKeysTest, EscapePressesStopDuringARunOnly) {
  QTest::keyClick(Widget("正则框"), Qt::Key_Escape);
  EXPECT_FALSE(frontEnd_.controls.StopRequested());
  frontEnd_.controls.SetRunning(true);
  QTest::keyClick(Widget("正则框"), Qt::Key_Escape);
  EXPECT_TRUE(frontEnd_.controls.StopRequested());
  EXPECT_FALSE(frontEnd_.controls.RunPanelOf()->StopButton()->isEnabled());
  frontEnd_.controls.SetRunning(false);
}

struct RowCopy {
  const char* name;
  std::vector<int> selected;  // empty: every row, chosen with Ctrl+A
  const char* clipboard;
};

TEST_F(WindowKeysTest, ListCopiesTheSelectedRowsAsTabSeparatedLines) {
  const RowCopy copies[] = {
      {"all", {}, "甲\t1\thttp://a/1\n乙 丙\t\thttp://a/2\n😀\t3\thttp://a/3\n"},
      {"some, in row order", {2, 0}, "甲\t1\thttp://a/1\n😀\t3\thttp://a/3\n"},
  };
  const char* const rows[][3] = {
      {"甲", "1", "http://a/1"}, {"乙 丙", "", "http://a/2"}, {"😀", "3", "http://a/3"}};
  for (int column = 0; column < 3; ++column) {
    runtime::ListView::InsertColumn(Window::MainWindow, "测试列表框", {}, T("文本 "), 80);
  }
  for (int row = 0; row < 3; ++row) {
    runtime::ListView::InsertItem(Window::MainWindow, "测试列表框", {}, T(rows[row][0]));
    for (int column = 1; column < 3; ++column) {
      runtime::ListView::SetItemText(Window::MainWindow, "测试列表框", row, column,
                                     T(rows[row][column]));
    }
  }
  runtime::ProcessEvents();
  auto* list = Main()->WidgetAs<QTableView>("测试列表框");
  for (const RowCopy& copy : copies) {
    SCOPED_TRACE(copy.name);
    list->clearSelection();
    if (copy.selected.empty()) {
      QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
      EXPECT_EQ(list->selectionModel()->selectedRows().size(), 3);
    }
    for (const int row : copy.selected) {
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(copy.clipboard));
  }
}

}  // namespace
}  // namespace app_test
