// `pelmo collect` as a user runs it: the real program in a child process against a loopback
// server, standard output and standard error read back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/collect_command.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"

namespace {

using test_support::HttpResponse;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& argument) {
  std::string quoted = "'";
  for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), {});
}

class CollectCommandTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("pelmo-collect-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Runs `pelmo collect` with the arguments.
  Outcome Collect(std::vector<std::string> arguments, const std::string& input = "") {
    arguments.insert(arguments.begin(), "collect");
    return Run(arguments, input);
  }
  Outcome Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    // A hung child must fail the test, not hold the suite.
    std::string command = "timeout 60 " + Quote(PELMO_BINARY);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    std::ofstream(folder_ / "in", std::ios::binary) << input;
    command += " < " + Quote((folder_ / "in").string()) + " > " + Quote((folder_ / "out").string()) +
               " 2> " + Quote((folder_ / "err").string());
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(folder_ / "out"), ReadFile(folder_ / "err")};
  }
  std::string WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
    return (folder_ / name).string();
  }

  std::filesystem::path folder_;
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

TEST_F(CollectCommandTest, UsageErrorsEndWithStatusTwo) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--bogus"}, {"--rule"}, {"--urls", "/nonexistent/x"},
                                             {"--urls", "-", "http://127.0.0.1:1/"}, {"--jobs", "0"},
                                             {"--per-host", "x"}, {"--delay"}}) {
    Outcome outcome = Collect(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments[0];
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(server_.RequestCount(), 0u);
}

TEST_F(CollectCommandTest, HelpPrintsTheUsage) {
  Outcome outcome = Run({"--help"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, app::UsageText());
}

TEST(AddressBoxFromLines, LineEndsBecomeCrLf) {
  EXPECT_EQ(app::AddressBoxFromLines("a\nb\n"), "a\r\nb");
  EXPECT_EQ(app::AddressBoxFromLines("a\r\nb\r\n"), "a\r\nb");
  EXPECT_EQ(app::AddressBoxFromLines("a\n\nb"), "a\r\n\r\nb");
  EXPECT_EQ(app::AddressBoxFromLines(""), "");
  EXPECT_EQ(app::AddressBoxFromLines("\n"), "");
  EXPECT_EQ(app::AddressBoxFromLines("a\n\n"), "a\r\n");
}

}  // namespace
