// Collection projects saved and loaded: byte-exact texts, the faults a file can have, defaults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <tuple>

#include "app/main_window_layout.h"
#include "app/project_file.h"
#include "runtime/code_page.h"

namespace app {
namespace {

using collect::CollectionProject;
using runtime::T;
using ::testing::HasSubstr;

auto Fields(const CollectionProject& p) {
  return std::make_tuple(p.addressText, p.cookie, p.before, p.after, p.rule, p.encoding,
                         p.separator, p.fetching.perHost, p.fetching.jobs, p.fetching.delay);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

TEST(ProjectFile, RoundTripKeepsEveryByte) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("项目.json"));
  CollectionProject project;
  project.addressText = T("http://例子.cn/列表_1.html\r\n\r\nhttp://x/?q=😀\r\n");
  project.cookie = "sid=a=b; lang=zh; x=\"1\"";
  project.before = T("<div class=#引号列表#引号>");
  project.after = T("</div>\u3000");
  project.rule = T("<li>[var]「[int]」</li>");
  project.encoding = collect::PageEncoding::Auto;
  project.separator = "\t|";
  project.fetching = {.perHost = 2, .jobs = 9, .delay = std::chrono::milliseconds(250)};

  ProjectSaveResult saved = SaveProject(path, project);
  ASSERT_TRUE(saved.saved) << runtime::TextToUtf8(saved.message);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.contains("\"format\": \"pelmo-project\""));
  EXPECT_TRUE(bytes.contains("\"encoding\": \"auto\""));
  EXPECT_TRUE(bytes.contains("#引号列表#引号"));  // UTF-8 in the file

  ProjectLoadResult loaded = LoadProject(path);
  ASSERT_TRUE(loaded.loaded) << runtime::TextToUtf8(loaded.message);
  EXPECT_EQ(Fields(loaded.project), Fields(project));
}

struct FaultCase {
  const char* name;
  QByteArray content;  // null: no file at all
  const char* message;
};

TEST(ProjectFile, FaultsNameTheFileAndTheFault) {
  const FaultCase cases[] = {
      {"missing", QByteArray(), "无法打开项目文件"},
      {"damaged", R"({"format": "pelmo-project", "version": 1, "rule": "x)", "不是有效的 JSON"},
      {"foreign", R"({"name": "package", "version": "1.0.0"})", "不是 Pelmo 项目文件"},
      {"array", "[1, 2]", "不是 Pelmo 项目文件"},
      {"newer", R"({"format": "pelmo-project", "version": 2})", "的版本（2）不受支持"},
      {"text field", R"({"format": "pelmo-project", "version": 1, "cookie": 5})",
       "中的字段 “cookie” 应为文本"},
      {"encoding", R"({"format": "pelmo-project", "version": 1, "encoding": "latin1"})",
       "中的字段 “encoding” 应为"},
      {"number", R"({"format": "pelmo-project", "version": 1, "fetching": {"jobs": 0.5}})",
       "中的字段 “fetching.jobs” 应为不小于 1 的整数"},
  };
  QTemporaryDir folder;
  for (const FaultCase& c : cases) {
    const QString path = folder.filePath(QString::fromUtf8(c.name) + QStringLiteral(".json"));
    if (!c.content.isNull()) WriteFile(path, c.content);
    ProjectLoadResult result = LoadProject(path);
    EXPECT_FALSE(result.loaded) << c.name;
    std::string message = runtime::TextToUtf8(result.message);
    EXPECT_THAT(message, HasSubstr(c.message)) << c.name;
    EXPECT_THAT(message, HasSubstr(std::string(c.name) + ".json")) << c.name;
  }
  EXPECT_THAT(runtime::TextToUtf8(LoadProject(folder.filePath("damaged.json")).message),
              ::testing::MatchesRegex(".*（第 [0-9]+ 字节处）"));

  ProjectSaveResult failed = SaveProject(folder.filePath(QStringLiteral("none/x.json")), {});
  EXPECT_FALSE(failed.saved);
  EXPECT_THAT(runtime::TextToUtf8(failed.message), HasSubstr("无法保存项目文件"));
}

TEST(ProjectFile, MissingFieldsTakeTheWindowsDefaults) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("p.json"));
  WriteFile(path, R"({"format": "pelmo-project", "version": 1, "cookie": "c=1", "fetching": {}})");
  ProjectLoadResult loaded = LoadProject(path);
  ASSERT_TRUE(loaded.loaded) << runtime::TextToUtf8(loaded.message);
  CollectionProject expected;
  expected.cookie = "c=1";
  EXPECT_EQ(Fields(loaded.project), Fields(expected));

  const WindowLayout& layout = MainWindowLayout();
  auto content = [&](std::string_view name) { return T(FindControl(layout, name)->content); };
  EXPECT_EQ(expected.addressText, content("列表网址框"));
  EXPECT_EQ(expected.before, content("采集前"));
  EXPECT_EQ(expected.after, content("采集后"));
  EXPECT_EQ(expected.rule, content("正则框"));
  EXPECT_EQ(expected.encoding == collect::PageEncoding::Gbk,
            (FindControl(layout, "gbk")->styles & kChecked) != 0);
}

}  // namespace
}  // namespace app
