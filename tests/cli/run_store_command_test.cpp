// `pelmo collect --store` and `pelmo export` as a user runs them, against a loopback server: a run
// killed at any moment resumes to the whole output with an intact store, SIGINT and SIGTERM stop
// as "停止" does, stores that cannot serve are refused before any download, stored runs export.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "collect/run_store.h"
#include "tests/cli/child_process.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"

namespace {

using cli_test::Outcome;
using cli_test::ReadFile;
using test_support::HttpResponse;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::chrono_literals;

// The answer of one SQL query's first column, as text; the error when it fails.
std::string Query(const std::string& file, const std::string& sql) {
  sqlite3* database = nullptr;
  std::string answer;
  if (sqlite3_open_v2(file.c_str(), &database, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    } else {
      answer = sqlite3_errmsg(database);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(database);
  return answer;
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class StoreCommandTest : public ::testing::Test {
protected:
  Outcome Collect(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "collect");
    return cli_test::RunProgram(PELMO_BINARY, arguments, folder_);
  }
  Outcome Export(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "export");
    return cli_test::RunProgram(PELMO_BINARY, arguments, folder_);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  // An address file of pages /1 … /count of the server.
  std::string Urls(int count, const std::string& name = "urls.txt") {
    std::ofstream urls(folder_ / name);
    for (int page = 1; page <= count; ++page) urls << server_.Url("/" + std::to_string(page)) << "\n";
    return Path(name);
  }
  // Page n holds three records numbered from 10 n, answered after delay(n).
  void ServeListPages(std::function<std::chrono::milliseconds(int)> delay) {
    server_.SetHandler([delay](const test_support::ReceivedRequest& request) {
      const int page = std::atoi(request.Path().c_str() + 1);
      test_support::Reply reply = test_support::RawReply(HttpResponse(200, collect_test::ListPageGbk(3, 10 * page)));
      reply.delay = delay(page);
      return reply;
    });
  }

  cli_test::TestFolder testFolder_;
  const std::filesystem::path& folder_ = testFolder_.Path();
  test_support::LoopbackServer server_;
};

TEST_F(StoreCommandTest, RunKilledAtAnyMomentResumesToTheWholeOutputWithAnIntactStore) {
  ServeListPages([](int page) { return std::chrono::milliseconds(4 + page % 4 * 4); });
  const std::vector<std::string> options = {"--urls", Urls(40), "--separator", "|", "--jobs", "3"};
  const auto started = std::chrono::steady_clock::now();
  const Outcome whole = Collect(options);
  const auto runTime = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  ASSERT_EQ(whole.status, 0) << whole.err;
  ASSERT_EQ(Count(whole.out, "\r\n"), 120);

  std::vector<std::string> stored = options;
  stored.insert(stored.end(), {"--store", Path("s.sqlite")});
  std::vector<std::string> resumed = stored;
  resumed.push_back("--resume");
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<int> moment(0, static_cast<int>(runTime.count() * 5 / 4));
  for (int repetition = 0; repetition < 20; ++repetition) {
    const int killAfter = moment(random);
    SCOPED_TRACE("killed after " + std::to_string(killAfter) + " ms of " + std::to_string(runTime.count()));
    std::vector<std::string> arguments = stored;
    arguments.insert(arguments.begin(), "collect");
    cli_test::BackgroundProgram killed(PELMO_BINARY, arguments, folder_);
    ASSERT_TRUE(killed.Started());
    std::this_thread::sleep_for(std::chrono::milliseconds(killAfter));
    killed.Signal(SIGKILL);
    killed.Wait();

    const Outcome outcome = Collect(resumed);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, whole.out);
    EXPECT_EQ(Query(Path("s.sqlite"), "PRAGMA integrity_check"), "ok");
    // Every page the store holds has every row it found (a flag a record in its row of records).
    EXPECT_EQ(Query(Path("s.sqlite"), "SELECT count(*) FROM pages WHERE row_count <> coalesce((SELECT "
                                      "length(left_out) FROM records WHERE records.run = pages.run AND "
                                      "records.page = pages.position), 0)"),
              "0");
  }
}

TEST_F(StoreCommandTest, StopSignalsExportTheProcessedPagesAndEndWith130Or143) {
  std::atomic<bool> hang{true};
  // Three pages answer at once; the others hang until the signal has come.
  ServeListPages([&hang](int page) { return page <= 3 || !hang ? 0ms : 20000ms; });
  const std::string urls = Urls(6);
  const Outcome threePages = Collect({"--urls", Urls(3, "three.txt"), "--format", "csv"});
  ASSERT_EQ(threePages.status, 0) << threePages.err;
  // After the stop, the next run is told of the unfinished run, or that it cannot carry it on.
  struct Stop {
    int signal;
    bool toFile;
    std::vector<std::string> next;
    std::string notice;
  };
  for (const Stop& stop : {Stop{SIGINT, false, {}, "上次的采集在第 3 / 6 个网址中断；加 --resume 继续\n"},
                           Stop{SIGTERM, true, {"--resume", "--cookie", "k=v"},
                                "上次中断的采集设置不同，无法继续；开始新的采集\n"}}) {
    SCOPED_TRACE(stop.signal);
    hang = true;
    std::ofstream(folder_ / "out.csv") << "old";
    std::vector<std::string> arguments = {"collect", "--urls", urls, "--format", "csv", "--store", Path("s.sqlite")};
    if (stop.toFile) arguments.insert(arguments.end(), {"--output", Path("out.csv")});
    cli_test::BackgroundProgram program(PELMO_BINARY, arguments, folder_);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (Count(program.ErrorSoFar(), "取到 3 条纪录") < 3 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    const auto signalled = std::chrono::steady_clock::now();
    program.Signal(stop.signal);
    const Outcome outcome = program.Wait();
    hang = false;
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 5s) << "the downloads in flight are abandoned";
    EXPECT_EQ(outcome.status, 128 + stop.signal) << outcome.err;
    EXPECT_THAT(outcome.err, EndsWith("已停止：处理了 3 / 6 个网址，共9条数据\n"));
    EXPECT_EQ(stop.toFile ? ReadFile(folder_ / "out.csv") : outcome.out, threePages.out);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 7) << "nothing left aside";

    std::vector<std::string> next = {"--urls", urls, "--store", Path("s.sqlite")};
    next.insert(next.end(), stop.next.begin(), stop.next.end());
    EXPECT_THAT(Collect(next).err, StartsWith(stop.notice + "新的一轮开始处理..\n"));
  }
}

TEST_F(StoreCommandTest, StoresThatCannotServeEndWithStatusTwoBeforeAnyDownload) {
  ServeListPages([](int) { return 0ms; });
  const std::string address = server_.Url("/1");
  std::ofstream(folder_ / "text.sqlite") << "not a store\n";
  const collect::StoreOpening held = collect::OpenRunStore(Path("held.sqlite"), collect::StoreUse::Run);
  ASSERT_TRUE(held.store);
  struct Refusal {
    std::vector<std::string> options;
    std::string message;
  };
  const std::string storeOf = "pelmo collect: 采集库 “" + folder_.string();
  for (const Refusal& refusal :
       {Refusal{{"--store", Path("text.sqlite")}, storeOf + "/text.sqlite” 不是 Pelmo 采集库\n"},
        Refusal{{"--store", Path("held.sqlite")}, storeOf + "/held.sqlite” 正由另一个采集使用\n"},
        Refusal{{"--resume"}, "pelmo collect: --resume and --only-new need a store (--store FILE)\n"},
        Refusal{{"--only-new"}, "pelmo collect: --resume and --only-new need a store (--store FILE)\n"}}) {
    std::vector<std::string> arguments = refusal.options;
    arguments.push_back(address);
    const Outcome outcome = Collect(arguments);
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_EQ(outcome.err, refusal.message);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(ReadFile(folder_ / "text.sqlite"), "not a store\n");

  // A full and a read-only file system, made in a mount namespace of the test's own.
  if (std::system("unshare -rm true 2>/dev/null") != 0) GTEST_SKIP() << "no mount namespaces here";
  std::filesystem::create_directory(folder_ / "mount");
  const std::string mount = Path("mount");
  const std::string collect = cli_test::Quote(PELMO_BINARY) + " collect " + address + " --store " + mount + "/s.sqlite";
  struct Medium {
    std::string script;
    std::string reason;
  };
  for (const Medium& medium :
       {Medium{"mount -t tmpfs -o size=64k tmpfs " + mount + " && { head -c 65536 /dev/zero > " + mount +
                   "/fill; exec " + collect + "; }",
               "” 所在的磁盘已满\n"},
        Medium{"mount -t tmpfs tmpfs " + mount + " && " + collect + " >/dev/null 2>&1 && mount -o remount,ro " +
                   mount + " && exec " + collect,
               "” 是只读的，无法写入\n"}}) {
    const std::size_t requests = server_.RequestCount();
    const Outcome outcome = cli_test::RunProgram("/usr/bin/unshare", {"-rm", "sh", "-c", medium.script}, folder_);
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_EQ(outcome.err, "pelmo collect: 采集库 “" + mount + "/s.sqlite" + medium.reason);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(server_.RequestCount(), requests + (medium.reason.find("只读") != std::string::npos ? 1 : 0));
  }
}

TEST_F(StoreCommandTest, ExportWritesAStoredRunAsTheRunWroteIt) {
  ServeListPages([](int) { return 0ms; });
  const std::string store = Path("s.sqlite");
  const Outcome first = Collect({"--urls", Urls(2), "--separator", "|", "--store", store});
  ASSERT_EQ(first.status, 0) << first.err;
  const Outcome second = Collect({"--urls", Urls(3, "three.txt"), "--store", store, "--only-new"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_THAT(second.err, EndsWith("共3条数据（另有 6 条已在以前采集过）\n"));
  const Outcome csv = Collect({"--urls", Urls(2), "--format", "csv"});

  EXPECT_EQ(Export({"--store", store, "--run", "1"}).out, first.out) << "the run's separator";
  EXPECT_EQ(Export({"--store", store}).out, second.out);
  EXPECT_EQ(Export({"--run", "1", "--format", "csv", "--store", store}).out, csv.out);
  ASSERT_EQ(Export({"--store", store, "--run", "1", "--output", Path("run.csv")}).status, 0);
  EXPECT_EQ(ReadFile(folder_ / "run.csv"), csv.out);
  ASSERT_EQ(Export({"--store", store, "--output", Path("run.xlsx")}).status, 0);
  EXPECT_THAT(ReadFile(folder_ / "run.xlsx"), StartsWith("PK\x03\x04")) << "a workbook, a zip archive";
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--run", "1"}, {"--store", store, "--run", "3"},
                                             {"--store", store, "--run", "x"}, {"--store", store, "--format", "xml"},
                                             {"--store", Path("none.sqlite")}, {"--store"}}) {
    const Outcome refused = Export(arguments);
    EXPECT_EQ(refused.status, 2) << arguments.back();
    EXPECT_THAT(refused.err, StartsWith("pelmo export: "));
    EXPECT_EQ(refused.out, "");
  }
}

}  // namespace
