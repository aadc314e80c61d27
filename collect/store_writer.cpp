// Processed pages written to the store by a worker thread, several to a transaction: the pages
// that queue up meanwhile, and those that come within a short wait.
#include "collect/store_writer.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "collect/sqlite_statement.h"

namespace collect {
namespace {

// What may wait to be written before the run waits for the writer: enough to ride out a
// checkpoint's disk syncs, little beside the memory the run holds anyway.
constexpr std::size_t kMostWaiting = 4096;
constexpr std::size_t kMostWaitingBytes = std::size_t{64} << 20;
// How long the writer gathers pages before it begins a transaction, unless many come first: a
// transaction costs far more than a page in it. A page is in the store this much later at most
// (while the writer keeps up); a run killed meanwhile fetches it again when resumed.
constexpr std::chrono::milliseconds kGatherWait{20};
constexpr std::size_t kGatherPages = 256;
constexpr std::size_t kGatherBytes = kMostWaitingBytes / 4;
// The size of the write-ahead log that starts a checkpoint on the writer's thread while the run
// goes on: what is left for the checkpoint when the store closes, after the run, is little.
constexpr long long kCheckpointBytes = 1 << 20;
constexpr int kBusyMilliseconds = 5000;

constexpr const char* kPageInsert =
    "INSERT INTO pages (run, position, address, state, status, attempts, first_reason, first_warning, reason, "
    "warning, row_count, depth, next_address, time) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, "
    "?13, ?14)";
// A page's records go in as one row: one insert a page costs SQLite far less than one a record.
constexpr const char* kRecordsInsert =
    "INSERT INTO records (run, page, cells, digests, left_out) VALUES (?1, ?2, ?3, ?4, ?5)";
constexpr const char* kDetailInsert =
    "INSERT INTO details (run, page, position, address, record, matched, reason) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)";

// The time as SQLite's strftime('%Y-%m-%dT%H:%M:%fZ', 'now') writes it, UTC to the millisecond,
// made here once a transaction instead of by SQLite's date functions for every page.
std::string TimeStamp(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto milliseconds = floor<std::chrono::milliseconds>(time);
  const auto day = floor<days>(milliseconds);
  const year_month_day date(day);
  const hh_mm_ss clock(milliseconds - day);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return text;
}

}  // namespace

struct StoreWriter::Statements {
  explicit Statements(sqlite3* database)
      : begin(database, "BEGIN IMMEDIATE"), commit(database, "COMMIT"), rollback(database, "ROLLBACK"),
        page(database, kPageInsert), records(database, kRecordsInsert), detail(database, kDetailInsert) {}
  SqliteStatement begin, commit, rollback, page, records, detail;
};

StoreWriter::StoreWriter(const std::string& path, int runId) : runId_(runId), path_(path) {
  worker_ = std::thread([this] { Work(); });
}

int StoreWriter::Open() {
  // Without SQLite's locks around each call: only one thread at a time uses the connection.
  int code = sqlite3_open_v2(path_.c_str(), &database_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (code == SQLITE_OK) {
    sqlite3_busy_timeout(database_, kBusyMilliseconds);
    ExecuteSql(database_, "PRAGMA synchronous = NORMAL");
    // Whatever the size of the store's pages: a store made before they grew has pages of 4 KiB.
    SqliteStatement pageSize(database_, "PRAGMA page_size");
    const long long pageBytes = pageSize.Step() ? pageSize.Integer(0) : kCheckpointBytes;
    sqlite3_wal_autocheckpoint(database_, static_cast<int>(std::max(kCheckpointBytes / pageBytes, 1LL)));
  }
  statements_ = std::make_unique<Statements>(database_);
  return code;
}

StoreWriter::~StoreWriter() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  worker_.join();
  statements_.reset();
  sqlite3_close_v2(database_);
}

bool StoreWriter::Write(int position, JournalPage page, StoredRecords records) {
  std::unique_lock lock(mutex_);
  // A page larger than the whole allowance waits only for the queue to empty.
  changed_.wait(lock, [this] {
    return (queue_.size() < kMostWaiting && queuedBytes_ < kMostWaitingBytes) || failure_ != SQLITE_OK;
  });
  if (failure_ != SQLITE_OK) return false;
  queuedBytes_ += records.cells.size() + records.digests.size() + records.leftOut.size();
  queue_.push_back({position, std::move(page), std::move(records)});
  // Only the writer waits for pages: for a first one, or for enough to end its gathering.
  if (queue_.size() == 1 || Gathered()) changed_.notify_all();
  return true;
}

bool StoreWriter::Flush() {
  std::unique_lock lock(mutex_);
  flushing_ = true;
  changed_.notify_all();
  changed_.wait(lock, [this] { return (queue_.empty() && !writing_) || failure_ != SQLITE_OK; });
  flushing_ = false;
  return failure_ == SQLITE_OK;
}

int StoreWriter::FailureCode() {
  std::lock_guard lock(mutex_);
  return failure_;
}

bool StoreWriter::Gathered() const {
  return queue_.size() >= kGatherPages || queuedBytes_ >= kGatherBytes || flushing_ || closing_;
}

void StoreWriter::Work() {
  // Here, while the run starts its downloads.
  const int opened = Open();
  std::vector<QueuedPage> pages;
  std::unique_lock lock(mutex_);
  if (opened != SQLITE_OK) {
    failure_ = opened;
    changed_.notify_all();
    return;
  }
  for (;;) {
    changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
    changed_.wait_for(lock, kGatherWait, [this] { return Gathered(); });
    if (queue_.empty() || failure_ != SQLITE_OK) return;
    pages.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
    queue_.clear();
    queuedBytes_ = 0;
    writing_ = true;
    changed_.notify_all();
    lock.unlock();
    const int code = WriteAll(pages);
    // The pages go before the lock is taken again: the run may be waiting to queue one.
    pages.clear();
    lock.lock();
    writing_ = false;
    if (code != SQLITE_OK) failure_ = code;
    changed_.notify_all();
  }
}

int StoreWriter::WriteAll(const std::vector<QueuedPage>& pages) {
  Statements& s = *statements_;
  s.begin.Reset();
  if (!s.begin.Run()) return s.begin.Code();
  bool written = true;
  int code = SQLITE_OK;
  // The pages of a transaction are written at one time.
  const std::string now = TimeStamp(std::chrono::system_clock::now());
  for (auto page = pages.begin(); written && page != pages.end(); ++page) {
    const auto& [position, entry, records] = *page;
    const AttemptResult& last = entry.attempts.back();
    const AttemptResult& first = entry.attempts.front();
    const bool twice = entry.attempts.size() > 1;
    // The page's texts are bound without a copy: the page outlives the statement's step.
    s.page.Reset();
    s.page.Bind(1, runId_).Bind(2, position).BindHeld(3, entry.address);
    s.page.BindWord(4, last.failureReason.empty() ? "done" : "failed").Bind(5, entry.status);
    s.page.Bind(6, static_cast<long long>(entry.attempts.size()));
    s.page.BindHeld(7, twice ? std::string_view(first.failureReason) : "");
    s.page.BindHeld(8, twice ? std::string_view(first.warning) : "");
    s.page.BindHeld(9, last.failureReason).BindHeld(10, last.warning).Bind(11, last.rowsFound);
    s.page.Bind(12, entry.depth).BindHeld(13, entry.nextAddress).BindWord(14, now.c_str());
    written = s.page.Run();
    code = s.page.Code();
    if (written && !records.leftOut.empty()) {
      s.records.Reset();
      s.records.Bind(1, runId_).Bind(2, position).BindHeld(3, records.cells).BindHeld(4, records.digests);
      written = s.records.BindHeld(5, records.leftOut).Run();
      code = s.records.Code();
    }
    for (std::size_t i = 0; written && i < entry.details.size(); ++i) {
      const DetailPageResult& detail = entry.details[i];
      s.detail.Reset();
      s.detail.Bind(1, runId_).Bind(2, position).Bind(3, static_cast<long long>(i)).BindHeld(4, detail.address);
      s.detail.Bind(5, detail.record).Bind(6, detail.matched ? 1 : 0);
      written = s.detail.BindHeld(7, detail.failureReason).Run();
      code = s.detail.Code();
    }
  }
  if (written) {
    s.commit.Reset();
    if (s.commit.Run()) return SQLITE_OK;
    code = s.commit.Code();
  }
  s.rollback.Reset();
  s.rollback.Run();
  return code;
}

}  // namespace collect
