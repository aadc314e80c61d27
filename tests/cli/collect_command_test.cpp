// `pelmo collect` as a user runs it: the real program in a child process against a loopback
// server, standard output and standard error read back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "cli/collect_command.h"
#include "collect/project_file.h"
#include "runtime/code_page.h"
#include "tests/cli/child_process.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"

namespace {

using cli_test::Outcome;
using cli_test::ReadFile;
using test_support::HttpResponse;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// The text with each "URL" replaced by the address.
std::string WithAddress(std::string text, const std::string& address) {
  for (size_t at; (at = text.find("URL")) != std::string::npos;) text.replace(at, 3, address);
  return text;
}

class CollectCommandTest : public ::testing::Test {
protected:
  // Runs `pelmo collect` with the arguments.
  Outcome Collect(std::vector<std::string> arguments, const std::string& input = "") {
    arguments.insert(arguments.begin(), "collect");
    return Run(arguments, input);
  }
  Outcome Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return cli_test::RunProgram(PELMO_BINARY, arguments, folder_, input);
  }
  std::string WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
    return (folder_ / name).string();
  }

  cli_test::TestFolder testFolder_;
  const std::filesystem::path& folder_ = testFolder_.Path();
  test_support::LoopbackServer server_;
};

TEST_F(CollectCommandTest, DefaultRuleExportsTableRowsAndStreamsTheStatus) {
  server_.Serve("/l.html", HttpResponse(200, collect_test::ListPageGbk(20)));
  const std::string address = server_.Url("/l.html");
  Outcome outcome = Collect({address});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "新的一轮开始处理..\n" + address + "取到 20 条纪录\n共20条数据\n");
  EXPECT_THAT(outcome.out, StartsWith("<tr><td>/news/2026</td><td>1001</td><td>标题1</td><td>" +
                                      address + "</td></tr>\r\n"));
  EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 20);
}

TEST_F(CollectCommandTest, OptionsStandForTheControls) {
  server_.Serve("/u", HttpResponse(200, "<html><body><p>甲=1</p><P>乙=2</P></body></html>"));
  server_.Serve("/v", HttpResponse(200, "<html><body><p>丙=3</p></body></html>"));
  Outcome outcome = Collect({"--utf8", "--rule", "<p>[var]=[int]</p>", "--before", "<body>", "--after",
                         "</body>", "--separator", "----", "--cookie", "k=v", server_.Url("/u"),
                         server_.Url("/v")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "甲----1----" + server_.Url("/u") + "\r\n乙----2----" + server_.Url("/u") +
                             "\r\n丙----3----" + server_.Url("/v") + "\r\n");
  ASSERT_EQ(server_.RequestCount(), 2u);
  EXPECT_EQ(server_.Requests()[0].Header("Cookie").value_or(""), "k=v");
  EXPECT_THAT(outcome.err, HasSubstr("共3条数据\n"));
}

TEST_F(CollectCommandTest, ProgressAskedForOffATerminalIsALineEachTimeItChanges) {
  server_.Serve("/fast", HttpResponse(200, collect_test::ListPageGbk(20)));
  test_support::Reply slowPage = test_support::RawReply(HttpResponse(200, collect_test::ListPageGbk(20)));
  slowPage.delay = std::chrono::milliseconds(1000);
  server_.Serve("/slow", slowPage);
  const std::string fast = server_.Url("/fast");
  const std::string slow = server_.Url("/slow");
  Outcome outcome = Collect({"--progress", fast, slow});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  // While the slow page downloads: the first page's rows, and the second page's time at the first's rate.
  EXPECT_THAT(outcome.err, HasSubstr(fast + "取到 20 条纪录\n1 / 2 页，取到 20 条，剩余约 5 秒\n" + slow));
  EXPECT_THAT(outcome.err, ::testing::EndsWith(slow + "取到 20 条纪录\n2 / 2 页，取到 40 条\n共40条数据\n"));
  EXPECT_EQ(Collect({fast}).err, "新的一轮开始处理..\n" + fast + "取到 20 条纪录\n共20条数据\n") << "not asked for";
}

TEST_F(CollectCommandTest, UrlsFileKeepsInnerEmptyLinesButNoFinalOne) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(1)));
  std::string file = WriteFile("urls.txt", server_.Url("/a") + "\r\n\n" + server_.Url("/a") + "\n");
  Outcome outcome = Collect({"--separator", " ", "--urls", file});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(server_.RequestCount(), 2u);
  EXPECT_THAT(outcome.err, HasSubstr("\n取到 0 条纪录\n取到 0 条纪录\n"));
  EXPECT_THAT(outcome.err, HasSubstr("共2条数据\n"));
}

TEST_F(CollectCommandTest, UrlsFromStandardInput) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(3)));
  Outcome outcome = Collect({"--urls", "-"}, server_.Url("/a") + "\n");
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 3);
}

TEST_F(CollectCommandTest, EmptyOrBrokenRuleEndsWithStatusOneAndNoRequest) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(3)));
  for (const auto& [rule, message] : std::vector<std::pair<std::string, std::string>>{
           {"", "正则匹配规则不能为空!\n"}, {"<li>([var]</li>", "匹配规则有误: "}}) {
    Outcome outcome = Collect({"--rule", rule, server_.Url("/a")});
    EXPECT_EQ(outcome.status, 1) << rule;
    EXPECT_THAT(outcome.err, StartsWith(message));
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(server_.RequestCount(), 0u);
}

TEST_F(CollectCommandTest, CookieOver64KbEndsWithStatusTwoAndNoRequest) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(3)));
  Outcome outcome = Collect({"--cookie", "k=" + std::string(70000, 'v'), server_.Url("/a")});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err, "Cookie 不能超过 64 KB（现为 70002 字节）\n");
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(server_.RequestCount(), 0u);
}

TEST_F(CollectCommandTest, PagesWithFewRowsKeepOneSetOfColumns) {
  server_.Serve("/one", HttpResponse(200, collect_test::ListPageGbk(1)));
  server_.Serve("/three", HttpResponse(200, collect_test::ListPageGbk(3, 5)));
  Outcome outcome = Collect({"--separator", "|", server_.Url("/one"), server_.Url("/three")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  std::istringstream rows(outcome.out);
  int count = 0;
  for (std::string row; std::getline(rows, row); ++count) {
    EXPECT_EQ(std::count(row.begin(), row.end(), '|'), 3) << row;  // three groups and the address
    EXPECT_NE(row.substr(row.size() - 2), "|\r") << row;
  }
  EXPECT_EQ(count, 4);
}

TEST_F(CollectCommandTest, FailedPagesSayWhyAndEndWithStatusThree) {
  server_.Serve("/gone", HttpResponse(404, collect_test::ListPageGbk(1)));
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(2)));
  const auto started = std::chrono::steady_clock::now();
  Outcome outcome = Collect({"--separator", " ", "http://127.0.0.1:1/", server_.Url("/gone"), server_.Url("/a")});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(outcome.status, 3) << outcome.err;
  EXPECT_THAT(outcome.err, HasSubstr("http://127.0.0.1:1/取到 0 条纪录（无法连接"));
  EXPECT_THAT(outcome.err, HasSubstr(server_.Url("/gone") + "取到 1 条纪录（HTTP 404）\n"));
  EXPECT_THAT(outcome.err, HasSubstr("共3条数据，2个网址下载失败\n"));
  EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 3);  // the rows found are kept
}

TEST_F(CollectCommandTest, LiteralRuleMatchesTheRuleAsWrittenStillIgnoringCase) {
  server_.Serve("/s", HttpResponse(200, R"(<a href="show.php?id=1">a</a><A HREF="SHOW.PHP?ID=2">b</A>)"
                                        R"(<a href="show_phpid=3">c</a>)"));
  const struct {
    std::vector<std::string> options;
    std::string out;  // with URL for the page's address
  } runs[] = {
      {{}, "3|URL\r\n"},  // "." is any character and "p?" may be left out
      {{"--literal-rule"}, "1|URL\r\n2|URL\r\n"},
  };
  for (const auto& run : runs) {
    std::vector<std::string> arguments = run.options;
    arguments.insert(arguments.end(), {"--rule", R"(<a href="show.php?id=[int]">)", "--before", "", "--separator", "|",
                                       server_.Url("/s")});
    Outcome outcome = Collect(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, WithAddress(run.out, server_.Url("/s")));
  }
}

TEST_F(CollectCommandTest, UsageErrorsEndWithStatusTwo) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--bogus"}, {"--rule"}, {"--urls", "/nonexistent/x"},
                                             {"--urls", "-", "http://127.0.0.1:1/"}, {"--jobs", "0"},
                                             {"--per-host", "x"}, {"--delay"}, {"--project"},
                                             {"--encoding", "latin1"}, {"--format", "xml"},
                                             {"--output", "/nonexistent/x.csv", "http://127.0.0.1:1/"}}) {
    Outcome outcome = Collect(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments[0];
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(server_.RequestCount(), 0u);
}

struct ProjectRun {
  const char* name;
  std::vector<std::string> options;  // beside --project
  std::string page;                  // path of the page whose rows come out
  std::string out;                   // with URL for the page's address
};

TEST_F(CollectCommandTest, ProjectGivesTheSettingsAndOptionsBesideItReplaceTheirFields) {
  server_.Serve("/u", HttpResponse(200, "<html><body><p>甲=1</p><b>乙</b></body></html>"));
  server_.Serve("/v", HttpResponse(200, "<html><body><p>丙=3</p><b>丁</b></body></html>"));
  collect::CollectionProject project;
  project.addressText = runtime::Utf8ToText(server_.Url("/u"));
  project.rule = runtime::T("<p>[var]=[int]</p>");
  project.before = "<body>";
  project.after = "</body>";
  project.encoding = collect::PageEncoding::Utf8;
  project.separator = "|";
  const std::string file = (folder_ / "p.pelmo.json").string();
  ASSERT_TRUE(collect::SaveProject(file, project).saved);
  const ProjectRun runs[] = {
      {"project alone", {}, "/u", "甲|1|URL\r\n"},
      {"rule given", {"--rule", "<b>[var]</b>"}, "/u", "乙|URL\r\n"},
      {"address and separator given", {"--separator", "##", server_.Url("/v")}, "/v", "丙##3##URL\r\n"},
  };
  for (const ProjectRun& run : runs) {
    SCOPED_TRACE(run.name);
    std::vector<std::string> arguments = {"--project", file};
    arguments.insert(arguments.end(), run.options.begin(), run.options.end());
    Outcome outcome = Collect(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, WithAddress(run.out, server_.Url(run.page)));
  }
}

TEST_F(CollectCommandTest, ProjectThatCannotBeReadEndsWithStatusTwoNamingTheFile) {
  const std::string damaged = WriteFile("damaged.json", "{\"format\": \"pelmo-project\", \"version\"");
  const std::string foreign = WriteFile("foreign.json", "{\"name\": \"x\"}");
  for (const std::string& file : {(folder_ / "missing.json").string(), damaged, foreign}) {
    Outcome outcome = Collect({"--project", file, "http://127.0.0.1:1/"});
    EXPECT_EQ(outcome.status, 2) << file;
    EXPECT_THAT(outcome.err, StartsWith("pelmo collect: "));
    EXPECT_THAT(outcome.err, HasSubstr(file));
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
}

TEST_F(CollectCommandTest, NumbersOutsideTheirRangesAreRefusedBeforeAnyRequest) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(1)));
  const std::string huge =
      WriteFile("huge.json", R"({"format": "pelmo-project", "version": 1, "fetching": {"jobs": 2147483647}})");
  const std::string many = WriteFile("many.json", R"({"format": "pelmo-project", "version": 1, "fetching": {"jobs": 5000}})");
  const std::string jobsFault = "中的字段 “fetching.jobs” 应为 1 到 256 的整数\n";
  const std::pair<std::vector<std::string>, std::string> runs[] = {
      {{"--max-page-mb", "2048"}, "pelmo collect: --max-page-mb takes a whole number from 1 to 2047 (see pelmo --help)\n"},
      {{"--max-page-mb", "4096"}, "pelmo collect: --max-page-mb takes a whole number from 1 to 2047 (see pelmo --help)\n"},
      {{"--jobs", "257"}, "pelmo collect: --jobs takes a whole number from 1 to 256 (see pelmo --help)\n"},
      {{"--project", huge}, "pelmo collect: 项目文件 “" + huge + "” " + jobsFault},
      {{"--project", many}, "pelmo collect: 项目文件 “" + many + "” " + jobsFault},
  };
  for (const auto& [options, message] : runs) {
    std::vector<std::string> arguments = options;
    arguments.push_back(server_.Url("/a"));
    Outcome outcome = Collect(arguments);
    EXPECT_EQ(outcome.status, 2) << options[1];
    EXPECT_EQ(outcome.err, message);
  }
  EXPECT_EQ(server_.RequestCount(), 0u);
  Outcome largest = Collect({"--max-page-mb", "2047", "--separator", " ", server_.Url("/a")});
  EXPECT_EQ(largest.status, 0) << largest.err;
}

struct FileExport {
  std::vector<std::string> options;
  const char* file;
  std::string content;  // with URL for the page's address
};

TEST_F(CollectCommandTest, ExportGoesToTheOutputFileInTheFormatAsked) {
  server_.Serve("/l", HttpResponse(200, collect_test::ListPageGbk(2)));
  const FileExport exports[] = {
      {{"--format", "csv"}, "a.csv",
       "\xEF\xBB\xBF文本 2,文本 3,文本 4,文本 5\r\n/news/2026,1001,标题1,URL\r\n/news/2026,1002,标题2,URL\r\n"},
      {{}, "b.jsonl",
       "{\"文本 2\": \"/news/2026\", \"文本 3\": \"1001\", \"文本 4\": \"标题1\", \"address\": \"URL\"}\n"
       "{\"文本 2\": \"/news/2026\", \"文本 3\": \"1002\", \"文本 4\": \"标题2\", \"address\": \"URL\"}\n"},
      {{"--format", "text", "--separator", "|"}, "c.csv", "/news/2026|1001|标题1|URL\r\n/news/2026|1002|标题2|URL\r\n"},
  };
  for (const FileExport& export_ : exports) {
    SCOPED_TRACE(export_.file);
    std::vector<std::string> arguments = export_.options;
    arguments.insert(arguments.end(), {"--output", (folder_ / export_.file).string(), server_.Url("/l")});
    Outcome outcome = Collect(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(ReadFile(folder_ / export_.file), WithAddress(export_.content, server_.Url("/l")));
  }
}

// Every cell of every sheet of a workbook as openpyxl reads it, as JSON (an empty cell null).
std::string WorkbookCells(const std::filesystem::path& file) {
  // Debian's Python, which python3-openpyxl extends (a python3 of one's own may come first on PATH).
  const std::string command =
      "/usr/bin/python3 -c 'import json, sys, openpyxl; "
      "print(json.dumps([[[c.value for c in row] for row in sheet.iter_rows()] "
      "for sheet in openpyxl.load_workbook(open(sys.argv[1], \"rb\")).worksheets], ensure_ascii=False))' " +
      cli_test::Quote(file.string());
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

TEST_F(CollectCommandTest, XlsxExportHoldsEveryCellAsTextToAFileOrStandardOutput) {
  server_.Serve("/l", HttpResponse(200, collect_test::ListPageGbk(2)));
  const std::filesystem::path file = folder_ / "表.xlsx";
  const std::string expected = WithAddress(
      "[[[\"文本 2\", \"文本 3\", \"文本 4\", \"文本 5\"], [\"/news/2026\", \"1001\", \"标题1\", \"URL\"], "
      "[\"/news/2026\", \"1002\", \"标题2\", \"URL\"]]]\n",
      server_.Url("/l"));
  Outcome toFile = Collect({"--output", file.string(), server_.Url("/l")});
  ASSERT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(WorkbookCells(file), expected);

  Outcome toOutput = Collect({"--format", "xlsx", server_.Url("/l")});
  ASSERT_EQ(toOutput.status, 0) << toOutput.err;
  std::ofstream(folder_ / "out", std::ios::binary) << toOutput.out;
  EXPECT_EQ(WorkbookCells(folder_ / "out"), expected);
}

// What --output names besides a regular file, made in folder: the path to give and what tells
// afterwards whether it is still what it was and what it received.
struct OutputTarget {
  const char* name;
  std::function<std::string(const std::filesystem::path& folder)> make;
  std::filesystem::file_type typeAfter;
};

TEST_F(CollectCommandTest, OutputIsWrittenIntoWhatIsNoRegularFileAndDashIsStandardOutput) {
  namespace fs = std::filesystem;
  server_.Serve("/l", HttpResponse(200, collect_test::ListPageGbk(2)));
  const std::vector<std::string> options = {"--format", "csv", server_.Url("/l")};
  std::vector<std::string> arguments = {"--output", "-"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  const Outcome toStandardOutput = Collect(arguments);
  ASSERT_EQ(toStandardOutput.status, 0) << toStandardOutput.err;
  EXPECT_THAT(toStandardOutput.out, StartsWith("\xEF\xBB\xBF文本 2,"));
  EXPECT_FALSE(fs::exists("-"));

  const OutputTarget targets[] = {
      {"symbolic link", [](const fs::path& f) {
         std::ofstream(f / "target.csv") << "old";
         fs::create_symlink("target.csv", f / "link.csv");
         return (f / "link.csv").string();
       }, fs::file_type::symlink},
      // The null device's own node, made here: a fault could replace only the test's node.
      {"null device", [](const fs::path& f) {
         const fs::path node = f / "null";
         return ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? node.string() : "/dev/null";
       }, fs::file_type::character},
      {"FIFO", [](const fs::path& f) {
         ::mkfifo((f / "fifo").c_str(), 0600);
         fs::create_hard_link(f / "fifo", f / "same-fifo");  // reaches the FIFO even if it is replaced
         return (f / "fifo").string();
       }, fs::file_type::fifo},
  };
  for (const OutputTarget& target : targets) {
    SCOPED_TRACE(target.name);
    const std::string path = target.make(folder_);
    std::string read;
    std::thread reader;
    if (target.typeAfter == fs::file_type::fifo) {
      reader = std::thread([&] { read = ReadFile(path); });
    }
    arguments = {"--output", path};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const Outcome outcome = Collect(arguments);
    if (reader.joinable()) {
      ::close(::open((folder_ / "same-fifo").c_str(), O_WRONLY | O_NONBLOCK));  // lets a reader still waiting go
      reader.join();
    } else if (target.typeAfter == fs::file_type::symlink) {
      read = ReadFile(folder_ / "target.csv");
    }
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(fs::symlink_status(path).type(), target.typeAfter);
    if (target.typeAfter != fs::file_type::character) {
      EXPECT_EQ(read, toStandardOutput.out);
    }
  }
}

TEST_F(CollectCommandTest, FormulaCellsBecomeTextInCsvAndTsvUnlessCsvRaw) {
  server_.Serve("/f", HttpResponse(200, "<html><body><p>=HYPERLINK(1)</p><p>-12.5</p><p>@x</p></body></html>"));
  const std::pair<std::vector<std::string>, std::string> runs[] = {
      {{"--format", "csv"}, "\xEF\xBB\xBF文本 2,文本 3\r\n'=HYPERLINK(1),URL\r\n-12.5,URL\r\n'@x,URL\r\n"},
      {{"--format", "tsv"}, "文本 2\t文本 3\n'=HYPERLINK(1)\tURL\n-12.5\tURL\n'@x\tURL\n"},
      {{"--format", "csv", "--csv-raw"}, "\xEF\xBB\xBF文本 2,文本 3\r\n=HYPERLINK(1),URL\r\n-12.5,URL\r\n@x,URL\r\n"},
      {{"--csv-raw", "--format", "tsv"}, "文本 2\t文本 3\n=HYPERLINK(1)\tURL\n-12.5\tURL\n@x\tURL\n"},
  };
  for (const auto& [options, expected] : runs) {
    std::vector<std::string> arguments = {"--utf8", "--rule", "<p>[var]</p>", "--before", "<body>", "--after", "</body>"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(server_.Url("/f"));
    Outcome outcome = Collect(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, WithAddress(expected, server_.Url("/f"))) << options.back();
  }
}

struct EncodingRun {
  const char* name;
  std::vector<std::string> options;
  const char* page;
  std::string row;      // empty: not checked (the page is read in the wrong encoding)
  std::string warning;  // empty: none
};

TEST_F(CollectCommandTest, EncodingAutoFollowsTheDeclarationAndAContradictionIsReported) {
  server_.Serve("/utf8", HttpResponse(200, "<html><head><meta charset=\"utf-8\"></head><body><p>甲=1</p></body></html>"));
  server_.Serve("/gbk", HttpResponse(200, runtime::T("<html><head><meta http-equiv=\"Content-Type\" "
                                                     "content=\"text/html; charset=gbk\"></head><body><p>乙=2</p></body></html>")));
  server_.Serve("/plain", HttpResponse(200, runtime::T("<html><body><p>丙=3</p></body></html>")));
  const EncodingRun runs[] = {
      {"auto, UTF-8 page", {"--encoding", "auto"}, "/utf8", "甲|1|", ""},
      {"auto, GBK page", {"--encoding", "auto"}, "/gbk", "乙|2|", ""},
      {"auto, undeclared page", {"--encoding", "auto"}, "/plain", "丙|3|", ""},
      {"gbk, UTF-8 page", {}, "/utf8", "", "页面声明编码为 UTF-8，但按 GBK 读取"},
      {"gbk, GBK page", {"--encoding", "gbk"}, "/gbk", "乙|2|", ""},
      {"utf8, GBK page", {"--utf8"}, "/gbk", "", "页面声明编码为 GBK，但按 UTF-8 读取"},
      {"utf8, UTF-8 page", {"--encoding", "utf8"}, "/utf8", "甲|1|", ""},
  };
  for (const EncodingRun& run : runs) {
    SCOPED_TRACE(run.name);
    std::vector<std::string> arguments = {"--rule", "<p>[var]=[int]</p>", "--before", "<body>",
                                          "--after", "</body>", "--separator", "|"};
    arguments.insert(arguments.end(), run.options.begin(), run.options.end());
    arguments.push_back(server_.Url(run.page));
    Outcome outcome = Collect(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    if (!run.row.empty()) {
      EXPECT_EQ(outcome.out, run.row + server_.Url(run.page) + "\r\n");
    }
    if (run.warning.empty()) {
      EXPECT_THAT(outcome.err, Not(HasSubstr("页面声明编码")));
    } else {
      EXPECT_THAT(outcome.err, HasSubstr("（" + run.warning + "）\n"));
    }
  }
}

TEST_F(CollectCommandTest, HelpPrintsTheUsage) {
  Outcome outcome = Run({"--help"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, cli::UsageText());
}

// A list of three pages joined by next links, ten records each, each record's detail page adding
// an author and a date; the export's header row holds the names.
class LinkedListTest : public CollectCommandTest {
protected:
  void SetUp() override {
    for (int page = 1; page <= 3; ++page) {
      std::string list = "<html><body><ul>";
      for (int item = page * 100; item < page * 100 + 10; ++item) {
        list += "<li><a href=\"../item/" + std::to_string(item) + ".html\">标题" + std::to_string(item) + "</a></li>\n";
        server_.Serve("/item/" + std::to_string(item) + ".html",
                      HttpResponse(200, "<html><h1>x</h1><span class=author>作者" + std::to_string(item) +
                                            "</span><span class=date>2026-0" + std::to_string(page) + "-" +
                                            std::to_string(item % 100 + 10) + "</span></html>"));
      }
      list += "</ul>";
      if (page < 3) list += "<a class=\"next\" href=\"" + std::to_string(page + 1) + ".html\">下一页</a>";
      server_.Serve("/list/" + std::to_string(page) + ".html", HttpResponse(200, list + "</body></html>"));
    }
  }
  std::vector<std::string> Arguments(std::vector<std::string> more) const {
    std::vector<std::string> arguments = {
        "--utf8", "--before", "<body>", "--after", "</body>", "--rule", "<li><a href=\"[var:链接]\">[var:标题]</a></li>",
        "--next-rule", "<a class=\"next\" href=\"[var]\">", "--detail-column", "链接", "--detail-rule",
        "<span class=author>[var:作者]</span><span class=date>[var:日期]</span>", "--format", "csv"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.push_back(server_.Url("/list/1.html"));
    return arguments;
  }
};

TEST_F(LinkedListTest, NextPagesAndDetailPagesExportNamedColumnsInOrderWhateverTheDownloads) {
  Outcome parallel = Collect(Arguments({"--jobs", "16", "--per-host", "16", "--progress"}));
  ASSERT_EQ(parallel.status, 0) << parallel.err;
  std::istringstream rows(parallel.out);
  std::string row;
  std::getline(rows, row);
  EXPECT_EQ(row, "\xEF\xBB\xBF链接,标题,文本 4,作者,日期\r");
  int count = 0;
  for (int page = 1; page <= 3; ++page) {
    for (int item = page * 100; item < page * 100 + 10; ++item, ++count) {
      ASSERT_TRUE(std::getline(rows, row));
      EXPECT_EQ(row, "../item/" + std::to_string(item) + ".html,标题" + std::to_string(item) + "," +
                         server_.Url("/list/" + std::to_string(page) + ".html") + ",作者" + std::to_string(item) +
                         ",2026-0" + std::to_string(page) + "-" + std::to_string(item % 100 + 10) + "\r");
    }
  }
  EXPECT_EQ(count, 30);
  EXPECT_FALSE(std::getline(rows, row));
  EXPECT_EQ(server_.RequestCount(), 33u);
  EXPECT_THAT(parallel.err, HasSubstr(server_.Url("/list/3.html") + "取到 10 条纪录\n"));
  EXPECT_THAT(parallel.err, HasSubstr("列表 3 / 3 页，详细页 30 / 30，取到 30 条\n共30条数据\n"));

  Outcome oneByOne = Collect(Arguments({"--jobs", "1", "--per-host", "1"}));
  ASSERT_EQ(oneByOne.status, 0) << oneByOne.err;
  EXPECT_EQ(oneByOne.out, parallel.out);
  // The same lines, the progress aside (asked for in the first run only).
  std::string statusLines;
  std::istringstream err(parallel.err);
  for (std::string line; std::getline(err, line);) {
    if (line.rfind("列表 ", 0) != 0) statusLines += line + "\n";
  }
  EXPECT_EQ(oneByOne.err, statusLines);
}

TEST_F(LinkedListTest, SettingsThatCannotRunEndWithStatusOneAndAFailedDetailPageWithThree) {
  for (const std::vector<std::string>& more : std::vector<std::vector<std::string>>{
           {"--detail-column", ""}, {"--detail-column", "7"}, {"--next-rule", "<a class=\"next\">"}}) {
    Outcome outcome = Collect(Arguments(more));
    EXPECT_EQ(outcome.status, 1) << more[1];
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
  }
  EXPECT_EQ(server_.RequestCount(), 0u);
  server_.Serve("/item/205.html", HttpResponse(404, "gone"));
  Outcome outcome = Collect(Arguments({"--max-next", "1"}));
  EXPECT_EQ(outcome.status, 3) << outcome.err;
  EXPECT_THAT(outcome.err, HasSubstr("详细页 " + server_.Url("/item/205.html") + "（HTTP 404）\n"));
  EXPECT_THAT(outcome.err, HasSubstr("共20条数据，1个详细页下载失败\n"));
  EXPECT_THAT(outcome.out, HasSubstr(",标题205," + server_.Url("/list/2.html") + ",,\r\n"));
}

TEST(AddressBoxFromLines, LineEndsBecomeCrLf) {
  EXPECT_EQ(cli::AddressBoxFromLines("a\nb\n"), "a\r\nb");
  EXPECT_EQ(cli::AddressBoxFromLines("a\r\nb\r\n"), "a\r\nb");
  EXPECT_EQ(cli::AddressBoxFromLines("a\n\nb"), "a\r\n\r\nb");
  EXPECT_EQ(cli::AddressBoxFromLines(""), "");
  EXPECT_EQ(cli::AddressBoxFromLines("\n"), "");
  EXPECT_EQ(cli::AddressBoxFromLines("a\n\n"), "a\r\n");
}

}  // namespace
