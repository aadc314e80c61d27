// Projects, the remembered session, the defaults and file export through the real window: menu
// items and keys chosen as a user would, the file dialogs answered through their seam.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <optional>
#include <vector>

#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "tests/window/window_fixture.h"
#include "window/file_choice.h"
#include "window/last_session.h"

namespace window_test {
namespace {

using runtime::T;
using ::testing::HasSubstr;

constexpr int kWarningIconOk = 0x30;
constexpr int kQuestionYesNo = 0x124;

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

class WindowProjectsTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(folder_.isValid());
    QFile::remove(window::LastSessionFile());
  }

  bool GbkTicked() { return Main()->ReadProject().encoding == collect::PageEncoding::Gbk; }
  void TypeSettings() {
    for (const Typed& typed : kTypedSettings) SetText(typed.box, typed.utf8);
    Widget<QCheckBox>("gbk")->setChecked(false);
    collect::CollectionProject project = Main()->ReadProject();
    project.fetching = {2, 3, std::chrono::milliseconds(250)};
    Main()->ShowProject(project);
  }
  void ExpectTypedSettings() {
    for (const Typed& typed : kTypedSettings) EXPECT_EQ(BoxText(typed.box), typed.utf8) << typed.box;
    EXPECT_FALSE(GbkTicked());
    const collect::FetchPoliteness fetching = Main()->ReadProject().fetching;
    EXPECT_EQ(fetching.perHost, 2);
    EXPECT_EQ(fetching.jobs, 3);
    EXPECT_EQ(fetching.delay, std::chrono::milliseconds(250));
  }
  void ExpectDefaults() {
    const collect::CollectionProject shown = Main()->ReadProject();
    const collect::CollectionProject defaults;
    for (const auto& [box, field] :
         {std::pair{"列表网址框", defaults.addressText}, {"cookie框", defaults.cookie}, {"采集前", defaults.before},
          {"采集后", defaults.after}, {"正则框", defaults.rule}, {"分隔符号框", defaults.separator}}) {
      EXPECT_EQ(BoxText(box), runtime::TextToUtf8(field)) << box;
    }
    EXPECT_TRUE(GbkTicked());
    EXPECT_EQ(shown.fetching.perHost, defaults.fetching.perHost);
    EXPECT_EQ(shown.fetching.jobs, defaults.fetching.jobs);
    EXPECT_EQ(shown.fetching.delay, defaults.fetching.delay);
  }
  // Opens the pop-up menu and chooses the item of that name, as a user would.
  void Choose(const char* menu, const char* item) { EXPECT_TRUE(ChooseFromMenu(*Main(), menu, item)) << item; }
  void PressInWindow(Qt::Key key) { QTest::keyClick(Widget("正则框"), key, Qt::ControlModifier); }
  QString File(const char* name) { return folder_.filePath(QString::fromUtf8(name)); }
  // A new main window in place of the one there, as at the next start of the program.
  void StartAgain() {
    delete window_.data();
    window_ = new window::MainWindow;
    window_->show();
  }

  QTemporaryDir folder_;
};

TEST_F(WindowProjectsTest, SavedProjectOpensAgainWithEveryTextByteForByte) {
  TypeSettings();
  window::SetNextFileName(File("项目"));
  Choose("工具箱", "保存项目");
  ASSERT_TRUE(QFile::exists(File("项目.pelmo.json")));
  EXPECT_EQ(BarText(), " 已保存项目 项目.pelmo.json");
  Main()->Boxes().SetNextAnswer(window::kAnswerYes);
  Choose("工具箱", "恢复默认设置");
  ExpectDefaults();

  window::SetNextFileName(File("项目.pelmo.json"));
  PressInWindow(Qt::Key_O);
  ExpectTypedSettings();
  EXPECT_EQ(BarText(), " 已打开项目 项目.pelmo.json");
  // Ctrl+S saves the same settings again, to the same bytes.
  window::SetNextFileName(File("again.json"));
  PressInWindow(Qt::Key_S);
  QFile first(File("项目.pelmo.json"));
  QFile second(File("again.json"));
  ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
  EXPECT_EQ(first.readAll(), second.readAll());
  EXPECT_EQ(Messages().size(), 1u) << "only the question before 恢复默认设置";
}

TEST_F(WindowProjectsTest, RestoringTheDefaultsAsksFirst) {
  const struct {
    int answer;
    bool defaultsBack;
  } answers[] = {{window::kAnswerNo, false}, {window::kAnswerYes, true}};
  for (const auto& answer : answers) {
    TypeSettings();
    Main()->Boxes().SetNextAnswer(answer.answer);
    Choose("工具箱", "恢复默认设置");
    EXPECT_EQ(Messages().back().flags, kQuestionYesNo);
    EXPECT_THAT(runtime::TextToUtf8(Messages().back().message), HasSubstr("确定恢复吗？"));
    if (answer.defaultsBack) {
      ExpectDefaults();
    } else {
      ExpectTypedSettings();
    }
  }
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
      {"jobs.json", "{\"format\": \"pelmo-project\", \"version\": 1, \"fetching\": {\"jobs\": 5000}}",
       "“fetching.jobs” 应为 1 到 256 的整数"},
  };
  TypeSettings();
  for (const BadFile& file : files) {
    SCOPED_TRACE(file.name);
    if (file.content != nullptr) {
      QFile out(File(file.name));
      ASSERT_TRUE(out.open(QIODevice::WriteOnly));
      out.write(file.content);
    }
    const size_t before = Messages().size();
    Main()->Boxes().SetNextAnswer(window::kAnswerOk);
    window::SetNextFileName(File(file.name));
    Choose("工具箱", "打开项目");
    ASSERT_EQ(Messages().size(), before + 1);
    const window::MessageRecord& message = Messages().back();
    EXPECT_EQ(message.flags, kWarningIconOk);
    EXPECT_THAT(runtime::TextToUtf8(message.message), HasSubstr(file.name));
    EXPECT_THAT(runtime::TextToUtf8(message.message), HasSubstr(file.fault));
    ExpectTypedSettings();
  }
}

TEST_F(WindowProjectsTest, ProjectThatCannotBeWrittenGivesAWarning) {
  Main()->Boxes().SetNextAnswer(window::kAnswerOk);
  window::SetNextFileName(File("no-such-folder/p.pelmo.json"));
  Choose("工具箱", "保存项目");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].flags, kWarningIconOk);
  EXPECT_THAT(runtime::TextToUtf8(Messages()[0].message), HasSubstr("p.pelmo.json"));
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
      {"session with a number out of range",
       "{\"format\": \"pelmo-project\", \"version\": 1, \"cookie\": \"c=1\", \"fetching\": {\"jobs\": 2147483647}}",
       false},
      {"no session", nullptr, false},
  };
  for (const SessionStart& start : starts) {
    SCOPED_TRACE(start.name);
    QFile::remove(window::LastSessionFile());
    window::KeepSettingsAcrossStarts(*Main());
    TypeSettings();
    if (!start.stored) {
      Main()->close();
    } else if (*start.stored != nullptr) {
      QDir().mkpath(QFileInfo(window::LastSessionFile()).absolutePath());
      QFile file(window::LastSessionFile());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(*start.stored);
    }
    StartAgain();
    window::KeepSettingsAcrossStarts(*Main());
    if (start.typedSettingsBack) {
      ExpectTypedSettings();
    } else {
      ExpectDefaults();
    }
    EXPECT_TRUE(Messages().empty());
  }
}

TEST_F(WindowProjectsTest, WindowOpensWhereAndAsLargeAsItWasWhenItClosed) {
  const struct {
    const char* name;
    QRect closedAt;  // the client area
    bool samePlace;  // otherwise the window's default place
  } places[] = {
      {"on the screen", QRect(120, 80, 1000, 650), true},
      {"on no screen now", QRect(-5000, 80, 900, 600), false},
  };
  const QPoint defaultCorner = Main()->geometry().topLeft();
  for (const auto& place : places) {
    SCOPED_TRACE(place.name);
    StartAgain();
    window::KeepSettingsAcrossStarts(*Main());
    Main()->setGeometry(place.closedAt);
    ASSERT_TRUE(Main()->close());
    StartAgain();
    window::KeepSettingsAcrossStarts(*Main());
    EXPECT_EQ(Main()->size(), place.closedAt.size());
    EXPECT_EQ(Main()->geometry().topLeft(), place.samePlace ? place.closedAt.topLeft() : defaultCorner);
  }
  // Only the remembered settings hold the window's place, never a project.
  window::SetNextFileName(File("p.pelmo.json"));
  Choose("工具箱", "保存项目");
  QFile saved(File("p.pelmo.json"));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_FALSE(saved.readAll().contains("\"window\""));
}

TEST_F(WindowProjectsTest, ProjectCommandsAreRefusedDuringARun) {
  Main()->SetRunning(true);
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
  Main()->PopupMenu("工具箱");
  Main()->SetRunning(false);
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
                                 {"whole", "two\r\nlines", "", "http://a/2"},
                                 {"whole", "=SUM(A1)", "-12.5", "http://a/3"}};
  window::ReportListModel& list = Widget<window::ReportListView>("测试列表框")->Model();
  list.AddColumns({T("文本 0"), T("文本 1"), T("文本 2"), T("文本 3")});
  for (const auto& row : rows) list.AddRows({collect::Record{{T(row[0]), T(row[1]), T(row[2]), T(row[3])}}});
  for (const ExportCase& export_ : cases) {
    SCOPED_TRACE(export_.file);
    const size_t before = Messages().size();
    if (!export_.written) Main()->Boxes().SetNextAnswer(window::kAnswerOk);
    window::SetNextFileName(File(export_.file));
    Choose(export_.menu, export_.item);
    if (!export_.written) {
      ASSERT_EQ(Messages().size(), before + 1);
      EXPECT_EQ(Messages().back().flags, kWarningIconOk);
      EXPECT_THAT(runtime::TextToUtf8(Messages().back().message), HasSubstr(export_.file));
      continue;
    }
    EXPECT_EQ(Messages().size(), before);
    EXPECT_EQ(CsvRowsByPython(File(export_.file)),
              "[[\"文本 1\", \"文本 2\", \"文本 3\"], [\"甲,乙\", \"say \\\"hi\\\"\", \"http://a/1\"], "
              "[\"two\\r\\nlines\", \"\", \"http://a/2\"], [\"'=SUM(A1)\", \"-12.5\", \"http://a/3\"]]\n");
    EXPECT_EQ(BarText(), " 已导出至 " + QDir::toNativeSeparators(File(export_.file)).toStdString());
  }
  // The extension .xlsx makes a workbook (a zip archive).
  window::SetNextFileName(File("结果.xlsx"));
  Choose("列表框", "导出列表到文件");
  QFile workbook(File("结果.xlsx"));
  ASSERT_TRUE(workbook.open(QIODevice::ReadOnly));
  EXPECT_TRUE(workbook.read(4) == QByteArray("PK\x03\x04"));
}

TEST_F(WindowProjectsTest, ExportWritesIntoADeviceAndRefusesAFifoNobodyReads) {
  window::ReportListModel& list = Widget<window::ReportListView>("测试列表框")->Model();
  list.AddColumns({T("文本 0"), T("文本 1"), T("文本 2")});
  list.AddRows({collect::Record{{T("whole"), T("甲"), T("http://a/1")}}});
  // The null device's own node, made here: a fault could replace only the test's node.
  const std::string node = File("null").toStdString();
  const QString device = ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? File("null") : "/dev/null";
  window::SetNextFileName(device);
  Choose("工具箱", "导出到文件");
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(QFileInfo(device).exists() && !QFileInfo(device).isFile());

  ASSERT_EQ(::mkfifo(File("fifo.csv").toStdString().c_str(), 0600), 0);
  Main()->Boxes().SetNextAnswer(window::kAnswerOk);
  window::SetNextFileName(File("fifo.csv"));
  Choose("工具箱", "导出到文件");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_THAT(runtime::TextToUtf8(Messages()[0].message), HasSubstr("fifo.csv”：No such device or address"));
  EXPECT_FALSE(QFileInfo(File("fifo.csv")).isFile());
}

}  // namespace
}  // namespace window_test
