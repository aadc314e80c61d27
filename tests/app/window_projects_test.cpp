// Projects, the remembered session, the defaults and file export through the real window: menu
// items and keys chosen as a user would, the file dialogs answered through their seam.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/fetching_dialog.h"
#include "app/file_choice.h"
#include "app/last_session.h"
#include "app/layout.h"
#include "app/program_handlers.h"
#include "app/qt_text.h"
#include "app/status_bar_widget.h"
#include "app/window_project.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Window;
using ::testing::HasSubstr;

constexpr int kWarningIconOk = 0x30;

// A setting box and what is typed into it.
struct Typed {
  const char* box;
  const char* utf8;
};

// Settings no default holds: Chinese, "#引号", CR LF between addresses, a cookie with ";" and "=".
const std::vector<Typed> kTypedSettings = {
    {"列表网址框", "http://127.0.0.1/甲?a=1&b=2\r\nhttp://127.0.0.1/乙 😀\r\n\r\nhttp://x/#引号"},
    {"cookie框", "sid=a=b; 名字=值;path=/"},
    {"采集前", "<div class=#引号列表#引号>"},
    {"采集后", "</div>　尾"},
    {"正则框", "<a href=\"[var]\">[var]</a>\t[int0]"},
    {"分隔符号框", "；\t,"},
};

class WindowProjectsTest : public ::testing::Test {
protected:
  void SetUp() override {
    app::RegisterProgramHandlers();
    ASSERT_TRUE(folder_.isValid());
    QFile::remove(app::LastSessionFile());
  }
  void TearDown() override { app::SessionFetching() = {}; }

  app::LayoutWindow* Main() { return frontEnd_->controls.WindowOf(Window::MainWindow); }
  void Set(const char* box, const std::string& utf8) {
    runtime::WriteProperty(Window::MainWindow, box, runtime::Property::kContent, T(utf8));
  }
  std::string Get(const char* box) { return runtime::TextToUtf8(runtime::ReadText(Window::MainWindow, box)); }
  bool GbkTicked() { return runtime::ReadInteger(Window::MainWindow, "gbk", runtime::Property::kChecked) == 1; }
  void TypeSettings() {
    for (const Typed& typed : kTypedSettings) Set(typed.box, typed.utf8);
    runtime::WriteProperty(Window::MainWindow, "gbk", runtime::Property::kChecked, 0);
    app::SessionFetching() = {2, 3, std::chrono::milliseconds(250)};
  }
  void ExpectTypedSettings() {
    for (const Typed& typed : kTypedSettings) EXPECT_EQ(Get(typed.box), typed.utf8) << typed.box;
    EXPECT_FALSE(GbkTicked());
    EXPECT_EQ(app::SessionFetching().perHost, 2);
    EXPECT_EQ(app::SessionFetching().jobs, 3);
    EXPECT_EQ(app::SessionFetching().delay, std::chrono::milliseconds(250));
  }
  void ExpectDefaults() {
    const app::WindowLayout& layout = app::LayoutOf(Window::MainWindow);
    for (const Typed& typed : kTypedSettings) {
      EXPECT_EQ(Get(typed.box), std::string(app::FindControl(layout, typed.box)->content)) << typed.box;
    }
    EXPECT_TRUE(GbkTicked());
    EXPECT_EQ(app::SessionFetching().perHost, collect::FetchPoliteness{}.perHost);
    EXPECT_EQ(app::SessionFetching().jobs, collect::FetchPoliteness{}.jobs);
    EXPECT_EQ(app::SessionFetching().delay, collect::FetchPoliteness{}.delay);
  }
  // Opens the pop-up menu and chooses the item of that name, as a user would.
  void Choose(const char* menu, const char* item) {
    bool chosen = false;
    QTimer::singleShot(0, [item, &chosen] {
      auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(popup, nullptr);
      for (QAction* action : popup->actions()) {
        if (action->objectName() != QString::fromUtf8(item)) continue;
        EXPECT_TRUE(action->isEnabled());
        chosen = true;
        ChooseMenuItem(*popup, action);
        return;
      }
      popup->close();
    });
    runtime::PopupMenu(Window::MainWindow, menu);
    EXPECT_TRUE(chosen) << item;
  }
  void PressInWindow(Qt::Key key) { QTest::keyClick(Main()->Widget("正则框"), key, Qt::ControlModifier); }
  QString File(const char* name) { return folder_.filePath(QString::fromUtf8(name)); }

  QTemporaryDir folder_;
  std::optional<QtFrontEnd> frontEnd_{std::in_place};
};

TEST_F(WindowProjectsTest, SavedProjectOpensAgainWithEveryTextByteForByte) {
  TypeSettings();
  app::SetNextFileName(File("项目"));
  Choose("工具箱", "保存项目");
  ASSERT_TRUE(QFile::exists(File("项目.pelmo.json")));
  Choose("工具箱", "恢复默认设置");
  ExpectDefaults();

  app::SetNextFileName(File("项目.pelmo.json"));
  PressInWindow(Qt::Key_O);
  ExpectTypedSettings();
  // Ctrl+S saves the same settings again, to the same bytes.
  app::SetNextFileName(File("again.json"));
  PressInWindow(Qt::Key_S);
  QFile first(File("项目.pelmo.json"));
  QFile second(File("again.json"));
  ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
  EXPECT_EQ(first.readAll(), second.readAll());
  EXPECT_TRUE(frontEnd_->Messages().empty());
}

struct BadFile {
  const char* name;
  const char* content;  // null: the file does not exist
  const char* fault;    // part of the message
};

TEST_F(WindowProjectsTest, FileThatIsNoProjectGivesAWarningAndChangesNothing) {
  const BadFile files[] = {
      {"missing.json", nullptr, "无法打开项目文件"},
      {"cut.json", "{\"format\": \"pelmo-project\", \"version\": 1, \"rule\": \"<a", "不是有效的 JSON"},
      {"foreign.json", "{\"name\": \"package\", \"version\": \"1.0.0\"}", "不是 Pelmo 项目文件"},
      {"array.json", "[1, 2]", "不是 Pelmo 项目文件"},
      {"later.json", "{\"format\": \"pelmo-project\", \"version\": 2}", "不受支持"},
      {"wrong.json", "{\"format\": \"pelmo-project\", \"version\": 1, \"rule\": 5}", "rule"},
  };
  TypeSettings();
  for (const BadFile& file : files) {
    SCOPED_TRACE(file.name);
    if (file.content != nullptr) {
      QFile out(File(file.name));
      ASSERT_TRUE(out.open(QIODevice::WriteOnly));
      out.write(file.content);
    }
    const size_t before = frontEnd_->Messages().size();
    frontEnd_->SetNextAnswer(app::kAnswerOk);
    app::SetNextFileName(File(file.name));
    Choose("工具箱", "打开项目");
    ASSERT_EQ(frontEnd_->Messages().size(), before + 1);
    const app::MessageRecord& message = frontEnd_->Messages().back();
    EXPECT_EQ(message.flags, kWarningIconOk);
    EXPECT_THAT(runtime::TextToUtf8(message.message), HasSubstr(file.name));
    EXPECT_THAT(runtime::TextToUtf8(message.message), HasSubstr(file.fault));
    ExpectTypedSettings();
  }
}

TEST_F(WindowProjectsTest, ProjectThatCannotBeWrittenGivesAWarning) {
  frontEnd_->SetNextAnswer(app::kAnswerOk);
  app::SetNextFileName(File("no-such-folder/p.pelmo.json"));
  Choose("工具箱", "保存项目");
  ASSERT_EQ(frontEnd_->Messages().size(), 1u);
  EXPECT_EQ(frontEnd_->Messages()[0].flags, kWarningIconOk);
  EXPECT_THAT(runtime::TextToUtf8(frontEnd_->Messages()[0].message), HasSubstr("p.pelmo.json"));
}

struct SessionStart {
  const char* name;
  std::optional<const char*> stored;  // the session file's content; nothing: left by closing
  bool typedSettingsBack;
};

TEST_F(WindowProjectsTest, WindowOpensWithTheSettingsItHadWhenItClosed) {
  const SessionStart starts[] = {
      {"closed with typed settings", std::nullopt, true},
      {"damaged session", "{\"format\": \"pelmo-project\", \"vers", false},
      {"no session", nullptr, false},
  };
  for (const SessionStart& start : starts) {
    SCOPED_TRACE(start.name);
    QFile::remove(app::LastSessionFile());
    app::KeepSettingsAcrossStarts(*Main());
    TypeSettings();
    if (!start.stored) {
      Main()->close();
    } else if (*start.stored != nullptr) {
      QDir().mkpath(QFileInfo(app::LastSessionFile()).absolutePath());
      QFile file(app::LastSessionFile());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(*start.stored);
    }
    frontEnd_.reset();
    app::SessionFetching() = {};
    frontEnd_.emplace();
    app::KeepSettingsAcrossStarts(*Main());
    if (start.typedSettingsBack) {
      ExpectTypedSettings();
    } else {
      ExpectDefaults();
    }
    EXPECT_TRUE(frontEnd_->Messages().empty());
  }
}

TEST_F(WindowProjectsTest, ProjectCommandsAreRefusedDuringARun) {
  frontEnd_->controls.SetRunning(true);
  int refused = 0;
  QTimer::singleShot(0, [&refused] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    for (QAction* action : popup->actions()) {
      for (const char* item : {"打开项目", "保存项目", "导出到文件", "恢复默认设置"}) {
        if (action->objectName() != QString::fromUtf8(item)) continue;
        EXPECT_FALSE(action->isEnabled()) << item;
        ++refused;
      }
    }
    popup->close();
  });
  runtime::PopupMenu(Window::MainWindow, "工具箱");
  frontEnd_->controls.SetRunning(false);
  EXPECT_EQ(refused, 4);
}

// Reads a CSV file back with Python's csv module and prints its rows as JSON.
std::string CsvRowsByPython(const QString& file) {
  const std::string command =
      "python3 -c 'import csv, json, sys; "
      "print(json.dumps(list(csv.reader(open(sys.argv[1], encoding=\"utf-8-sig\", newline=\"\"))), "
      "ensure_ascii=False))' '" + file.toStdString() + "'";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, read);
    pclose(pipe);
  }
  return out;
}

struct ExportCase {
  const char* menu;
  const char* item;
  const char* file;
  bool written;
};

TEST_F(WindowProjectsTest, ListExportsToACsvFileThatPythonReadsBack) {
  const ExportCase cases[] = {
      {"列表框", "导出列表到文件", "结果.csv", true},
      {"工具箱", "导出到文件", "again.csv", true},
      {"列表框", "导出列表到文件", "no-such-folder/x.csv", false},
  };
  const char* const rows[][4] = {{"whole", "甲,乙", "say \"hi\"", "http://a/1"},
                                 {"whole", "two\r\nlines", "", "http://a/2"}};
  for (int column = 0; column < 4; ++column) {
    runtime::ListView::InsertColumn(Window::MainWindow, "测试列表框", {}, T("文本 ") + runtime::ToText(column));
  }
  for (const auto& row : rows) {
    const int at = runtime::ListView::InsertItem(Window::MainWindow, "测试列表框", {}, T(row[0]));
    for (int column = 1; column < 4; ++column) {
      runtime::ListView::SetItemText(Window::MainWindow, "测试列表框", at, column, T(row[column]));
    }
  }
  for (const ExportCase& export_ : cases) {
    SCOPED_TRACE(export_.file);
    const size_t before = frontEnd_->Messages().size();
    if (!export_.written) frontEnd_->SetNextAnswer(app::kAnswerOk);
    app::SetNextFileName(File(export_.file));
    Choose(export_.menu, export_.item);
    if (!export_.written) {
      ASSERT_EQ(frontEnd_->Messages().size(), before + 1);
      EXPECT_EQ(frontEnd_->Messages().back().flags, kWarningIconOk);
      EXPECT_THAT(runtime::TextToUtf8(frontEnd_->Messages().back().message), HasSubstr(export_.file));
      continue;
    }
    EXPECT_EQ(frontEnd_->Messages().size(), before);
    EXPECT_EQ(CsvRowsByPython(File(export_.file)),
              "[[\"文本 1\", \"文本 2\", \"文本 3\"], [\"甲,乙\", \"say \\\"hi\\\"\", \"http://a/1\"], "
              "[\"two\\r\\nlines\", \"\", \"http://a/2\"]]\n");
    EXPECT_EQ(runtime::TextToUtf8(frontEnd_->PartText(1)),
              " 已导出至 " + QDir::toNativeSeparators(File(export_.file)).toStdString());
  }
}

}  // namespace
}  // namespace app_test
