// The run store over SQLite's C API. A run holds the store with an advisory lock on the file
// (flock, which SQLite's own POSIX locks never touch), so that a second run is refused at once
// while readers such as `pelmo export` still read beside it.
#include "collect/run_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "collect/collection_engine.h"
#include "collect/match_rule.h"
#include "collect/packed_cells.h"
#include "runtime/code_page.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

constexpr int kSchemaVersion = 1;
// "Pelm": marks an SQLite file as a Pelmo store.
constexpr int kApplicationId = 0x50656C6D;
// How long a write waits for a reader's or another program's lock before it gives up.
constexpr int kBusyMilliseconds = 5000;
// Rows read back at a time into a table.
constexpr std::size_t kRowBatch = 1024;

constexpr const char* kSchema = R"(
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  project BLOB NOT NULL,
  settings BLOB NOT NULL,
  page_count INTEGER NOT NULL,
  group_count INTEGER NOT NULL,
  separator BLOB NOT NULL,
  started TEXT NOT NULL,
  ended TEXT,
  outcome TEXT NOT NULL CHECK (outcome IN ('running', 'stopped', 'finished'))
);
CREATE TABLE pages (
  run INTEGER NOT NULL REFERENCES runs (id),
  position INTEGER NOT NULL,
  address BLOB NOT NULL,
  state TEXT NOT NULL CHECK (state IN ('done', 'failed')),
  status INTEGER NOT NULL,
  attempts INTEGER NOT NULL,
  first_reason BLOB NOT NULL,
  first_warning BLOB NOT NULL,
  reason BLOB NOT NULL,
  warning BLOB NOT NULL,
  row_count INTEGER NOT NULL,
  time TEXT NOT NULL,
  PRIMARY KEY (run, position)
) WITHOUT ROWID;
CREATE TABLE records (
  run INTEGER NOT NULL,
  page INTEGER NOT NULL,
  position INTEGER NOT NULL,
  cells BLOB NOT NULL,
  digest BLOB NOT NULL,
  left_out INTEGER NOT NULL,
  PRIMARY KEY (run, page, position),
  FOREIGN KEY (run, page) REFERENCES pages (run, position)
) WITHOUT ROWID;
CREATE INDEX records_by_digest ON records (digest);
)";

constexpr const char* kNow = "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')";

// A prepared statement that remembers the first result code that was not a success.
class Statement {
public:
  Statement(sqlite3* database, const std::string& sql) {
    code_ = sqlite3_prepare_v2(database, sql.c_str(), -1, &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, long long value) {
    if (Sound()) code_ = sqlite3_bind_int64(statement_, index, value);
    return *this;
  }
  // Bytes as a blob; the empty text stays an empty blob, not NULL.
  Statement& Bind(int index, std::string_view bytes) {
    static const char kNothing = 0;
    if (Sound()) {
      code_ = sqlite3_bind_blob64(statement_, index, bytes.empty() ? &kNothing : bytes.data(), bytes.size(),
                                  SQLITE_TRANSIENT);
    }
    return *this;
  }
  // Words of the program as text, so that the schema's checks compare them as text.
  Statement& BindWord(int index, const char* word) {
    if (Sound()) code_ = sqlite3_bind_text(statement_, index, word, -1, SQLITE_STATIC);
    return *this;
  }
  // True for a row; false at the end or on a failure (Failed()).
  bool Step() {
    if (!Sound()) return false;
    code_ = sqlite3_step(statement_);
    return code_ == SQLITE_ROW;
  }
  // Runs a statement that gives no rows; true when it did.
  bool Run() {
    Step();
    return code_ == SQLITE_DONE;
  }
  // Ready to be bound and run again.
  void Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    code_ = SQLITE_OK;
  }
  long long Integer(int column) const { return sqlite3_column_int64(statement_, column); }
  std::string Bytes(int column) const {
    const void* bytes = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
  }
  bool Failed() const { return !Sound() && code_ != SQLITE_DONE; }
  int Code() const { return code_; }

private:
  bool Sound() const { return code_ == SQLITE_OK || code_ == SQLITE_ROW || code_ == SQLITE_DONE; }

  sqlite3_stmt* statement_ = nullptr;
  int code_ = SQLITE_OK;
};

int Execute(sqlite3* database, const std::string& sql) { return sqlite3_exec(database, sql.c_str(), nullptr, nullptr, nullptr); }

Text Quoted(const std::string& path) { return T("“") + runtime::Utf8ToText(path) + T("”"); }

Text StoreMessage(const std::string& path, const Text& reason) { return T("采集库 ") + Quoted(path) + T(" ") + reason; }

// What an SQLite result code means to the user.
Text ReasonOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_FULL:
      return T("所在的磁盘已满");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return T("正由另一个程序使用");
    case SQLITE_READONLY:
      return T("是只读的，无法写入");
    case SQLITE_NOTADB:
      return T("不是 Pelmo 采集库");
    case SQLITE_CORRUPT:
      return T("已损坏");
    default:
      break;
  }
  return T("无法读写：") + runtime::Utf8ToText(sqlite3_errstr(code));
}

const char* OutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Stopped:
      return "stopped";
    case RunOutcome::Finished:
      return "finished";
    case RunOutcome::Running:
      break;
  }
  return "running";
}

RunOutcome OutcomeNamed(std::string_view name) {
  if (name == "stopped") return RunOutcome::Stopped;
  if (name == "finished") return RunOutcome::Finished;
  return RunOutcome::Running;
}

int GroupCount(const Text& rule) {
  runtime::Regex regex;
  regex.Create(TranslateMatchRule(rule), runtime::Case::Insensitive);
  return regex.GetSubexpressionCount();
}

// The number a pragma gives, or nothing with the failure's code.
std::optional<long long> PragmaNumber(sqlite3* database, const char* pragma, int& code) {
  Statement statement(database, std::string("PRAGMA ") + pragma);
  if (!statement.Step()) {
    code = statement.Failed() ? statement.Code() : SQLITE_NOTADB;
    return std::nullopt;
  }
  return statement.Integer(0);
}

// Makes a new file a store, or checks that a file is one this program reads; empty when it is.
Text PrepareSchema(sqlite3* database, const std::string& path, StoreUse use) {
  int code = SQLITE_OK;
  const std::optional<long long> application = PragmaNumber(database, "application_id", code);
  const std::optional<long long> version = PragmaNumber(database, "user_version", code);
  const std::optional<long long> objects = [&]() -> std::optional<long long> {
    Statement count(database, "SELECT count(*) FROM sqlite_schema");
    if (!count.Step()) {
      code = count.Code();
      return std::nullopt;
    }
    return count.Integer(0);
  }();
  if (!application || !version || !objects) return StoreMessage(path, ReasonOf(code));
  const bool empty = *application == 0 && *version == 0 && *objects == 0;
  if (empty && use == StoreUse::Run) {
    if ((code = Execute(database, "PRAGMA journal_mode = WAL")) != SQLITE_OK ||
        (code = Execute(database, std::string("BEGIN IMMEDIATE;") + kSchema + "PRAGMA application_id = " +
                                      std::to_string(kApplicationId) + "; PRAGMA user_version = " +
                                      std::to_string(kSchemaVersion) + "; COMMIT;")) != SQLITE_OK) {
      const Text fault = StoreMessage(path, ReasonOf(code));
      Execute(database, "ROLLBACK");
      return fault;
    }
    return Text();
  }
  if (*application != kApplicationId) return StoreMessage(path, T("不是 Pelmo 采集库"));
  if (*version != kSchemaVersion) {
    return StoreMessage(path, T("的版本（") + runtime::ToText(static_cast<std::int64_t>(*version)) +
                                  T("）不受支持，本程序读取版本 ") + runtime::ToText(kSchemaVersion));
  }
  return Text();
}

// The file opened for the lock of a run, or -1 with the fault.
int LockForRun(const std::string& path, bool& created, Text& fault) {
  struct stat existing {};
  const bool existed = ::stat(path.c_str(), &existing) == 0;
  const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    const int error = errno;
    const bool readOnly = error == EROFS || (existed && (error == EACCES || error == EPERM));
    fault = StoreMessage(path, readOnly ? T("是只读的，无法写入")
                                        : T("无法打开：") + runtime::Utf8ToText(std::strerror(error)));
    return -1;
  }
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(descriptor);
    fault = StoreMessage(path, error == EWOULDBLOCK ? T("正由另一个采集使用")
                                                    : T("无法打开：") + runtime::Utf8ToText(std::strerror(error)));
    return -1;
  }
  created = !existed;
  return descriptor;
}

}  // namespace

// The journal's statements, prepared once for the run.
struct StoreJournal::Statements {
  explicit Statements(sqlite3* database)
      : begin(database, "BEGIN IMMEDIATE"),
        commit(database, "COMMIT"),
        page(database, std::string("INSERT INTO pages (run, position, address, state, status, attempts, first_reason, "
                                   "first_warning, reason, warning, row_count, time) "
                                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ") +
                           kNow + ")"),
        record(database,
               "INSERT INTO records (run, page, position, cells, digest, left_out) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
        known(database,
              "SELECT 1 FROM records JOIN runs ON runs.id = records.run WHERE records.digest = ?1 AND "
              "runs.project = ?2 AND runs.id <> ?3 AND runs.outcome <> 'running' LIMIT 1"),
        storedPage(database,
                   "SELECT status, attempts, first_reason, first_warning, reason, warning, row_count FROM pages "
                   "WHERE run = ?1 AND position = ?2"),
        storedRecords(database, "SELECT cells, left_out FROM records WHERE run = ?1 AND page = ?2 ORDER BY position") {}

  Statement begin, commit, page, record, known, storedPage, storedRecords;
};

StoreJournal::StoreJournal(RunStore& store, int runId, const StoreChoice& choice, std::string projectDigest)
    : store_(store), runId_(runId), choice_(choice), projectDigest_(std::move(projectDigest)),
      statements_(std::make_unique<Statements>(store.database_)) {}

StoreJournal::~StoreJournal() = default;

bool StoreJournal::Fail(int code) {
  if (fault_.empty()) fault_ = StoreMessage(store_.path_, ReasonOf(code));
  return false;
}

bool StoreJournal::Processed(int position, const Text& address) {
  const auto found = processed_.find(position);
  return found != processed_.end() && found->second == address;
}

std::optional<JournalPage> StoreJournal::Replay(int position) {
  Statement& stored = statements_->storedPage;
  stored.Reset();
  if (!stored.Bind(1, runId_).Bind(2, position).Step()) {
    Fail(stored.Failed() ? stored.Code() : SQLITE_CORRUPT);
    return std::nullopt;
  }
  JournalPage page;
  page.address = processed_.at(position);
  page.status = static_cast<int>(stored.Integer(0));
  if (stored.Integer(1) == 2) page.attempts.push_back({page.address, 1, 0, stored.Bytes(2), stored.Bytes(3)});
  page.attempts.push_back({page.address, static_cast<int>(page.attempts.size()) + 1,
                           static_cast<int>(stored.Integer(6)), stored.Bytes(4), stored.Bytes(5)});
  Statement& records = statements_->storedRecords;
  records.Reset();
  records.Bind(1, runId_).Bind(2, position);
  while (records.Step()) {
    page.records.push_back({UnpackCells(records.Bytes(0))});
    page.collectedBefore.push_back(records.Integer(1) != 0);
  }
  if (records.Failed()) {
    Fail(records.Code());
    return std::nullopt;
  }
  return page;
}

std::vector<bool> StoreJournal::CollectedBefore(const std::vector<Record>& records) {
  std::vector<bool> collected(records.size());
  if (!choice_.onlyNew) return collected;
  Statement& known = statements_->known;
  for (std::size_t i = 0; i < records.size(); ++i) {
    known.Reset();
    collected[i] = known.Bind(1, RecordDigest(records[i], choice_.recordColumns)).Bind(2, projectDigest_).Bind(3, runId_).Step();
    if (known.Failed()) Fail(known.Code());
  }
  return collected;
}

bool StoreJournal::Write(int position, const JournalPage& page) {
  Statements& s = *statements_;
  s.begin.Reset();
  if (!s.begin.Run()) return Fail(s.begin.Code());
  const AttemptResult& last = page.attempts.back();
  const AttemptResult& first = page.attempts.front();
  const bool twice = page.attempts.size() > 1;
  s.page.Reset();
  s.page.Bind(1, runId_).Bind(2, position).Bind(3, page.address).BindWord(4, last.failureReason.empty() ? "done" : "failed");
  s.page.Bind(5, page.status).Bind(6, static_cast<long long>(page.attempts.size()));
  s.page.Bind(7, twice ? std::string_view(first.failureReason) : "").Bind(8, twice ? std::string_view(first.warning) : "");
  s.page.Bind(9, last.failureReason).Bind(10, last.warning).Bind(11, last.rowsFound);
  bool written = s.page.Run();
  int code = s.page.Code();
  for (std::size_t i = 0; written && i < page.records.size(); ++i) {
    s.record.Reset();
    s.record.Bind(1, runId_).Bind(2, position).Bind(3, static_cast<long long>(i)).Bind(4, PackCells(page.records[i].cells));
    s.record.Bind(5, RecordDigest(page.records[i], choice_.recordColumns)).Bind(6, page.collectedBefore[i] ? 1 : 0);
    written = s.record.Run();
    code = s.record.Code();
  }
  if (written) {
    s.commit.Reset();
    written = s.commit.Run();
    code = s.commit.Code();
  }
  if (written) return true;
  Execute(store_.database_, "ROLLBACK");
  return Fail(code);
}

bool StoreJournal::Finish(const RunSummary& summary) {
  Statement finish(store_.database_, std::string("UPDATE runs SET outcome = ?1, ended = ") + kNow + " WHERE id = ?2");
  if (finish.BindWord(1, OutcomeName(summary.stopped ? RunOutcome::Stopped : RunOutcome::Finished)).Bind(2, runId_).Run()) {
    return true;
  }
  return Fail(finish.Code());
}

RunStore::RunStore(std::string path, sqlite3* database, int lockDescriptor)
    : path_(std::move(path)), database_(database), lockDescriptor_(lockDescriptor) {}

RunStore::~RunStore() {
  sqlite3_close_v2(database_);
  // Only now: closing another descriptor of the file would drop SQLite's locks on it.
  if (lockDescriptor_ >= 0) ::close(lockDescriptor_);
}

const Text& RunStore::Fail(int code) {
  fault_ = StoreMessage(path_, ReasonOf(code));
  return fault_;
}

std::optional<StoredRun> RunStore::RunWhere(const char* condition, std::optional<int> id) {
  Statement statement(database_, std::string("SELECT id, outcome, page_count, settings, separator, "
                                             "(SELECT count(*) FROM pages WHERE pages.run = runs.id) FROM runs ") +
                                     condition);
  if (id) statement.Bind(1, *id);
  if (!statement.Step()) {
    if (statement.Failed()) Fail(statement.Code());
    return std::nullopt;
  }
  StoredRun run;
  run.id = static_cast<int>(statement.Integer(0));
  run.outcome = OutcomeNamed(statement.Bytes(1));
  run.pageCount = static_cast<int>(statement.Integer(2));
  run.settingsDigest = statement.Bytes(3);
  run.separator = statement.Bytes(4);
  run.pagesDone = static_cast<int>(statement.Integer(5));
  return run;
}

std::optional<StoredRun> RunStore::LatestRun() { return RunWhere("ORDER BY id DESC LIMIT 1", std::nullopt); }

std::optional<StoredRun> RunStore::FindRun(int id) { return RunWhere("WHERE id = ?1", id); }

std::optional<StoredRun> RunStore::UnfinishedRun() {
  std::optional<StoredRun> latest = LatestRun();
  if (latest && latest->outcome == RunOutcome::Finished) return std::nullopt;
  return latest;
}

ResultTable RunStore::ReadTable(const StoredRun& run) {
  ResultTable table;
  Statement groups(database_, "SELECT group_count FROM runs WHERE id = ?1");
  if (!groups.Bind(1, run.id).Step()) {
    Fail(groups.Failed() ? groups.Code() : SQLITE_NOTFOUND);
    return table;
  }
  if (run.pagesDone > 0) table.AddColumns(ColumnCaptions(1, static_cast<int>(groups.Integer(0)) + 2));
  Statement rows(database_, "SELECT cells FROM records WHERE run = ?1 AND left_out = 0 ORDER BY page, position");
  rows.Bind(1, run.id);
  std::vector<Record> batch;
  while (rows.Step()) {
    batch.push_back({UnpackCells(rows.Bytes(0))});
    if (batch.size() == kRowBatch) {
      table.AddRows(batch);
      batch.clear();
    }
  }
  table.AddRows(batch);
  if (rows.Failed()) {
    Fail(rows.Code());
    return ResultTable();
  }
  return table;
}

std::unique_ptr<StoreJournal> RunStore::BeginRun(const RunStartRequest& request) {
  const RunDigests digests = DigestsOf(request.settings, request.choice);
  int runId = request.resumedRun;
  if (runId == 0) {
    Statement insert(database_, std::string("INSERT INTO runs (project, settings, page_count, group_count, separator, "
                                            "started, outcome) VALUES (?1, ?2, ?3, ?4, ?5, ") +
                                    kNow + ", 'running')");
    insert.Bind(1, digests.project).Bind(2, digests.settings);
    insert.Bind(3, static_cast<long long>(request.settings.addresses.size())).Bind(4, GroupCount(request.settings.rule));
    if (!insert.Bind(5, request.separator).Run()) {
      Fail(insert.Code());
      return nullptr;
    }
    runId = static_cast<int>(sqlite3_last_insert_rowid(database_));
  } else {
    Statement resume(database_, "UPDATE runs SET outcome = 'running', ended = NULL, separator = ?1 "
                                "WHERE id = ?2 AND settings = ?3 AND outcome <> 'finished'");
    if (!resume.Bind(1, request.separator).Bind(2, runId).Bind(3, digests.settings).Run()) {
      Fail(resume.Code());
      return nullptr;
    }
    if (sqlite3_changes(database_) != 1) {
      fault_ = StoreMessage(path_, T("中没有可以继续的采集"));
      return nullptr;
    }
  }
  std::unique_ptr<StoreJournal> journal(new StoreJournal(*this, runId, request.choice, digests.project));
  Statement pages(database_, "SELECT position, address FROM pages WHERE run = ?1");
  pages.Bind(1, runId);
  while (pages.Step()) journal->processed_.emplace(static_cast<int>(pages.Integer(0)), pages.Bytes(1));
  if (pages.Failed()) {
    Fail(pages.Code());
    return nullptr;
  }
  return journal;
}

StoreOpening OpenRunStore(const std::string& path, StoreUse use) {
  StoreOpening opening;
  bool created = false;
  int lock = -1;
  if (use == StoreUse::Run) {
    lock = LockForRun(path, created, opening.fault);
    if (lock < 0) return opening;
  } else if (struct stat existing {}; ::stat(path.c_str(), &existing) != 0) {
    opening.fault = StoreMessage(path, T("无法打开：") + runtime::Utf8ToText(std::strerror(errno)));
    return opening;
  }
  sqlite3* database = nullptr;
  const int flags = use == StoreUse::Run ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  const int code = sqlite3_open_v2(path.c_str(), &database, flags, nullptr);
  if (code != SQLITE_OK) {
    opening.fault = StoreMessage(path, ReasonOf(code));
  } else if (use == StoreUse::Run && sqlite3_db_readonly(database, "main") == 1) {
    opening.fault = StoreMessage(path, T("是只读的，无法写入"));
  } else {
    sqlite3_busy_timeout(database, kBusyMilliseconds);
    opening.fault = PrepareSchema(database, path, use);
    if (opening.fault.empty() && use == StoreUse::Run) Execute(database, "PRAGMA synchronous = NORMAL");
  }
  if (opening.fault.empty()) {
    opening.store.reset(new RunStore(path, database, lock));
    return opening;
  }
  sqlite3_close_v2(database);
  if (created) ::unlink(path.c_str());
  if (lock >= 0) ::close(lock);
  return opening;
}

}  // namespace collect
