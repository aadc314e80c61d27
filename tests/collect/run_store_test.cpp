// The run store on a real SQLite file with the canned fetcher: a run cut short and resumed tells
// exactly what an uninterrupted run tells, records of earlier runs are left out when asked, a run
// of other settings is never resumed, and files that are no store are refused with their reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "collect/collection_engine.h"
#include "collect/packed_cells.h"
#include "collect/result_export.h"
#include "collect/run_store.h"
#include "collect/status_texts.h"
#include "collect/stored_records.h"
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
using ::testing::HasSubstr;

// A folder of the test's own, removed with it.
class StoreTest : public ::testing::Test {
protected:
  StoreTest()
      : folder_(std::filesystem::temp_directory_path() /
                ("pelmo-store-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  ~StoreTest() override { std::filesystem::remove_all(folder_); }

  std::string File(const std::string& name) const { return (folder_ / name).string(); }

  std::unique_ptr<RunStore> Open(const std::string& name, StoreUse use = StoreUse::Run) {
    StoreOpening opening = OpenRunStore(File(name), use);
    EXPECT_EQ(runtime::TextToUtf8(opening.fault), "");
    return std::move(opening.store);
  }

  std::filesystem::path folder_;
};

// Pages of every kind: many records, none (asked twice), an error status with records, a refused
// connection (asked twice), one record (a second set of columns follows), an empty line.
void MixedPages(CannedFetcher& fetcher, std::vector<Text>& addresses) {
  fetcher.Answer("http://h/20", Answer(200, collect_test::ListPageGbk(20)));
  fetcher.Answer("http://h/none", Answer(200, "<html>list-item nothing</html>"));
  fetcher.Answer("http://h/404", Answer(404, collect_test::ListPageGbk(2, 30)));
  fetcher.Answer("http://h/1", Answer(200, collect_test::ListPageGbk(1, 40)));
  fetcher.Answer("http://h/3", Answer(200, collect_test::ListPageGbk(3, 50)));
  addresses = {"http://h/20", "http://h/none", "http://h/404", "http://h/refused", "http://h/1", "", "http://h/3"};
}

// List pages that follow next pages and take detail pages: a chain of two pages, a detail page
// met twice, one that fails, and a start address whose next link leads back into the run.
CollectionSettings LinkPages(CannedFetcher& fetcher) {
  const auto list = [](const std::string& links, const std::string& next) {
    return Answer(200, "<ul>" + links + "</ul>" + (next.empty() ? "" : "<a class=next href=\"" + next + "\">"));
  };
  const auto item = [](const std::string& link) { return "<li><a href=\"" + link + "\">" + link + "</a></li>"; };
  fetcher.Answer("http://h/a1", list(item("d1") + item("d2"), "a2"));
  fetcher.Answer("http://h/a2", list(item("d2") + item("d3"), ""));
  fetcher.Answer("http://h/b1", list(item("d4"), "a1"));
  for (const char* detail : {"d1", "d2", "d4"}) {
    fetcher.Answer(std::string("http://h/") + detail, Answer(200, std::string("<p>") + detail + "</p>"));
  }
  fetcher.Answer("http://h/d3", Answer(404, "<p>gone</p>"));
  CollectionSettings settings = Settings({"http://h/a1", "http://h/b1"});
  settings.before = settings.after = "";
  settings.rule = T("<li><a href=\"[var:链接]\">[var:标题]</a></li>");
  settings.next.rule = "<a class=next href=\"[var]\">";
  settings.detail.column = T("链接");
  settings.detail.rule = T("<p>[var:作者]</p>");
  return settings;
}

struct Cut {
  const char* name;
  bool links;  // the pages of LinkPages instead of MixedPages
  int jobs;
  int stopAtPage;  // the observer asks to stop when this page's turn comes
  int failAtPage;  // or the run dies telling this page's records
};

class ResumeAfterCut : public StoreTest, public ::testing::WithParamInterface<Cut> {};

TEST_P(ResumeAfterCut, ResumedRunTellsWhatAnUninterruptedRunTells) {
  const Cut& cut = GetParam();
  std::vector<Text> addresses;
  const auto pages = [&](CannedFetcher& fetcher) {
    if (cut.links) return LinkPages(fetcher);
    MixedPages(fetcher, addresses);
    return Settings(addresses);
  };
  CannedFetcher reference;
  CollectionSettings settings = pages(reference);
  settings.fetching.jobs = cut.jobs;
  RecordingObserver uninterrupted;
  RunCollection(settings, reference, uninterrupted);
  ASSERT_EQ(uninterrupted.records.size(), cut.links ? 5u : 26u);

  const StoreChoice choice;
  {
    std::unique_ptr<RunStore> store = Open("s.sqlite");
    std::unique_ptr<StoreJournal> journal = store->BeginRun({.settings = settings, .choice = choice, .separator = {}, .resumedRun = 0});
    ASSERT_TRUE(journal);
    CannedFetcher fetcher;
    pages(fetcher);
    RecordingObserver cutShort;
    cutShort.stopAtPage = cut.stopAtPage;
    cutShort.failAtPage = cut.failAtPage;
    try {
      const RunSummary summary = RunCollection(settings, fetcher, cutShort, ResultTable(), journal.get());
      journal->Finish(summary);
    } catch (const std::runtime_error&) {
    }
  }
  std::unique_ptr<RunStore> store = Open("s.sqlite");
  const std::optional<StoredRun> unfinished = store->UnfinishedRun();
  ASSERT_TRUE(unfinished);
  EXPECT_EQ(unfinished->outcome, cut.stopAtPage ? RunOutcome::Stopped : RunOutcome::Running);
  const int cutPage = cut.stopAtPage + cut.failAtPage;
  // An address counts as done with the next pages followed from it.
  EXPECT_EQ(unfinished->pagesDone, cut.links ? 1 : cutPage - 1);
  EXPECT_EQ(unfinished->settingsDigest, DigestsOf(settings, choice).settings);

  std::unique_ptr<StoreJournal> journal =
      store->BeginRun({.settings = settings, .choice = choice, .separator = {}, .resumedRun = unfinished->id});
  ASSERT_TRUE(journal);
  CannedFetcher fetcher;
  pages(fetcher);
  RecordingObserver resumed;
  const RunSummary summary = RunCollection(settings, fetcher, resumed, ResultTable(), journal.get());
  ASSERT_TRUE(journal->Finish(summary));
  EXPECT_EQ(resumed.events, uninterrupted.events);
  ResultTable told;
  told.AddRows(resumed.records);
  ResultTable expected;
  expected.AddRows(uninterrupted.records);
  EXPECT_EQ(told, expected);
  for (const std::string& address : fetcher.Addresses()) {
    if (cut.links) break;
    const auto page = std::find(addresses.begin(), addresses.end(), address) - addresses.begin() + 1;
    EXPECT_GE(page, cutPage) << address << " was processed before the cut";
  }
  if (cut.links) {
    // a1 and the detail pages its records took are not fetched again.
    EXPECT_THAT(fetcher.Addresses(), ::testing::Not(::testing::Contains("http://h/d1")));
  }
  // The store holds the run's table as the list holds it, and the run is over.
  const std::optional<StoredRun> latest = store->LatestRun();
  ASSERT_TRUE(latest);
  EXPECT_EQ(latest->outcome, RunOutcome::Finished);
  EXPECT_FALSE(store->UnfinishedRun());
  ResultTable list;
  if (cut.links) {
    const RunCaptions captions = CaptionsOfRun(settings, 2);
    list.AddColumns(captions.list);
    list.AddDetailColumns(captions.detail);
  } else {
    list.AddColumns(ColumnCaptions(1, 5));
  }
  list.AddRows(uninterrupted.records);
  EXPECT_EQ(store->ReadTable(*latest), list);
}

INSTANTIATE_TEST_SUITE_P(Cuts, ResumeAfterCut,
                         ::testing::Values(Cut{"StopBeforeThirdPage", false, 1, 3, 0}, Cut{"StopBeforeSixthPage", false, 4, 6, 0},
                                           Cut{"DiesOnFirstPage", false, 4, 0, 1}, Cut{"DiesOnFifthPage", false, 1, 0, 5},
                                           Cut{"LinksStopBeforeNextPage", true, 1, 2, 0},
                                           Cut{"LinksDieOnSecondStart", true, 4, 0, 3}),
                         [](const ::testing::TestParamInfo<Cut>& info) { return std::string(info.param.name); });

// A page whose matching was given up is kept with the rows found before and its note, and a
// resumed run tells it as it was told.
TEST_F(StoreTest, MatchingGivenUpIsKeptWithItsRowsAndNote) {
  CannedFetcher fetcher;
  fetcher.Answer("http://h/hard", Answer(200, "list-item xxy,xxy," + std::string(40, 'x') + "</html>"));
  CollectionSettings settings = Settings({"http://h/hard", "http://h/2"});
  settings.rule = "(x+x+)+y";
  RecordingObserver uninterrupted;
  RunCollection(settings, fetcher, uninterrupted);
  ASSERT_THAT(uninterrupted.Lines("line"),
              testing::Contains("http://h/hard取到 2 条纪录（匹配规则过于复杂，已停止在第 3 条）"));

  std::unique_ptr<RunStore> store = Open("s.sqlite");
  std::unique_ptr<StoreJournal> journal = store->BeginRun({.settings = settings, .choice = {}, .separator = {}, .resumedRun = 0});
  RecordingObserver cutShort;
  cutShort.stopAtPage = 2;
  journal->Finish(RunCollection(settings, fetcher, cutShort, ResultTable(), journal.get()));
  journal = store->BeginRun({.settings = settings, .choice = {}, .separator = {}, .resumedRun = store->UnfinishedRun()->id});
  RecordingObserver resumed;
  ASSERT_TRUE(journal->Finish(RunCollection(settings, fetcher, resumed, ResultTable(), journal.get())));
  EXPECT_EQ(resumed.events, uninterrupted.events);
  EXPECT_EQ(store->ReadTable(*store->LatestRun()).RowCount(), 2);
  // Asked once by each of the first two runs, never by the resumed one.
  const std::vector<std::string> asked = fetcher.Addresses();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "http://h/hard"), 2);
}

TEST_F(StoreTest, OnlyNewLeavesOutTheRecordsOfEarlierRunsOfTheProject) {
  CannedFetcher fetcher;
  fetcher.Answer("http://h/monday", Answer(200, collect_test::ListPageGbk(40, 1)));
  fetcher.Answer("http://h/tuesday", Answer(200, collect_test::ListPageGbk(40, 21)));
  std::unique_ptr<RunStore> store = Open("s.sqlite");
  struct Day {
    const char* address;
    bool onlyNew;
    std::vector<int> recordColumns;
    bool dies;
    const char* finalMessage;
  };
  // Tuesday's list shares twenty records with Monday's, under another address. Records told apart
  // by other columns belong to another project. A run that died is no earlier run: its output may
  // never have reached the user.
  for (const Day& day : {Day{"http://h/monday", false, {}, false, "共40条数据"},
                         Day{"http://h/tuesday", true, {}, false, "共20条数据（另有 20 条已在以前采集过）"},
                         Day{"http://h/tuesday", false, {}, false, "共40条数据"},
                         Day{"http://h/tuesday", true, {4}, true, "共40条数据"},
                         Day{"http://h/tuesday", true, {4}, false, "共40条数据"},
                         Day{"http://h/monday", true, {4}, false, "共20条数据（另有 20 条已在以前采集过）"}}) {
    SCOPED_TRACE(day.finalMessage);
    const StoreChoice choice{.file = File("s.sqlite"), .onlyNew = day.onlyNew, .recordColumns = day.recordColumns};
    const CollectionSettings settings = Settings({day.address});
    std::unique_ptr<StoreJournal> journal = store->BeginRun({.settings = settings, .choice = choice, .separator = {}, .resumedRun = 0});
    RecordingObserver observer;
    const RunSummary summary = RunCollection(settings, fetcher, observer, ResultTable(), journal.get());
    EXPECT_EQ(runtime::TextToUtf8(FinalMessage(summary)), day.finalMessage);
    EXPECT_EQ(static_cast<int>(observer.records.size()), summary.rowCount);
    if (!day.dies) {
      EXPECT_TRUE(journal->Finish(summary));
    }
    const int run = journal->RunId();
    journal.reset();  // what is queued is written
    EXPECT_EQ(store->ReadTable(*store->FindRun(run)).RowCount(), summary.rowCount);
  }
  EXPECT_EQ(store->FindRun(4)->outcome, RunOutcome::Running);
}

TEST_F(StoreTest, RunOfOtherSettingsIsNeverResumed) {
  const CollectionSettings settings = Settings({"http://h/1", "http://h/2"});
  std::unique_ptr<RunStore> store = Open("s.sqlite");
  std::unique_ptr<StoreJournal> journal = store->BeginRun({.settings = settings, .choice = {}, .separator = {}, .resumedRun = 0});
  CannedFetcher fetcher;
  RecordingObserver observer;
  observer.stopAtPage = 2;
  journal->Finish(RunCollection(settings, fetcher, observer, ResultTable(), journal.get()));
  const int unfinished = store->UnfinishedRun()->id;

  CollectionSettings other = settings;
  other.cookie = "k=v";
  EXPECT_NE(DigestsOf(other, {}).settings, store->UnfinishedRun()->settingsDigest);
  EXPECT_FALSE(store->BeginRun({.settings = other, .choice = {}, .separator = {}, .resumedRun = unfinished}));
  EXPECT_THAT(runtime::TextToUtf8(store->Fault()), HasSubstr("中没有可以继续的采集"));
  EXPECT_EQ(store->UnfinishedRun()->outcome, RunOutcome::Stopped);
}

// What changes a run's digests: the settings digest follows everything that decides the output,
// the project digest only what decides the cells of a record.
TEST(RunDigests, FollowWhatDecidesTheOutput) {
  struct Change {
    const char* name;
    std::function<void(CollectionSettings&, StoreChoice&)> change;
    bool project;
    bool settings;
  };
  const CollectionSettings base = Settings({"http://h/1", "http://h/2"});
  for (const Change& c : std::vector<Change>{
           {"address", [](CollectionSettings& s, StoreChoice&) { s.addresses.back() = "http://h/3"; }, false, true},
           {"addresses split otherwise", [](CollectionSettings& s, StoreChoice&) { s.addresses = {"http://h/1http://h/2"}; }, false, true},
           {"cookie", [](CollectionSettings& s, StoreChoice&) { s.cookie = "a=b"; }, false, true},
           {"page limit", [](CollectionSettings& s, StoreChoice&) { s.maxPageBytes = 1; }, false, true},
           {"only new", [](CollectionSettings&, StoreChoice& c) { c.onlyNew = true; }, false, true},
           {"rule", [](CollectionSettings& s, StoreChoice&) { s.rule = "<b>[var]</b>"; }, true, true},
           {"marker", [](CollectionSettings& s, StoreChoice&) { s.after = "</body>"; }, true, true},
           {"encoding", [](CollectionSettings& s, StoreChoice&) { s.encoding = PageEncoding::Utf8; }, true, true},
           {"rule read as written", [](CollectionSettings& s, StoreChoice&) { s.ruleSyntax = RuleSyntax::Literal; }, true, true},
           {"record columns", [](CollectionSettings&, StoreChoice& c) { c.recordColumns = {2}; }, true, true},
           {"fetching", [](CollectionSettings& s, StoreChoice&) { s.fetching = {1, 1, std::chrono::milliseconds(5)}; }, false, false},
           {"store file", [](CollectionSettings&, StoreChoice& c) { c.file = "elsewhere"; }, false, false},
           {"next rule", [](CollectionSettings& s, StoreChoice&) { s.next.rule = "<a href=[var]>"; }, false, true},
           {"next limit, no rule", [](CollectionSettings& s, StoreChoice&) { s.next.maxNext = 3; }, false, false},
           {"detail stage", [](CollectionSettings& s, StoreChoice&) { s.detail = {"文本 2", "", "", "<p>[var]</p>"}; }, true, true}}) {
    CollectionSettings settings = base;
    StoreChoice choice;
    c.change(settings, choice);
    EXPECT_EQ(DigestsOf(settings, choice).project != DigestsOf(base, {}).project, c.project) << c.name;
    EXPECT_EQ(DigestsOf(settings, choice).settings != DigestsOf(base, {}).settings, c.settings) << c.name;
  }
  const auto digestOf = [](const std::vector<Text>& cells, const RecordKey& key) {
    RecordList list;
    list.AddRecord(cells);
    return RecordDigest(list, 0, key);
  };
  const std::vector<Text> record{"whole", "a", "b", "http://h/1"};
  const RecordKey byCells{{}, 3};
  EXPECT_EQ(digestOf(record, byCells), digestOf({"other whole", "a", "b", "http://h/2"}, byCells));
  EXPECT_NE(digestOf(record, byCells), digestOf({"whole", "ab", "", "http://h/1"}, byCells));
  EXPECT_EQ(digestOf(record, {{3}, 3}), digestOf({"x", "y", "b"}, {{3}, 3}));
  EXPECT_EQ(digestOf({"a"}, {{3}, 3}), digestOf({"b"}, {{3}, 3}));  // a column it lacks is empty
  EXPECT_NE(digestOf({"one", "http://h/1"}, {{}, 1}), digestOf({"two", "http://h/1"}, {{}, 1}));
  // Detail cells follow the page address: they count, the address does not.
  const RecordKey withDetail{{}, 2};
  EXPECT_EQ(digestOf({"w", "a", "http://h/1", "d"}, withDetail), digestOf({"v", "a", "http://h/2", "d"}, withDetail));
  EXPECT_NE(digestOf({"w", "a", "http://h/1", "d"}, withDetail), digestOf({"w", "a", "http://h/1", "e"}, withDetail));
  // The bytes stay those earlier runs stored: SHA-256 of the packed cells, cut to 16 bytes.
  const auto hex = [](const std::string& digest) {
    std::string text;
    for (unsigned char byte : digest) {
      text.push_back("0123456789abcdef"[byte >> 4]);
      text.push_back("0123456789abcdef"[byte & 15]);
    }
    return text;
  };
  EXPECT_EQ(hex(digestOf(record, byCells)), "fa4a350f5906021e27b2caf19409319e");
  EXPECT_EQ(hex(digestOf({"w", std::string(200, 'x'), "http://h/1", "d"}, withDetail)),
            "23556b631a6d732023364a157025993d");
}

TEST(PackedCells, CellsComeBackWholeAndCutInputStaysInside) {
  const std::vector<Text> cells = {"", "a", std::string(300, 'x'), std::string("\0\x80", 2)};
  EXPECT_EQ(UnpackCells(PackCells(cells)), cells);
  const std::string packed = PackCells(cells);
  EXPECT_EQ(UnpackCells(std::string_view(packed).substr(0, 7)), (std::vector<Text>{"", "a", "xx"}));
  EXPECT_EQ(UnpackCells("\xff\xff"), (std::vector<Text>{""}));
}

// A cell as the engine makes one: a slice of the page's text, or a copy (the address, detail cells).
struct MadeCell {
  std::size_t start = 0;
  std::size_t length = 0;
  std::optional<Text> copy;
};
MadeCell Slice(std::size_t start, std::size_t length) { return {start, length, std::nullopt}; }
MadeCell Copy(const Text& text) { return {0, 0, text}; }

// A page's records coded by reference give back the same cells.
TEST(StoredCells, ReferencedCodingGivesBackEveryCell) {
  const Text page = T("<li><a href=\"/n/1\">标题一</a></li><li><a href=\"/n/2\">标题二</a></li>");
  const Text address = "http://h/list_1.html";
  struct Coding {
    const char* name;
    std::vector<std::vector<MadeCell>> records;
  };
  for (const Coding& c : std::vector<Coding>{
           {"groups in the match, the address repeated",
            {{Slice(0, 34), Slice(13, 4), Slice(19, 6), Copy(address)},
             {Slice(34, 34), Slice(47, 4), Slice(53, 6), Copy(address)}}},
           {"overlapping and equal groups", {{Slice(4, 20), Slice(4, 20), Slice(6, 9), Slice(13, 11), Copy(address)}}},
           {"empty cells",
            {{Slice(0, 34), Slice(5, 0), Copy(""), Copy(address)}, {Slice(34, 34), Copy(""), Copy(""), Copy("")}}},
           {"first cell empty", {{Slice(9, 0), Slice(13, 4), Copy(address)}, {Copy(""), Slice(9, 0), Copy(address)}}},
           {"detail cells after the address",
            {{Slice(0, 34), Slice(13, 4), Copy(address), Copy(T("作者甲")), Copy(T("正文"))},
             {Slice(34, 34), Slice(47, 4), Copy(address), Copy(T("作者甲")), Copy(T("另一篇"))},
             {Slice(34, 34), Slice(47, 4), Copy(address), Copy(""), Copy(T("另一篇"))}}},
           {"rule without groups", {{Slice(0, 34), Copy(address)}, {Slice(34, 34), Copy(address)}}},
           {"cells that share their ends with the one before",
            {{Copy("abcdefghij-1-klmnopqrst"), Copy("aaaa"), Copy(Text(1000, 'x') + "1")},
             {Copy("abcdefghij-22-klmnopqrst"), Copy("aaaaa"), Copy(Text(1000, 'x') + "2")},
             {Copy("abcdefghij"), Copy("aa"), Copy("1" + Text(1000, 'x'))}}},
           {"lone lead bytes at slice edges", {{Slice(0, 20), Slice(19, 1), Slice(20, 3), Copy(address)}}},
           {"a group outside the match", {{Slice(0, 10), Slice(47, 4), Copy(address)}, {Slice(34, 10), Slice(47, 4)}}},
           {"records of other cell counts",
            {{Copy("a"), Copy("a")}, {Copy("b")}, {}, {Slice(2, 2), Slice(2, 1), Copy("")}}},
           {"no records", {}}}) {
    SCOPED_TRACE(c.name);
    RecordList made(std::make_shared<const Text>(page));
    std::vector<std::vector<Text>> expected;
    for (const std::vector<MadeCell>& cells : c.records) {
      const std::size_t record = made.Size();
      made.AddEmptyRecord(static_cast<int>(cells.size()));
      std::vector<Text>& texts = expected.emplace_back();
      for (std::size_t column = 0; column < cells.size(); ++column) {
        const MadeCell& cell = cells[column];
        if (cell.copy) {
          made.SetCell(record, static_cast<int>(column), *cell.copy);
        } else {
          made.SetSlice(record, static_cast<int>(column), cell.start, cell.length);
        }
        texts.push_back(cell.copy ? *cell.copy : page.substr(cell.start, cell.length));
      }
    }
    std::string coded;
    StoreCellsOf(made, coded);
    const RecordList read = RecordsOfStoredCells(coded, CellsCoding::Referenced);
    ASSERT_EQ(read.Size(), expected.size());
    for (std::size_t record = 0; record < expected.size(); ++record) EXPECT_EQ(read.Cells(record), expected[record]);
  }
  // The bytes: the coding, then each record's cell count and cells: its own bytes, bytes 3 to 6 of
  // its first cell, the address; in the next record the first cell as the one before with "two"
  // between its first 3 and last 4 bytes, and the address as in the record before.
  RecordList records(std::make_shared<const Text>("<a>one</a><a>two</a>"));
  for (std::size_t start : {0, 10}) {
    records.AddEmptyRecord(3);
    records.SetSlice(records.Size() - 1, 0, start, 10);
    records.SetSlice(records.Size() - 1, 1, start + 3, 3);
    records.SetCell(records.Size() - 1, 2, "http://h/1");
  }
  std::string coded;
  StoreCellsOf(records, coded);
  EXPECT_EQ(coded, std::string("\1\3(<a>one</a>\r\3(http://h/1\3\x0f\3\4two\r\3\2"));
  const std::string grown = std::string("\1\1\xa0\6") + std::string(200, 'x') + std::string("\1\3\xc8\1\0", 5);
  EXPECT_THAT(RecordsOfStoredCells(grown, CellsCoding::Referenced).Cells(1), testing::ElementsAre(""))
      << "a cell of 200 bytes from 4 is damage";
  EXPECT_EQ(RecordsOfStoredCells("\2\1\0", CellsCoding::Referenced).Size(), 0u) << "a coding of later versions";
  EXPECT_EQ(RecordsOfStoredCells(PackCells({PackCells({"a", "b"})}), CellsCoding::Packed).Cells(0),
            (std::vector<Text>{"a", "b"}));
}

void Sql(const std::string& file, const std::string& sql) {
  sqlite3* database = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(database, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(database);
}

// The first column of the first row the statement gives, as a number.
long long Number(const std::string& file, const std::string& sql) {
  sqlite3* database = nullptr;
  sqlite3_stmt* statement = nullptr;
  EXPECT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
  EXPECT_EQ(sqlite3_prepare_v2(database, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
  EXPECT_EQ(sqlite3_step(statement), SQLITE_ROW) << sql;
  const long long number = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  sqlite3_close(database);
  return number;
}

// Each page keeps the time it was written, as SQLite's strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
// writes it.
TEST_F(StoreTest, PagesKeepTheTimeTheyWereWritten) {
  CannedFetcher fetcher;
  const CollectionSettings settings = Settings({"http://h/1", "http://h/2"});
  std::unique_ptr<RunStore> store = Open("s.sqlite");
  std::unique_ptr<StoreJournal> journal = store->BeginRun({.settings = settings, .choice = {}, .separator = {}, .resumedRun = 0});
  RecordingObserver observer;
  ASSERT_TRUE(journal->Finish(RunCollection(settings, fetcher, observer, ResultTable(), journal.get())));
  journal.reset();
  EXPECT_EQ(Number(File("s.sqlite"), "SELECT count(*) FROM pages WHERE time = strftime('%Y-%m-%dT%H:%M:%fZ', time) "
                                     "AND abs(julianday('now') - julianday(time)) * 86400 < 60"),
            2);
}

TEST_F(StoreTest, FilesThatCannotServeAreRefusedWithTheirReason) {
  std::ofstream(File("text.sqlite")) << "name,value\r\nx,1\r\n";
  Sql(File("other.sqlite"), "CREATE TABLE t (x)");
  Open("newer.sqlite").reset();
  Sql(File("newer.sqlite"), "PRAGMA user_version = 6");
  std::unique_ptr<RunStore> held = Open("held.sqlite");
  struct Refusal {
    const char* file;
    StoreUse use;
    const char* reason;
  };
  for (const Refusal& refusal : {Refusal{"text.sqlite", StoreUse::Run, " 不是 Pelmo 采集库"},
                                 Refusal{"text.sqlite", StoreUse::Read, " 不是 Pelmo 采集库"},
                                 Refusal{"other.sqlite", StoreUse::Run, " 不是 Pelmo 采集库"},
                                 Refusal{"newer.sqlite", StoreUse::Run, " 的版本（6）不受支持，本程序读取版本 1 到 5"},
                                 Refusal{"held.sqlite", StoreUse::Run, " 正由另一个采集使用"},
                                 Refusal{"missing.sqlite", StoreUse::Read, " 无法打开：No such file or directory"},
                                 Refusal{"folder/s.sqlite", StoreUse::Run, " 无法打开：No such file or directory"}}) {
    const StoreOpening opening = OpenRunStore(File(refusal.file), refusal.use);
    EXPECT_FALSE(opening.store) << refusal.file;
    EXPECT_EQ(runtime::TextToUtf8(opening.fault), "采集库 “" + File(refusal.file) + "”" + refusal.reason);
  }
  EXPECT_TRUE(OpenRunStore(File("held.sqlite"), StoreUse::Read).store) << "a run's store can still be read";
  EXPECT_EQ(std::filesystem::file_size(File("text.sqlite")), 17u);
  EXPECT_FALSE(std::filesystem::exists(File("missing.sqlite")));
}

}  // namespace
// Makes a store of version 5 one of version 3: its records' cells packed whole, in a table without
// row ids.
void StoreOfPackedCells(const std::string& file) {
  sqlite3* database = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
  const auto packed = [](sqlite3_context* context, int, sqlite3_value** values) {
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(values[0]));
    const RecordList records = RecordsOfStoredCells(
        Text(bytes, static_cast<std::size_t>(sqlite3_value_bytes(values[0]))), CellsCoding::Referenced);
    std::vector<Text> cells;
    for (std::size_t record = 0; record < records.Size(); ++record) cells.push_back(PackCells(records.Cells(record)));
    const std::string packedCells = PackCells(cells);
    sqlite3_result_blob64(context, packedCells.data(), packedCells.size(), SQLITE_TRANSIENT);
  };
  sqlite3_create_function(database, "packed", 1, SQLITE_UTF8, nullptr, packed, nullptr, nullptr);
  const char* sql = "ALTER TABLE records RENAME TO coded; CREATE TABLE records (run INTEGER NOT NULL, page INTEGER "
                    "NOT NULL, cells BLOB NOT NULL, digests BLOB NOT NULL, left_out BLOB NOT NULL, PRIMARY KEY (run, "
                    "page)) WITHOUT ROWID; INSERT INTO records SELECT run, page, packed(cells), digests, left_out "
                    "FROM coded; DROP TABLE coded; PRAGMA user_version = 3";
  EXPECT_EQ(sqlite3_exec(database, sql, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(database);
}

// Makes a store of version 3 one of version 2: a row a record, as its pages' rows hold them.
void StoreOfRowsPerRecord(const std::string& file) {
  sqlite3* database = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
  sqlite3_exec(database, "CREATE TABLE rows (run INTEGER NOT NULL, page INTEGER NOT NULL, position INTEGER NOT NULL, "
                         "cells BLOB NOT NULL, digest BLOB NOT NULL, left_out INTEGER NOT NULL, "
                         "PRIMARY KEY (run, page, position)) WITHOUT ROWID",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* pages = nullptr;
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(database, "SELECT run, page, cells, digests, left_out FROM records", -1, &pages, nullptr);
  sqlite3_prepare_v2(database, "INSERT INTO rows VALUES (?, ?, ?, ?, ?, ?)", -1, &insert, nullptr);
  const auto blob = [&](int column) {
    return std::string(static_cast<const char*>(sqlite3_column_blob(pages, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(pages, column)));
  };
  while (sqlite3_step(pages) == SQLITE_ROW) {
    const std::vector<Text> records = UnpackCells(blob(2));
    const std::string digests = blob(3);
    const std::string leftOut = blob(4);
    for (std::size_t i = 0; i < records.size(); ++i) {
      sqlite3_reset(insert);
      sqlite3_bind_int64(insert, 1, sqlite3_column_int64(pages, 0));
      sqlite3_bind_int64(insert, 2, sqlite3_column_int64(pages, 1));
      sqlite3_bind_int64(insert, 3, static_cast<sqlite3_int64>(i));
      sqlite3_bind_blob(insert, 4, records[i].data(), static_cast<int>(records[i].size()), SQLITE_TRANSIENT);
      sqlite3_bind_blob(insert, 5, digests.data() + 16 * i, 16, SQLITE_TRANSIENT);
      sqlite3_bind_int(insert, 6, leftOut[i]);
      EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
    }
  }
  sqlite3_finalize(pages);
  sqlite3_finalize(insert);
  EXPECT_EQ(sqlite3_exec(database, "DROP TABLE records; ALTER TABLE rows RENAME TO records; PRAGMA user_version = 2",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(database);
}

// Stores of older versions: read as they are, and brought up to date by the next run, the digests
// of their records still leaving them out of a run of only new records.
TEST_F(StoreTest, StoresOfOlderVersionsAreReadAndBroughtUpToDate) {
  std::vector<Text> addresses;
  CannedFetcher fetcher;
  MixedPages(fetcher, addresses);
  const CollectionSettings settings = Settings(addresses);
  // Version 1 had no next and detail pages; version 2 kept a row a record; version 3 its cells
  // packed whole; versions up to 4 the digest of every record, which a run that leaves out records
  // keeps still.
  for (const int version : {1, 2, 3, 4}) {
    SCOPED_TRACE(version);
    const std::string file = File("v" + std::to_string(version) + ".sqlite");
    const StoreChoice onlyNew{.file = file, .onlyNew = true, .recordColumns = {}};
    ResultTable written;
    {
      std::unique_ptr<RunStore> store = Open(file);
      std::unique_ptr<StoreJournal> journal = store->BeginRun({.settings = settings, .choice = onlyNew, .separator = {}, .resumedRun = 0});
      RecordingObserver observer;
      ASSERT_TRUE(journal->Finish(RunCollection(settings, fetcher, observer, ResultTable(), journal.get())));
      journal.reset();
      written = store->ReadTable(*store->LatestRun());
      ASSERT_EQ(written.RowCount(), 26);
    }
    if (version == 4) Sql(file, "PRAGMA user_version = 4");
    if (version <= 3) StoreOfPackedCells(file);
    if (version <= 2) StoreOfRowsPerRecord(file);
    if (version == 1) {
      Sql(file, "ALTER TABLE runs DROP COLUMN captions; ALTER TABLE runs DROP COLUMN detail_captions; "
                "ALTER TABLE pages DROP COLUMN depth; ALTER TABLE pages DROP COLUMN next_address; "
                "DROP TABLE details; PRAGMA user_version = 1");
    }
    for (const StoreUse use : {StoreUse::Read, StoreUse::Run}) {
      std::unique_ptr<RunStore> store = Open(file, use);
      ASSERT_TRUE(store);
      EXPECT_EQ(store->ReadTable(*store->LatestRun()), written);
    }
    std::unique_ptr<RunStore> store = Open(file);
    std::unique_ptr<StoreJournal> journal = store->BeginRun({.settings = settings, .choice = onlyNew, .separator = {}, .resumedRun = 0});
    RecordingObserver observer;
    EXPECT_EQ(RunCollection(settings, fetcher, observer, ResultTable(), journal.get()).rowsCollectedBefore, 26);
    journal.reset();
    store.reset();
    EXPECT_EQ(Number(file, "PRAGMA user_version"), 5);
  }
}

}  // namespace collect
