// Collection projects saved and loaded: byte-exact texts, the faults a file can have, defaults, and
// a failed save that leaves the old file.
#include "collect/project_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "runtime/code_page.h"

namespace collect {
namespace {

using runtime::T;
using ::testing::HasSubstr;

auto Fields(const CollectionProject& p) {
  return std::make_tuple(p.addressText, p.cookie, p.before, p.after, p.rule, p.ruleSyntax, p.encoding,
                         p.separator, p.fetching.perHost, p.fetching.jobs, p.fetching.delay, p.next, p.detail,
                         p.store.file, p.store.onlyNew, p.store.recordColumns);
}

class ProjectFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("pelmo-project-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const std::string& name) { return (folder_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(folder_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path folder_;
};

TEST_F(ProjectFileTest, RoundTripKeepsEveryByte) {
  CollectionProject project;
  project.addressText = T("http://例子.cn/列表_1.html\r\n\r\nhttp://x/?q=😀\r\n");
  project.cookie = "sid=a=b; lang=zh; x=\"1\"";
  project.before = T("<div class=#引号列表#引号>");
  project.after = T("</div>\u3000");
  project.rule = T("<li>[var]「[int]」</li>");
  project.ruleSyntax = RuleSyntax::Literal;
  project.encoding = PageEncoding::Auto;
  project.separator = "\t|";
  project.fetching = {.perHost = 2, .jobs = 9, .delay = std::chrono::milliseconds(250)};
  project.store = {.file = Path("新闻.pelmo.sqlite"), .onlyNew = true, .recordColumns = {2, 4}};

  ProjectSaveResult saved = SaveProject(Path("项目.json"), project);
  ASSERT_TRUE(saved.saved) << runtime::TextToUtf8(saved.message);
  const std::string bytes = Read("项目.json");
  EXPECT_EQ(bytes, ProjectDocument(project));
  EXPECT_THAT(bytes, HasSubstr("\n    \"encoding\": \"auto\",\n    \"fetching\": {\n        \"delayMilliseconds\": 250,"));
  EXPECT_THAT(bytes, HasSubstr("\"format\": \"pelmo-project\""));
  EXPECT_THAT(bytes, HasSubstr("\n    \"literalRule\": true,\n"));
  EXPECT_THAT(bytes, HasSubstr("#引号列表#引号"));  // UTF-8 in the file
  EXPECT_EQ(bytes.back(), '\n');

  ProjectLoadResult loaded = LoadProject(Path("项目.json"));
  ASSERT_TRUE(loaded.loaded) << runtime::TextToUtf8(loaded.message);
  EXPECT_EQ(Fields(loaded.project), Fields(project));
  // A project without a store is written as before the store existed.
  EXPECT_THAT(ProjectDocument(CollectionProject{}), ::testing::Not(HasSubstr("store")));
}

TEST_F(ProjectFileTest, SettingsThatAreOffLeaveTheFileAsItWasBeforeThem) {
  EXPECT_EQ(ProjectDocument(CollectionProject{}),
            "{\n"
            "    \"addresses\": "
            "\"http://www.example.com/news/index_2.html\\r\\nhttp://www.example.com/news/index_3.html\",\n"
            "    \"after\": \"</html>\",\n"
            "    \"before\": \"list-item\",\n"
            "    \"cookie\": \"\",\n"
            "    \"encoding\": \"gbk\",\n"
            "    \"fetching\": {\n"
            "        \"delayMilliseconds\": 0,\n"
            "        \"jobs\": 16,\n"
            "        \"perHost\": 4\n"
            "    },\n"
            "    \"format\": \"pelmo-project\",\n"
            "    \"rule\": \"<li> <a href=\\\"[var]/[int].html\\\" title=\\\"[var]\\\"> <span [var0]</li>\",\n"
            "    \"separator\": \"\",\n"
            "    \"version\": 1\n"
            "}\n");
}

struct FaultCase {
  const char* name;
  const char* content;  // null: no file at all
  const char* message;
};

TEST_F(ProjectFileTest, FaultsNameTheFileAndTheFault) {
  const FaultCase cases[] = {
      {"missing", nullptr, "无法打开项目文件"},
      {"damaged", R"({"format": "pelmo-project", "version": 1, "rule": "x)", "不是有效的 JSON"},
      {"foreign", R"({"name": "package", "version": "1.0.0"})", "不是 Pelmo 项目文件"},
      {"array", "[1, 2]", "不是 Pelmo 项目文件"},
      {"newer", R"({"format": "pelmo-project", "version": 2})", "的版本（2）不受支持"},
      {"text field", R"({"format": "pelmo-project", "version": 1, "cookie": 5})",
       "中的字段 “cookie” 应为文本"},
      {"encoding", R"({"format": "pelmo-project", "version": 1, "encoding": "latin1"})",
       "中的字段 “encoding” 应为"},
      {"number", R"({"format": "pelmo-project", "version": 1, "fetching": {"jobs": 0.5}})",
       "中的字段 “fetching.jobs” 应为 1 到 256 的整数"},
      {"jobs past int", R"({"format": "pelmo-project", "version": 1, "fetching": {"jobs": 2147483647}})",
       "中的字段 “fetching.jobs” 应为 1 到 256 的整数"},
      {"jobs past its option", R"({"format": "pelmo-project", "version": 1, "fetching": {"jobs": 5000}})",
       "中的字段 “fetching.jobs” 应为 1 到 256 的整数"},
      {"per host", R"({"format": "pelmo-project", "version": 1, "fetching": {"perHost": 65}})",
       "中的字段 “fetching.perHost” 应为 1 到 64 的整数"},
      {"delay", R"({"format": "pelmo-project", "version": 1, "fetching": {"delayMilliseconds": 600001}})",
       "中的字段 “fetching.delayMilliseconds” 应为 0 到 600000 的整数"},
      {"object", R"({"format": "pelmo-project", "version": 1, "fetching": []})", "中的字段 “fetching” 应为对象"},
      {"flag", R"({"format": "pelmo-project", "version": 1, "nextPage": {"wholePage": 1}})",
       "中的字段 “nextPage.wholePage” 应为true 或 false"},
      {"limit", R"({"format": "pelmo-project", "version": 1, "nextPage": {"maxNext": -1}})",
       "中的字段 “nextPage.maxNext” 应为 0 到 100000 的整数"},
      {"detail", R"({"format": "pelmo-project", "version": 1, "detailPage": {"column": 3}})",
       "中的字段 “detailPage.column” 应为文本"},
      {"switch", R"({"format": "pelmo-project", "version": 1, "literalRule": 1})",
       "中的字段 “literalRule” 应为true 或 false"},
      {"record columns", R"({"format": "pelmo-project", "version": 1, "store": {"recordColumns": [2, 0]}})",
       "中的字段 “store.recordColumns” 应为由不小于 1 的整数组成的数组"},
      {"only new", R"({"format": "pelmo-project", "version": 1, "store": {"onlyNew": 1}})",
       "中的字段 “store.onlyNew” 应为true 或 false"},
  };
  for (const FaultCase& c : cases) {
    const std::string name = std::string(c.name) + ".json";
    if (c.content != nullptr) Write(name, c.content);
    ProjectLoadResult result = LoadProject(Path(name));
    EXPECT_FALSE(result.loaded) << c.name;
    std::string message = runtime::TextToUtf8(result.message);
    EXPECT_THAT(message, HasSubstr(c.message)) << c.name;
    EXPECT_THAT(message, HasSubstr(name)) << c.name;
  }
  EXPECT_THAT(runtime::TextToUtf8(LoadProject(Path("damaged.json")).message),
              ::testing::MatchesRegex(".*（第 [0-9]+ 字节处）"));
}

TEST_F(ProjectFileTest, NumbersAtTheEndsOfTheirRangesAreTaken) {
  Write("high.json", R"({"format": "pelmo-project", "version": 1,
                         "fetching": {"perHost": 64, "jobs": 256, "delayMilliseconds": 600000}})");
  Write("low.json", R"({"format": "pelmo-project", "version": 1,
                        "fetching": {"perHost": 1, "jobs": 1, "delayMilliseconds": 0}})");
  const ProjectLoadResult high = LoadProject(Path("high.json"));
  const ProjectLoadResult low = LoadProject(Path("low.json"));
  ASSERT_TRUE(high.loaded && low.loaded) << runtime::TextToUtf8(high.message + low.message);
  EXPECT_EQ(std::make_tuple(high.project.fetching.perHost, high.project.fetching.jobs, high.project.fetching.delay),
            std::make_tuple(64, 256, std::chrono::milliseconds(600000)));
  EXPECT_EQ(std::make_tuple(low.project.fetching.perHost, low.project.fetching.jobs, low.project.fetching.delay),
            std::make_tuple(1, 1, std::chrono::milliseconds(0)));
}

TEST_F(ProjectFileTest, FailedSaveLeavesTheOldFileAndNothingBeside) {
  ProjectSaveResult failed = SaveProject(Path("none/x.json"), {});
  EXPECT_FALSE(failed.saved);
  EXPECT_THAT(runtime::TextToUtf8(failed.message), HasSubstr("无法保存项目文件"));
  EXPECT_THAT(runtime::TextToUtf8(failed.message), HasSubstr("No such file or directory"));

  Write("kept.json", "old");
  ::chmod(Path("kept.json").c_str(), 0640);
  ::chmod(folder_.c_str(), 0500);  // the file aside cannot be made
  const bool refused = !SaveProject(Path("kept.json"), {}).saved;
  ::chmod(folder_.c_str(), 0700);
  if (::geteuid() != 0) {
    EXPECT_TRUE(refused);
  }
  if (refused) {
    EXPECT_EQ(Read("kept.json"), "old");
  }

  ASSERT_TRUE(SaveProject(Path("kept.json"), {}).saved);
  struct stat kept {};
  ASSERT_EQ(::stat(Path("kept.json").c_str(), &kept), 0);
  EXPECT_EQ(kept.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

TEST_F(ProjectFileTest, MissingFieldsKeepTheirDefaultsAndUnknownOnesArePassedOver) {
  Write("p.json", R"({"format": "pelmo-project", "version": 1, "cookie": "c=1", "fetching": {}, "later": [1]})");
  ProjectLoadResult loaded = LoadProject(Path("p.json"));
  ASSERT_TRUE(loaded.loaded) << runtime::TextToUtf8(loaded.message);
  CollectionProject expected;
  expected.cookie = "c=1";
  EXPECT_EQ(Fields(loaded.project), Fields(expected));

  Write("beside.json", R"({"format": "pelmo-project", "version": 1, "store": {"file": "beside.sqlite"}})");
  EXPECT_EQ(LoadProject(Path("beside.json")).project.store.file, Path("beside.sqlite"));
}

TEST_F(ProjectFileTest, NextAndDetailPartsAreWrittenOnlyWhenSet) {
  CollectionProject project;
  EXPECT_THAT(ProjectDocument(project), ::testing::Not(HasSubstr("nextPage")));
  EXPECT_THAT(ProjectDocument(project), ::testing::Not(HasSubstr("detailPage")));
  project.next = {.rule = T("<a href=\"[var]\">下一页</a>"), .maxNext = 0, .scope = NextPageScope::WholePage};
  project.detail = {.column = T("链接"), .before = "<h1>", .after = "</body>", .rule = T("作者：[var:作者]<")};
  ASSERT_TRUE(SaveProject(Path("p.json"), project).saved);
  EXPECT_THAT(Read("p.json"), HasSubstr("\"nextPage\": {\n        \"maxNext\": 0,\n        \"rule\": "));
  ProjectLoadResult loaded = LoadProject(Path("p.json"));
  ASSERT_TRUE(loaded.loaded) << runtime::TextToUtf8(loaded.message);
  EXPECT_EQ(Fields(loaded.project), Fields(project));
}

}  // namespace
}  // namespace collect
