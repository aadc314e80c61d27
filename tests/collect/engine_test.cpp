// The engine with a canned fetcher and a recording observer: the order of a run, the retry, the
// columns, failed pages, a stopped run, the rule check and the configuration test's page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "collect/collection_engine.h"
#include "collect/failure_reason.h"
#include "collect/status_reporter.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "tests/collect/canned_run.h"
#include "tests/support/list_pages.h"

namespace collect {
namespace {

using collect_test::Answer;
using collect_test::CannedFetcher;
using collect_test::Failure;
using collect_test::RecordingObserver;
using collect_test::Settings;
using runtime::T;
using runtime::Text;
using ::testing::ElementsAre;

class EngineTest : public ::testing::Test {
protected:
  RunSummary Run(const CollectionSettings& settings, const ResultTable& table = {}) {
    return RunCollection(settings, fetcher_, observer_, table);
  }
  CannedFetcher fetcher_;
  RecordingObserver observer_;
};

TEST_F(EngineTest, PageEventsComeInTheOrderOfTheRun) {
  fetcher_.Answer("http://h/1", Answer(200, collect_test::ListPageGbk(20)));
  RunSummary summary = Run(Settings({"http://h/1"}));

  EXPECT_THAT(observer_.events,
              ElementsAre("line 新的一轮开始处理..", "page 1/1", "message http://h/1", "column 文本 1",
                          "column 文本 2", "column 文本 3", "column 文本 4", "column 文本 5", "records 20",
                          "line http://h/1取到 20 条纪录", "message 匹配成功，共20条", "message 共20条数据",
                          "end"));
  ASSERT_EQ(observer_.records.size(), 20u);
  EXPECT_THAT(observer_.records[19].cells,
              ElementsAre(T("<li> <a href=\"/news/2026/1020.html\" title=\"标题20\"> <span class=\"date\">2026-12-07</span></li>"),
                          "/news/2026", "1020", T("标题20"), "http://h/1"));
  EXPECT_EQ(runtime::TextToUtf8(FinalMessage(summary)), "共20条数据");
  EXPECT_EQ(runtime::TextToUtf8(observer_.pageText).find("导航"), std::string::npos);  // cut away

  ASSERT_EQ(fetcher_.Requests().size(), 1u);
  EXPECT_EQ(fetcher_.Requests()[0].extraHeaders, std::string("User-Agent: ") + kUserAgent);
  EXPECT_EQ(fetcher_.Requests()[0].method, web::FetchMethod::Get);
}

struct RunCase {
  const char* name;
  std::vector<std::pair<std::string, web::FetchResponse>> answers;
  std::vector<Text> addresses;
  std::vector<std::string> countLines;
  std::vector<std::string> requested;
  int rows;
  int columns;
  const char* finalMessage;
};

class EngineRunCases : public ::testing::TestWithParam<RunCase> {};

TEST_P(EngineRunCases, LinesRequestsRowsColumnsAndTotal) {
  const RunCase& c = GetParam();
  CannedFetcher fetcher;
  for (const auto& [address, response] : c.answers) fetcher.Answer(address, response);
  RecordingObserver observer;
  CollectionSettings settings = Settings(c.addresses);
  settings.fetching = {1, 1, {}};  // one page at a time: requests in exactly this order
  RunSummary summary = RunCollection(settings, fetcher, observer);
  EXPECT_EQ(observer.Lines("line"), c.countLines);
  EXPECT_EQ(fetcher.Addresses(), c.requested);
  EXPECT_EQ(static_cast<int>(observer.records.size()), c.rows);
  EXPECT_EQ(static_cast<int>(observer.Lines("column").size()), c.columns);
  EXPECT_EQ(runtime::TextToUtf8(FinalMessage(summary)), c.finalMessage);

  // Downloaded ahead, the run says and asks the same.
  CannedFetcher parallelFetcher;
  for (const auto& [address, response] : c.answers) parallelFetcher.Answer(address, response);
  RecordingObserver parallelObserver;
  settings.fetching = {4, 4, {}};
  RunCollection(settings, parallelFetcher, parallelObserver);
  EXPECT_EQ(parallelObserver.events, observer.events);
  std::vector<std::string> requested = parallelFetcher.Addresses();
  std::vector<std::string> expected = c.requested;
  std::sort(requested.begin(), requested.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(requested, expected);
}

const std::string kNoMatch = "<html>list-item nothing here</html>";

web::FetchResponse AfterRetryAfter(web::FetchResponse response) {
  response.waitedRetryAfter = true;
  return response;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineRunCases,
    ::testing::Values(
        RunCase{"PageWithoutMatchIsCollectedTwice", {{"http://h/n", Answer(200, kNoMatch)}}, {"http://h/n"},
                {"新的一轮开始处理..", "http://h/n取到 0 条纪录", "http://h/n取到 0 条纪录"},
                {"http://h/n", "http://h/n"}, 0, 5, "共0条数据"},
        RunCase{"ClosedPortSaysWhyTwiceAndCountsOnce", {}, {"http://h/x"},
                {"新的一轮开始处理..", "http://h/x取到 0 条纪录（无法连接: Connection refused）",
                 "http://h/x取到 0 条纪录（无法连接: Connection refused）"},
                {"http://h/x", "http://h/x"}, 0, 5, "共0条数据，1个网址下载失败"},
        RunCase{"ErrorStatusKeepsItsRowsAndFails", {{"http://h/e", Answer(404, collect_test::ListPageGbk(2))}},
                {"http://h/e"}, {"新的一轮开始处理..", "http://h/e取到 2 条纪录（HTTP 404）"}, {"http://h/e"}, 2, 5,
                "共2条数据，1个网址下载失败"},
        RunCase{"EmptyLineIsNoPageAndNeverFails", {{"http://h/a", Answer(200, collect_test::ListPageGbk(2))}},
                {"http://h/a", "", "http://h/a"},
                {"新的一轮开始处理..", "http://h/a取到 2 条纪录", "取到 0 条纪录", "取到 0 条纪录",
                 "http://h/a取到 2 条纪录"},
                {"http://h/a", "http://h/a"}, 4, 5, "共4条数据"},
        RunCase{"OnePageWithOneRecordThenManyGivesOneColumnSet",
                {{"http://h/1", Answer(200, collect_test::ListPageGbk(1))},
                 {"http://h/3", Answer(200, collect_test::ListPageGbk(3))}},
                {"http://h/1", "http://h/3"},
                {"新的一轮开始处理..", "http://h/1取到 1 条纪录", "http://h/3取到 3 条纪录"},
                {"http://h/1", "http://h/3"}, 4, 5, "共4条数据"},
        RunCase{"NoAddressesNoColumns", {}, {}, {"新的一轮开始处理.."}, {}, 0, 0, "共0条数据"},
        RunCase{"PageThatRanOutOfTimeIsNotAskedAgain",
                {{"http://h/t", Failure(web::FetchFailure::TransferTooLong, T("传输超过 300 秒"))},
                 {"http://h/n", Answer(200, kNoMatch)}},
                {"http://h/t", "http://h/n"},
                {"新的一轮开始处理..", "http://h/t取到 0 条纪录（超时: 传输超过 300 秒）", "http://h/n取到 0 条纪录",
                 "http://h/n取到 0 条纪录"},
                {"http://h/t", "http://h/n", "http://h/n"}, 0, 5, "共0条数据，1个网址下载失败"},
        RunCase{"PageThatWaitedForRetryAfterIsNotAskedAgain",
                {{"http://h/r", AfterRetryAfter(Answer(429, "busy"))}}, {"http://h/r"},
                {"新的一轮开始处理..", "http://h/r取到 0 条纪录（HTTP 429）"}, {"http://h/r"}, 0, 5,
                "共0条数据，1个网址下载失败"}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST_F(EngineTest, RecordsOfAPageNeedOnlyTheColumnsTheListLacks) {
  fetcher_.Answer("http://h/1", Answer(200, collect_test::ListPageGbk(1)));
  ResultTable table;
  table.AddColumns({"a", "b", "c"});
  table.AddRows(std::vector<Record>(7));
  RunSummary summary = Run(Settings({"http://h/1"}), table);
  EXPECT_THAT(observer_.Lines("column"), ElementsAre("文本 4", "文本 5"));
  EXPECT_EQ(summary.rowCount, 8);
}

TEST_F(EngineTest, PageTextIsDecodedCutAndCleanedAsSet) {
  fetcher_.Answer("http://h/u", Answer(200, collect_test::ListPageUtf8(3)));
  fetcher_.Answer("http://h/s", Answer(200, "<html><body><B>a    b</B><b>A   B</b></body></html>"));
  CollectionSettings utf8 = Settings({"http://h/u"});
  utf8.encoding = PageEncoding::Utf8;
  Run(utf8);
  ASSERT_EQ(observer_.records.size(), 3u);
  EXPECT_EQ(observer_.records[2].cells[3], T("标题3"));

  RecordingObserver spaces;
  CollectionSettings oneMarker = Settings({"http://h/s"});
  oneMarker.before = "";
  oneMarker.rule = "<B>a  b</B>";
  RunCollection(oneMarker, fetcher_, spaces);
  ASSERT_EQ(spaces.records.size(), 2u);
  EXPECT_EQ(spaces.records[1].cells[0], "<b>A  B</b>");
}

TEST_F(EngineTest, StopEndsTheRunBeforeTheNextPageAndSaysSo) {
  for (const char* address : {"http://h/1", "http://h/2", "http://h/3"}) {
    fetcher_.Answer(address, Answer(200, collect_test::ListPageGbk(2)));
  }
  observer_.stopAtPage = 2;
  RunSummary summary = Run(Settings({"http://h/1", "http://h/2", "http://h/3"}));
  EXPECT_EQ(observer_.records.size(), 2u);
  EXPECT_EQ(summary.pagesDone, 1);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(runtime::TextToUtf8(FinalMessage(summary)), "已停止：处理了 1 / 3 个网址，共2条数据");
}

// A page whose matching is given up keeps the rows found before, is no failed page, and its count
// line says at which record the matching stopped, beside any other note.
TEST(MatchingGivenUp, KeepsTheRowsAndSaysWhere) {
  const std::string runs = "xxy,xxy," + std::string(40, 'x');
  struct Case {
    const char* name;
    std::string page;
    Text rule;
    std::chrono::milliseconds budget;
    std::vector<std::string> countLines;
    std::size_t rows;
  };
  const std::vector<Case> cases = {
      {"the engine gives up", "list-item" + runs + "</html>", "(x+x+)+y", kDefaultMatchBudget,
       {"http://h/x取到 2 条纪录（匹配规则过于复杂，已停止在第 3 条）"}, 2},
      {"beside the encoding note", "<meta charset=\"utf-8\">list-item" + runs + "</html>", "(x+x+)+y",
       kDefaultMatchBudget,
       {"http://h/x取到 2 条纪录（页面声明编码为 UTF-8，但按 GBK 读取；匹配规则过于复杂，已停止在第 3 条）"}, 2},
      {"nothing found, not asked again", "list-item" + std::string(40, 'x') + "</html>", "(x+x+)+y",
       kDefaultMatchBudget, {"http://h/x取到 0 条纪录（匹配规则过于复杂，已停止在第 1 条）"}, 0},
      {"no time left", collect_test::ListPageGbk(20000), Settings({}).rule, std::chrono::milliseconds(0),
       {}, 0},
  };
  for (const Case& c : cases) {
    CannedFetcher fetcher;
    fetcher.Answer("http://h/x", Answer(200, c.page));
    RecordingObserver observer;
    CollectionSettings settings = Settings({"http://h/x"});
    settings.rule = c.rule;
    settings.matchBudget = c.budget;
    const RunSummary summary = RunCollection(settings, fetcher, observer);
    std::vector<std::string> countLines = observer.Lines("line");
    countLines.erase(countLines.begin());
    if (c.countLines.empty()) {
      // Out of time part of the way through: the rows found, then the note with the next one.
      ASSERT_GT(observer.records.size(), 0u) << c.name;
      ASSERT_LT(observer.records.size(), 20000u) << c.name;
      const std::string found = std::to_string(observer.records.size());
      EXPECT_THAT(countLines, ElementsAre("http://h/x取到 " + found + " 条纪录（匹配规则过于复杂，已停止在第 " +
                                          std::to_string(observer.records.size() + 1) + " 条）"))
          << c.name;
    } else {
      EXPECT_EQ(countLines, c.countLines) << c.name;
      EXPECT_EQ(observer.records.size(), c.rows) << c.name;
    }
    EXPECT_EQ(summary.pagesFailed, 0) << c.name;
    EXPECT_FALSE(summary.stopped) << c.name;
    EXPECT_EQ(fetcher.Requests().size(), 1u) << c.name;
  }
}

// The stop is heard in the middle of a page's matching, which would otherwise run for a second
// and end with the page's count line: the page is left out, as a page whose download the stop cut
// short. The stop comes after the matching has asked for it many times.
TEST_F(EngineTest, StopDuringMatchingEndsTheRunWithoutThatPage) {
  fetcher_.Answer("http://h/1", Answer(200, "list-item xxy</html>"));
  fetcher_.Answer("http://h/2", Answer(200, "list-item xxy" + std::string(100000, 'x') + "</html>"));
  CollectionSettings settings = Settings({"http://h/1", "http://h/2"});
  settings.rule = "(x+x+)+y";
  settings.fetching = {1, 1, {}};
  observer_.stopAfterAsks = 200;
  RunSummary summary = Run(settings);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.pagesDone, 1);
  EXPECT_EQ(observer_.records.size(), 1u);
  EXPECT_THAT(observer_.Lines("line"), ElementsAre("新的一轮开始处理..", "http://h/1取到 1 条纪录"));
}

// Answers after a delay that depends on the page, counting how many requests overlap.
class SlowFetcher final : public Fetcher {
public:
  web::FetchResponse Fetch(const web::FetchRequest& request) override {
    const std::string host = request.address.substr(0, request.address.rfind('/'));
    {
      std::lock_guard lock(mutex_);
      maxTotal_ = std::max(maxTotal_, ++total_);
      maxPerHost_ = std::max(maxPerHost_, ++perHost_[host]);
      order_.push_back(request.address);
    }
    const int number = std::stoi(request.address.substr(request.address.rfind('/') + 1));
    std::this_thread::sleep_for(std::chrono::milliseconds((number * 7) % 5 * 4));
    {
      std::lock_guard lock(mutex_);
      --total_;
      --perHost_[host];
    }
    return number % 5 == 0 ? Answer(200, kNoMatchPage) : Answer(200, collect_test::ListPageGbk(1, number));
  }
  inline static const std::string kNoMatchPage = "<html>list-item nothing</html>";
  std::mutex mutex_;
  int total_ = 0, maxTotal_ = 0, maxPerHost_ = 0;
  std::map<std::string, int> perHost_;
  std::vector<std::string> order_;
};

TEST(ParallelRun, PagesComeOutInAddressOrderWithinTheLimits) {
  std::vector<Text> addresses;
  for (int i = 1; i <= 24; ++i) addresses.push_back("http://h" + std::to_string(i % 3) + "/" + std::to_string(i));
  CollectionSettings settings = Settings(addresses);
  settings.fetching = {2, 5, {}};
  SlowFetcher parallel;
  RecordingObserver inParallel;
  RunCollection(settings, parallel, inParallel);

  settings.fetching = {1, 1, {}};
  SlowFetcher sequential;
  RecordingObserver oneByOne;
  RunCollection(settings, sequential, oneByOne);

  EXPECT_EQ(inParallel.events, oneByOne.events);
  EXPECT_EQ(parallel.order_.size(), sequential.order_.size());
  EXPECT_LE(parallel.maxPerHost_, 2);
  EXPECT_LE(parallel.maxTotal_, 5);
  EXPECT_GT(parallel.maxTotal_, 1);
  EXPECT_EQ(sequential.maxTotal_, 1);
  // One page at a time retries a page without a match before the next page is asked for.
  EXPECT_EQ(std::vector<std::string>(sequential.order_.begin() + 3, sequential.order_.begin() + 7),
            (std::vector<std::string>{"http://h1/4", "http://h2/5", "http://h2/5", "http://h0/6"}));
}

// Second attempts at pages without a match overlap: each waits (up to 2 s) until three are in
// flight at once.
class SecondAttemptsMeet final : public Fetcher {
public:
  web::FetchResponse Fetch(const web::FetchRequest& request) override {
    std::unique_lock lock(mutex_);
    if (++requests_[request.address] == 2) {
      peak_ = std::max(peak_, ++secondInFlight_);
      changed_.notify_all();
      changed_.wait_for(lock, std::chrono::seconds(2), [&] { return peak_ >= 3; });
      --secondInFlight_;
    }
    return Answer(200, kNoMatch);
  }
  int peak_ = 0;

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, int> requests_;
  int secondInFlight_ = 0;
};

TEST(ParallelRun, SecondAttemptsGoThroughTheParallelDownloads) {
  CollectionSettings settings = Settings({"http://h/1", "http://h/2", "http://h/3", "http://h/4"});
  settings.fetching = {8, 8, {}};
  SecondAttemptsMeet fetcher;
  RecordingObserver observer;
  RunCollection(settings, fetcher, observer);
  EXPECT_GE(fetcher.peak_, 3);
  EXPECT_EQ(observer.Lines("line").size(), 9u);
}

TEST(ParallelRun, PauseBetweenRequestsToOneHost) {
  CollectionSettings settings = Settings({"http://h1/1", "http://h1/2", "http://h1/3"});
  settings.fetching = {4, 4, std::chrono::milliseconds(60)};
  SlowFetcher fetcher;
  RecordingObserver observer;
  const auto started = std::chrono::steady_clock::now();
  RunCollection(settings, fetcher, observer);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(120));
  EXPECT_EQ(fetcher.maxPerHost_, 1);
}

TEST(Charset, DeclarationThatContradictsTheReadingIsNotedAndAutoFollowsIt) {
  web::FetchResponse utf8 = Answer(200, collect_test::ListPageUtf8(2));
  utf8.headerBlock = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n";
  web::FetchResponse gbk = Answer(200, "<meta charset=\"gb2312\">" + collect_test::ListPageGbk(2));
  web::FetchResponse gone = utf8;
  gone.status = 404;
  struct Case {
    PageEncoding encoding;
    const web::FetchResponse& response;
    const char* line;
    const char* title;
  };
  const std::string w8 = "http://h/1取到 2 条纪录（页面声明编码为 UTF-8，但按 GBK 读取）";
  const std::string wg = "http://h/1取到 2 条纪录（页面声明编码为 GBK，但按 UTF-8 读取）";
  for (const Case& c : {Case{PageEncoding::Gbk, utf8, w8.c_str(), nullptr},
                        Case{PageEncoding::Utf8, gbk, wg.c_str(), nullptr},
                        Case{PageEncoding::Gbk, gbk, "http://h/1取到 2 条纪录", "标题2"},
                        Case{PageEncoding::Gbk, gone, "http://h/1取到 2 条纪录（HTTP 404）", nullptr},
                        Case{PageEncoding::Auto, utf8, "http://h/1取到 2 条纪录", "标题2"},
                        Case{PageEncoding::Auto, gbk, "http://h/1取到 2 条纪录", "标题2"}}) {
    CannedFetcher fetcher;
    fetcher.Answer("http://h/1", c.response);
    CollectionSettings settings = Settings({"http://h/1"});
    settings.encoding = c.encoding;
    RecordingObserver observer;
    RunCollection(settings, fetcher, observer);
    EXPECT_EQ(observer.Lines("line").at(1), c.line);
    if (c.title) {
      EXPECT_EQ(runtime::TextToUtf8(observer.records.at(1).cells.at(3)), c.title);
    }
  }
}

TEST(RuleProblem, EmptyAndBrokenRulesAreRefusedWithTheirReason) {
  for (const Text& empty : {Text(), Text(1, '\0'), Text("\0\0", 2), Text("\0<li>[var]</li>", 15)})
    EXPECT_EQ(runtime::TextToUtf8(RuleProblem(empty)), "正则匹配规则不能为空!");
  EXPECT_EQ(RuleProblem(T("<li>[var]</li>")), "");
  EXPECT_EQ(RuleProblem(Text("<li>\0", 5)), "");
  EXPECT_EQ(RuleProblem(" "), "");
  std::string broken = runtime::TextToUtf8(RuleProblem("<li>([var]</li>"));
  EXPECT_EQ(broken.rfind("匹配规则有误: ", 0), 0u) << broken;
  EXPECT_GT(broken.size(), std::string("匹配规则有误: ").size());
}

TEST(CookieProblem, CookieOverTheLimitIsRefusedWithItsSize) {
  EXPECT_EQ(CookieProblem(""), "");
  EXPECT_EQ(CookieProblem(Text(web::kMaxCookieBytes, 'c')), "");
  EXPECT_EQ(runtime::TextToUtf8(CookieProblem(Text(2000000, 'c'))), "Cookie 不能超过 64 KB（现为 2000000 字节）");
}

TEST_F(EngineTest, ControlBytesOfAnAddressAreShownEscaped) {
  const Text address = "http://h/\r\n\t\x01\x1f\x7f" + T("页");
  fetcher_.Answer(address, Answer(200, collect_test::ListPageGbk(1)));
  Run(Settings({address}));
  const std::string shown = "http://h/\\r\\n\\t\\x01\\x1f\\x7f页";
  EXPECT_THAT(observer_.Lines("message"), testing::Contains(shown));
  EXPECT_THAT(observer_.Lines("line"), testing::Contains(shown + "取到 1 条纪录"));
  ASSERT_EQ(observer_.records.size(), 1u);
  EXPECT_EQ(observer_.records[0].cells.back(), address);
}

TEST(FailureReason, EveryKindHasItsWords) {
  const std::int64_t limit = kDefaultMaxPageBytes;
  EXPECT_EQ(FailureReason(Answer(200, ""), limit), "");
  EXPECT_EQ(FailureReason(Answer(399, ""), limit), "");
  EXPECT_EQ(FailureReason(Answer(500, ""), limit), "HTTP 500");
  EXPECT_EQ(runtime::TextToUtf8(FailureReason(Failure(web::FetchFailure::TimedOut, T("30 秒无数据")), limit)),
            "超时: 30 秒无数据");
  EXPECT_EQ(runtime::TextToUtf8(FailureReason(Failure(web::FetchFailure::TransferTooLong, T("传输超过 300 秒")), limit)),
            "超时: 传输超过 300 秒");
  EXPECT_EQ(runtime::TextToUtf8(FailureReason(Failure(web::FetchFailure::PageTooLarge, ""), limit)),
            "页面超过 256 MB");
  EXPECT_EQ(runtime::TextToUtf8(FailureReason(Failure(web::FetchFailure::CookieTooLarge, ""), limit)),
            "Cookie 超过 64 KB");
  EXPECT_EQ(runtime::TextToUtf8(FailureReason(Failure(web::FetchFailure::UnsupportedAddress, ""), limit)),
            "不支持的地址");
  EXPECT_EQ(runtime::TextToUtf8(AttemptLine({"a", 2, 0, T("HTTP 404"), T("页面声明编码为 UTF-8，但按 GBK 读取")})),
            "a取到 0 条纪录（HTTP 404；页面声明编码为 UTF-8，但按 GBK 读取）");
}

TEST_F(EngineTest, TestPagePreparesTheTextWithoutMatching) {
  fetcher_.Answer("http://h/1", Answer(200, collect_test::ListPageGbk(2)));
  PageOutcome outcome = TestPage("http://h/1", Settings({}), fetcher_, observer_);
  EXPECT_THAT(observer_.events, ElementsAre("message http://h/1"));
  EXPECT_FALSE(outcome.failed);
  EXPECT_NE(runtime::TextToUtf8(observer_.pageText).find("标题2"), std::string::npos);
  EXPECT_EQ(observer_.pageText, outcome.PageText());
}

}  // namespace
}  // namespace collect
