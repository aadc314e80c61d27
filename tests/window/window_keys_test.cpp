// Keys of the Qt main window: F5, Ctrl+T and Ctrl+E click their buttons, Ctrl+O and Ctrl+S open and
// save a project, Escape stops a run, and the result list selects all rows with Ctrl+A and copies
// the selected ones with Ctrl+C.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "collect/project_file.h"
#include "runtime/code_page.h"
#include "tests/window/window_fixture.h"
#include "window/file_choice.h"
#include "window/run_panel.h"

namespace window_test {
namespace {

using runtime::T;

class WindowKeysTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    SetText("列表网址框", "");  // no command reaches the network
    ASSERT_TRUE(folder_.isValid());
  }
  std::string File(const char* name) { return QFile::encodeName(folder_.filePath(QString::fromUtf8(name))).toStdString(); }
  QTemporaryDir folder_;
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
  const char* command;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};

TEST_F(WindowKeysTest, KeysRunTheirCommandsAndAreIgnoredDuringARun) {
  const KeyCommand commands[] = {{"开始处理", Qt::Key_F5, Qt::NoModifier},
                                 {"测试配置", Qt::Key_T, Qt::ControlModifier},
                                 {"导出结果", Qt::Key_E, Qt::ControlModifier},
                                 {"打开项目", Qt::Key_O, Qt::ControlModifier},
                                 {"保存项目", Qt::Key_S, Qt::ControlModifier}};
  collect::CollectionProject opened;
  opened.addressText = "";
  opened.cookie = "from=file";
  ASSERT_TRUE(collect::SaveProject(File("open.pelmo.json"), opened).saved);
  // What each command leaves behind: the status bar, the status box, the cookie, the saved file.
  const auto traces = [this] {
    return BarText() + "|" + BoxText("状态框") + "|" + BoxText("cookie框") + "|" +
           std::to_string(QFile::exists(QString::fromStdString(File("saved.pelmo.json"))));
  };
  KeyClaimer claimer;
  Widget("正则框")->installEventFilter(&claimer);
  for (const KeyCommand& command : commands) {
    SCOPED_TRACE(command.command);
    Main()->SetRunning(true);
    const std::string before = traces();
    QTest::keyClick(Widget("列表网址框"), command.key, command.modifiers);
    EXPECT_EQ(traces(), before) << "ignored during a run";
    Main()->SetRunning(false);
    if (command.key == Qt::Key_O || command.key == Qt::Key_S) {
      window::SetNextFileName(QString::fromStdString(File(command.key == Qt::Key_O ? "open.pelmo.json" : "saved")));
    }
    QTest::keyClick(Widget("正则框"), command.key, command.modifiers);
    EXPECT_NE(traces(), before) << "ran once the run was over";
  }
  EXPECT_EQ(BoxText("cookie框"), "from=file");
  EXPECT_EQ(collect::LoadProject(File("saved.pelmo.json")).project.cookie, "from=file");
}

TEST_F(WindowKeysTest, EscapePressesStopDuringARunOnly) {
  QTest::keyClick(Widget("正则框"), Qt::Key_Escape);
  EXPECT_FALSE(Main()->StopRequested());
  Main()->SetRunning(true);
  QTest::keyClick(Widget("正则框"), Qt::Key_Escape);
  EXPECT_TRUE(Main()->StopRequested());
  EXPECT_FALSE(Main()->Panel()->StopButton()->isEnabled());
  Main()->SetRunning(false);
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
  auto* list = Widget<window::ReportListView>("测试列表框");
  list->Model().AddColumns({T("文本 1"), T("文本 2"), T("文本 3")});
  for (const auto& row : rows) list->Model().AddRows({collect::Record{{T(row[0]), T(row[1]), T(row[2])}}});
  QCoreApplication::processEvents();
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
}  // namespace window_test
