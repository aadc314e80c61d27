// The engine beyond the list page, with a canned fetcher: named columns, chains of next pages and
// detail pages, each run one page at a time and again downloaded ahead, which must say the same.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "collect/collection_engine.h"
#include "collect/link_test.h"
#include "collect/progress_meter.h"
#include "collect/status_texts.h"
#include "tests/collect/canned_run.h"

namespace collect {
namespace {

using collect_test::Answer;
using collect_test::CannedFetcher;
using collect_test::RecordingObserver;
using runtime::T;
using runtime::Text;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A list page: one entry per link (its title is the link), and the next-page link when given.
std::string List(const std::vector<std::string>& links, const std::string& next = "") {
  std::string page = "<html><ul>";
  for (const std::string& link : links) page += "<li><a href=\"" + link + "\">" + link + "</a></li>";
  page += "</ul>";
  if (!next.empty()) page += "<a class=next href=\"" + next + "\">" + T("下一页") + "</a>";
  return page + "</html>";
}

std::string Detail(const std::string& author, const std::string& date) {
  return "<body><p>" + author + "</p><i>" + date + "</i></body>";
}

CollectionSettings LinkSettings(std::vector<Text> addresses) {
  CollectionSettings settings;
  settings.addresses = std::move(addresses);
  settings.rule = T("<li><a href=\"[var:链接]\">[var:标题]</a></li>");
  settings.next.rule = "<a class=next href=\"[var]\">";
  return settings;
}

void WithDetails(CollectionSettings& settings, const char* column) {
  settings.detail.column = T(column);
  settings.detail.rule = T("<p>[var:作者]</p><i>[var]</i>");
}

using Answers = std::vector<std::pair<std::string, web::FetchResponse>>;

struct Recorded {
  std::vector<std::string> events;
  std::vector<std::string> requests;
  std::vector<Record> records;
  RunSummary summary;
};

Recorded RunWith(CollectionSettings settings, const Answers& answers, FetchPoliteness fetching) {
  CannedFetcher fetcher;
  for (const auto& [address, response] : answers) fetcher.Answer(address, response);
  RecordingObserver observer;
  settings.fetching = fetching;
  Recorded recorded;
  recorded.summary = RunCollection(settings, fetcher, observer);
  recorded.events = observer.events;
  recorded.requests = fetcher.Addresses();
  recorded.records = observer.records;
  return recorded;
}

// One page at a time (requests in exactly the expected order), then downloaded ahead: the same
// events, the same requests in some order.
Recorded RunBothWays(const CollectionSettings& settings, const Answers& answers) {
  Recorded sequential = RunWith(settings, answers, {1, 1, {}});
  Recorded parallel = RunWith(settings, answers, {4, 8, {}});
  EXPECT_EQ(parallel.events, sequential.events);
  std::vector<std::string> sorted = sequential.requests;
  std::sort(sorted.begin(), sorted.end());
  std::sort(parallel.requests.begin(), parallel.requests.end());
  EXPECT_EQ(parallel.requests, sorted);
  return sequential;
}

std::vector<std::string> Lines(const Recorded& recorded) {
  std::vector<std::string> lines;
  for (const std::string& event : recorded.events) {
    if (event.rfind("line ", 0) == 0) lines.push_back(event.substr(5));
  }
  return lines;
}

std::vector<std::string> Column(const Recorded& recorded, std::size_t column) {
  std::vector<std::string> cells;
  for (const Record& record : recorded.records) cells.push_back(runtime::TextToUtf8(record.cells.at(column)));
  return cells;
}

struct ChainCase {
  const char* name;
  Answers answers;
  std::vector<Text> addresses;
  int maxNext;
  std::vector<std::string> requests;  // one page at a time
  std::vector<std::string> titles;    // of the records, in order
  std::vector<std::string> addressCells;
  const char* finalMessage;
};

class NextPageChains : public ::testing::TestWithParam<ChainCase> {};

TEST_P(NextPageChains, FollowedInOrderUntilTheyEnd) {
  const ChainCase& c = GetParam();
  CollectionSettings settings = LinkSettings(c.addresses);
  settings.next.maxNext = c.maxNext;
  Recorded run = RunBothWays(settings, c.answers);
  EXPECT_EQ(run.requests, c.requests);
  EXPECT_EQ(Column(run, 2), c.titles);
  EXPECT_EQ(Column(run, 3), c.addressCells);
  // Every list page has its own line.
  EXPECT_EQ(Lines(run).size(), c.requests.size() + 1);
  EXPECT_EQ(runtime::TextToUtf8(FinalMessage(run.summary)), c.finalMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextPageChains,
    ::testing::Values(
        ChainCase{"RelativeLinksAndAnEntity",
                  {{"http://h/a/1.html", Answer(200, List({"x1"}, "2.html#top"))},
                   {"http://h/a/2.html", Answer(200, List({"x2"}, "../b/3.php?p=3&amp;s=1"))},
                   {"http://h/b/3.php?p=3&s=1", Answer(200, List({"x3", "y3"}))}},
                  {"http://h/a/1.html"},
                  50,
                  {"http://h/a/1.html", "http://h/a/2.html", "http://h/b/3.php?p=3&s=1"},
                  {"x1", "x2", "x3", "y3"},
                  {"http://h/a/1.html", "http://h/a/2.html", "http://h/b/3.php?p=3&s=1", "http://h/b/3.php?p=3&s=1"},
                  "共4条数据"},
        ChainCase{"LoopBackToAVisitedPage",
                  {{"http://h/1", Answer(200, List({"x1"}, "2"))}, {"http://h/2", Answer(200, List({"x2"}, "/1"))}},
                  {"http://h/1"},
                  50,
                  {"http://h/1", "http://h/2"},
                  {"x1", "x2"},
                  {"http://h/1", "http://h/2"},
                  "共2条数据"},
        ChainCase{"LimitOfNextPages",
                  {{"http://h/1", Answer(200, List({"x1"}, "2"))},
                   {"http://h/2", Answer(200, List({"x2"}, "3"))},
                   {"http://h/3", Answer(200, List({"x3"}, "4"))},
                   {"http://h/4", Answer(200, List({"x4"}, "5"))}},
                  {"http://h/1"},
                  2,
                  {"http://h/1", "http://h/2", "http://h/3"},
                  {"x1", "x2", "x3"},
                  {"http://h/1", "http://h/2", "http://h/3"},
                  "共3条数据"},
        ChainCase{"AddressOfTheRunIsNotFollowedTwice",
                  {{"http://h/1", Answer(200, List({"x1"}, "2"))},
                   {"http://h/2", Answer(200, List({"x2"}, "3"))},
                   {"http://h/3", Answer(200, List({"x3"}, "4"))},
                   {"http://h/4", Answer(200, List({"x4"}))}},
                  {"http://h/1", "http://h/3"},
                  50,
                  {"http://h/1", "http://h/2", "http://h/3", "http://h/4"},
                  {"x1", "x2", "x3", "x4"},
                  {"http://h/1", "http://h/2", "http://h/3", "http://h/4"},
                  "共4条数据"},
        ChainCase{"FailedNextPageIsAskedTwiceAndEndsTheChain",
                  {{"http://h/1", Answer(200, List({"x1"}, "gone"))}},
                  {"http://h/1"},
                  50,
                  {"http://h/1", "http://h/gone", "http://h/gone"},
                  {"x1"},
                  {"http://h/1"},
                  "共1条数据，1个网址下载失败"}),
    [](const ::testing::TestParamInfo<ChainCase>& info) { return std::string(info.param.name); });

TEST(NextPageChains, WholePageIsMatchedWhenTheProjectSaysSo) {
  const Answers answers = {{"http://h/1", Answer(200, List({"x1"}, "2"))}, {"http://h/2", Answer(200, List({"x2"}))}};
  CollectionSettings settings = LinkSettings({"http://h/1"});
  settings.before = "<ul>";
  settings.after = "</ul>";
  EXPECT_THAT(RunBothWays(settings, answers).requests, ElementsAre("http://h/1"));
  settings.next.scope = NextPageScope::WholePage;
  EXPECT_THAT(RunBothWays(settings, answers).requests, ElementsAre("http://h/1", "http://h/2"));
}

TEST(DetailPages, NamedColumnsComeAfterTheAddressAndTheColumnIsACaptionOrANumber) {
  const Answers answers = {{"http://h/l/1", Answer(200, List({"../d/1", "/d/2"}))},
                           {"http://h/d/1", Answer(200, Detail(T("甲"), "2026-01-01"))},
                           {"http://h/d/2", Answer(200, Detail(T("乙"), "2026-01-02"))}};
  for (const char* column : {"链接", "2", " 2 "}) {
    CollectionSettings settings = LinkSettings({"http://h/l/1"});
    WithDetails(settings, column);
    Recorded run = RunBothWays(settings, answers);
    EXPECT_THAT(run.events, ::testing::IsSupersetOf({"column 文本 1", "column 链接", "column 标题", "column 文本 4",
                                                     "column 作者", "column 文本 6"}));
    EXPECT_THAT(run.requests, ElementsAre("http://h/l/1", "http://h/d/1", "http://h/d/2"));
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_THAT(run.records[1].cells, ElementsAre("<li><a href=\"/d/2\">/d/2</a></li>", "/d/2", "/d/2",
                                                  "http://h/l/1", T("乙"), "2026-01-02"));
    EXPECT_EQ(runtime::TextToUtf8(FinalMessage(run.summary)), "共2条数据");
  }
}

struct DetailCase {
  const char* name;
  std::vector<std::string> links;
  Answers details;
  std::vector<std::string> requests;  // after the list page, one page at a time
  std::vector<std::string> authors;
  std::vector<std::string> lines;     // after the run's first line
  const char* finalMessage;
};

class DetailStage : public ::testing::TestWithParam<DetailCase> {};

TEST_P(DetailStage, EveryRecordIsKeptAndEveryProblemSaid) {
  const DetailCase& c = GetParam();
  Answers answers = c.details;
  answers.emplace_back("http://h/l", Answer(200, List(c.links)));
  CollectionSettings settings = LinkSettings({"http://h/l"});
  WithDetails(settings, "链接");
  Recorded run = RunBothWays(settings, answers);
  std::vector<std::string> requests = {"http://h/l"};
  requests.insert(requests.end(), c.requests.begin(), c.requests.end());
  EXPECT_EQ(run.requests, requests);
  EXPECT_EQ(Column(run, 4), c.authors);
  std::vector<std::string> lines = Lines(run);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), c.lines);
  EXPECT_EQ(runtime::TextToUtf8(FinalMessage(run.summary)), c.finalMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetailStage,
    ::testing::Values(
        DetailCase{"FailedDetailPageLeavesEmptyCellsAndCounts",
                   {"d/1", "d/2", "d/3"},
                   {{"http://h/d/1", Answer(200, Detail("a1", "t1"))}, {"http://h/d/2", Answer(404, Detail("a2", "t2"))}},
                   {"http://h/d/1", "http://h/d/2", "http://h/d/3"},
                   {"a1", "a2", ""},
                   {"详细页 http://h/d/2（HTTP 404）", "详细页 http://h/d/3（无法连接: Connection refused）",
                    "http://h/l取到 3 条纪录"},
                   "共3条数据，2个详细页下载失败"},
        DetailCase{"DetailPageWithoutAMatchIsSaid",
                   {"d/1", "d/2"},
                   {{"http://h/d/1", Answer(200, Detail("a1", "t1"))}, {"http://h/d/2", Answer(200, "<body></body>")}},
                   {"http://h/d/1", "http://h/d/2"},
                   {"a1", ""},
                   {"详细页 http://h/d/2（规则没有匹配）", "http://h/l取到 2 条纪录"},
                   "共2条数据"},
        DetailCase{"OneFetchPerAddress",
                   {"d/1", "/d/1#top", "d/2", "./d/1"},
                   {{"http://h/d/1", Answer(200, Detail("a1", "t1"))}, {"http://h/d/2", Answer(200, Detail("a2", "t2"))}},
                   {"http://h/d/1", "http://h/d/2"},
                   {"a1", "a1", "a2", "a1"},
                   {"http://h/l取到 4 条纪录"},
                   "共4条数据"},
        DetailCase{"RecordWithoutALink",
                   {"d/1", " "},
                   {{"http://h/d/1", Answer(200, Detail("a1", "t1"))}},
                   {"http://h/d/1"},
                   {"a1", ""},
                   {"http://h/l第 2 条纪录没有详细页链接", "http://h/l取到 2 条纪录"},
                   "共2条数据"}),
    [](const ::testing::TestParamInfo<DetailCase>& info) { return std::string(info.param.name); });

TEST(DetailPages, OneFetchPerAddressAcrossPagesAndTheNaturalOrderOneAtATime) {
  const Answers answers = {{"http://h/1", Answer(200, List({"d/1", "d/2"}, "2"))},
                           {"http://h/2", Answer(200, List({"d/2", "d/3"}))},
                           {"http://h/d/1", Answer(200, Detail("a1", "t1"))},
                           {"http://h/d/2", Answer(200, Detail("a2", "t2"))},
                           {"http://h/d/3", Answer(200, Detail("a3", "t3"))}};
  CollectionSettings settings = LinkSettings({"http://h/1"});
  WithDetails(settings, "链接");
  Recorded run = RunBothWays(settings, answers);
  EXPECT_THAT(run.requests, ElementsAre("http://h/1", "http://h/d/1", "http://h/d/2", "http://h/2", "http://h/d/3"));
  EXPECT_THAT(Column(run, 4), ElementsAre("a1", "a2", "a2", "a3"));
}

// Answers after a delay that varies from page to page, counting the requests in flight: list
// pages of five records, each with its own detail page.
class ShuffledFetcher final : public Fetcher {
public:
  web::FetchResponse Fetch(const web::FetchRequest& request) override {
    const std::string& address = request.address;
    const int number = std::stoi(address.substr(address.rfind('/') + 1));
    {
      std::lock_guard lock(mutex_);
      peak_ = std::max(peak_, ++inFlight_);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(number * 7 % 5));
    {
      std::lock_guard lock(mutex_);
      --inFlight_;
    }
    if (address.find("/d/") != std::string::npos) return Answer(200, Detail("a" + std::to_string(number), "t"));
    std::vector<std::string> links;
    for (int i = 0; i < 5; ++i) links.push_back("../d/" + std::to_string(number * 10 + i));
    return Answer(200, List(links, number < 6 ? std::to_string(number + 1) : ""));
  }
  int peak_ = 0;

private:
  std::mutex mutex_;
  int inFlight_ = 0;
};

TEST(DetailPages, RowsInListOrderUnderParallelDownloads) {
  CollectionSettings settings = LinkSettings({"http://h/l/1"});
  WithDetails(settings, "链接");
  RecordingObserver oneByOne;
  ShuffledFetcher sequential;
  settings.fetching = {1, 1, {}};
  RunCollection(settings, sequential, oneByOne);
  RecordingObserver ahead;
  ShuffledFetcher parallel;
  settings.fetching = {8, 8, {}};
  RunCollection(settings, parallel, ahead);
  EXPECT_EQ(ahead.events, oneByOne.events);
  ASSERT_EQ(ahead.records.size(), 30u);
  EXPECT_EQ(ahead.records[29].cells[4], "a64");
  EXPECT_GT(parallel.peak_, 2);
  EXPECT_EQ(sequential.peak_, 1);
}

TEST(LinkSettingsProblem, EachFaultIsSaidBeforeAnythingIsDownloaded) {
  const std::vector<std::pair<std::function<void(CollectionSettings&)>, std::string>> cases = {
      {[](CollectionSettings&) {}, ""},
      {[](CollectionSettings& s) { s.next.rule = "<a href=([var]>"; }, "翻页规则有误: "},
      {[](CollectionSettings& s) { s.next.rule = "<a class=next>"; }, "翻页规则中没有 [var] 或 [int]"},
      {[](CollectionSettings& s) { s.next = {"<a class=next>", 0, {}}; }, ""},
      {[](CollectionSettings& s) { WithDetails(s, "标题"); }, ""},
      {[](CollectionSettings& s) { WithDetails(s, "4"); }, ""},
      {[](CollectionSettings& s) { WithDetails(s, "5"); }, "找不到详细页链接所在的列“5”"},
      {[](CollectionSettings& s) { WithDetails(s, "作者"); }, "找不到详细页链接所在的列“作者”"},
      {[](CollectionSettings& s) { WithDetails(s, ""); }, "请指定详细页链接所在的列"},
      {[](CollectionSettings& s) { s.detail.column = "2"; }, "详细页匹配规则不能为空!"},
      {[](CollectionSettings& s) { WithDetails(s, "2");
         s.detail.rule = "<p>"; }, "详细页匹配规则中没有 [var] 或 [int]"},
      {[](CollectionSettings& s) { WithDetails(s, "2");
         s.detail.rule = "(<p>"; }, "详细页匹配规则有误: "},
  };
  for (const auto& [change, problem] : cases) {
    CollectionSettings settings = LinkSettings({});
    change(settings);
    const std::string said = runtime::TextToUtf8(LinkSettingsProblem(settings));
    EXPECT_EQ(said.substr(0, problem.size()), problem) << said;
    EXPECT_EQ(said.empty(), problem.empty()) << said;
  }
}

TEST(ProgressText, ListPagesAloneKeepTheirWordsAndLinksAreCounted) {
  struct Case {
    ProgressFigures figures;
    const char* text;
  };
  const Case cases[] = {
      {{.pagesDone = 3, .pageCount = 10, .pagesFailed = 0, .rowsFound = 9, .timeLeft = {}}, "3 / 10 页，取到 9 条"},
      {{.pagesDone = 3, .pageCount = 10, .pagesFailed = 0, .rowsFound = 0, .timeLeft = {}, .followsNextPages = true},
       "列表 3 / 10 页，取到 0 条"},
      {{.pagesDone = 3,
        .pageCount = 10,
        .pagesFailed = 1,
        .rowsFound = 57,
        .timeLeft = std::chrono::seconds(65),
        .followsNextPages = false,
        .fetchesDetailPages = true,
        .detailPagesDone = 57,
        .detailPageCount = 200},
       "列表 3 / 10 页，详细页 57 / 200，失败 1，取到 57 条，剩余约 1 分钟"},
      {{.pagesDone = 0,
        .pageCount = 1,
        .pagesFailed = 0,
        .rowsFound = 0,
        .timeLeft = {},
        .followsNextPages = false,
        .fetchesDetailPages = true,
        .detailPagesDone = 0,
        .detailPageCount = 0,
        .detailPagesFailed = 2},
       "列表 0 / 1 页，详细页 0 / 0，失败 2"},
  };
  for (const Case& c : cases) EXPECT_EQ(runtime::TextToUtf8(ProgressText(c.figures)), c.text);
}

TEST(LinkTest, TheTestedPagesNextLinkAndFirstDetailPageOrWhyNot) {
  const TestedPageTexts page{"http://h/l/1", List({"../d/1", "../d/2"}), List({"../d/1"}, "2"), ""};
  CannedFetcher fetcher;
  fetcher.Answer("http://h/d/1", Answer(200, Detail(T("甲"), "t1")));
  RunObserver observer;
  CollectionSettings settings = LinkSettings({});
  EXPECT_EQ(runtime::TextToUtf8(TestNextPage(page, settings).problem), "测试页上没有找到下一页的链接");
  settings.next.scope = NextPageScope::WholePage;
  EXPECT_EQ(TestNextPage(page, settings).address, "http://h/l/2");
  settings.next.rule.clear();
  EXPECT_EQ(runtime::TextToUtf8(TestNextPage(page, settings).problem), "未设置翻页规则（或最多翻页数为 0）");

  EXPECT_EQ(runtime::TextToUtf8(TestDetailPage(page, settings, fetcher, observer).problem), "未设置详细页");
  WithDetails(settings, "链接");
  const DetailPageTest found = TestDetailPage(page, settings, fetcher, observer);
  EXPECT_EQ(found.address, "http://h/d/1");
  EXPECT_THAT(found.captions, ElementsAre(T("作者"), T("文本 6")));
  EXPECT_THAT(found.cells, ElementsAre(T("甲"), "t1"));
  EXPECT_EQ(found.problem, "");
  fetcher.Answer("http://h/d/1", Answer(404, "<body></body>"));
  EXPECT_EQ(runtime::TextToUtf8(TestDetailPage(page, settings, fetcher, observer).problem), "详细页下载失败（HTTP 404）");
  EXPECT_EQ(runtime::TextToUtf8(TestDetailPage({"http://h/l/1", "", "", ""}, settings, fetcher, observer).problem),
            "测试页上没有纪录");
}

}  // namespace
}  // namespace collect
