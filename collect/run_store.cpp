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
#include "collect/packed_cells.h"
#include "collect/page_preparation.h"
#include "collect/sqlite_statement.h"
#include "collect/store_writer.h"
#include "collect/stored_records.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

constexpr int kSchemaVersion = 5;
// "Pelm": marks an SQLite file as a Pelmo store.
constexpr int kApplicationId = 0x50656C6D;
// The size of a new store's pages: a page's row of records is a kilobyte or more (some 60 bytes a
// record), and SQLite spends a quarter less time writing such rows into pages of 16 KiB than into
// its default 4 KiB, which hold three of them.
constexpr int kPageBytes = 16384;
// How long a write waits for a reader's or another program's lock before it gives up.
constexpr int kBusyMilliseconds = 5000;

// The detail pages each list page took, from version 2 on.
constexpr const char* kDetailsTable = R"(
CREATE TABLE details (
  run INTEGER NOT NULL,
  page INTEGER NOT NULL,
  position INTEGER NOT NULL,
  address BLOB NOT NULL,
  record INTEGER NOT NULL,
  matched INTEGER NOT NULL,
  reason BLOB NOT NULL,
  PRIMARY KEY (run, page, position),
  FOREIGN KEY (run, page) REFERENCES pages (run, position)
) WITHOUT ROWID;
)";

// Version 2 keeps runs that follow next pages and detail pages: the captions of a run's columns
// (empty in a run of version 1: "文本 k"), each list page's depth (next-page links followed from
// the run's address) and next-page link, and the detail pages each list page took.
constexpr const char* kSecondVersion = R"(
ALTER TABLE runs ADD COLUMN captions BLOB NOT NULL DEFAULT x'';
ALTER TABLE runs ADD COLUMN detail_captions BLOB NOT NULL DEFAULT x'';
ALTER TABLE pages ADD COLUMN depth INTEGER NOT NULL DEFAULT 0;
ALTER TABLE pages ADD COLUMN next_address BLOB NOT NULL DEFAULT x'';
)";

// Version 3 keeps a page's records in one row (StoredRecords), none for a page without records,
// where versions 1 and 2 kept a row a record: a run writes a page with two inserts, not one a
// record. The columns of its records, which a reader of versions 1 and 2 makes too.
constexpr const char* kPageRecordsColumns = R"((
  run INTEGER NOT NULL,
  page INTEGER NOT NULL,
  cells BLOB NOT NULL,
  digests BLOB NOT NULL,
  left_out BLOB NOT NULL,
  PRIMARY KEY (run, page),
  FOREIGN KEY (run, page) REFERENCES pages (run, position)
) WITHOUT ROWID;
)";

// Version 4 keeps the records of a page in a table with row ids, their cells Referenced
// (stored_records.h): a page's row of records is larger than a page of the file, and in a table
// without row ids, whose rows are their keys, each insert read such rows whole to compare keys.
constexpr const char* kFourthVersion = R"(
CREATE TABLE records (
  run INTEGER NOT NULL,
  page INTEGER NOT NULL,
  cells BLOB NOT NULL,
  digests BLOB NOT NULL,
  left_out BLOB NOT NULL,
  UNIQUE (run, page),
  FOREIGN KEY (run, page) REFERENCES pages (run, position)
);
)";

// Version 5 keeps the digests of a page's records only when the run left records out; a run that
// leaves out records collected before makes those of earlier runs from their cells. The tables are
// those of version 4.

// A new store's tables, made at once: the columns the versions before added, in their order.
constexpr const char* kRunsAndPages = R"(
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  project BLOB NOT NULL,
  settings BLOB NOT NULL,
  page_count INTEGER NOT NULL,
  group_count INTEGER NOT NULL,
  separator BLOB NOT NULL,
  started TEXT NOT NULL,
  ended TEXT,
  outcome TEXT NOT NULL CHECK (outcome IN ('running', 'stopped', 'finished')),
  captions BLOB NOT NULL DEFAULT x'',
  detail_captions BLOB NOT NULL DEFAULT x''
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
  depth INTEGER NOT NULL DEFAULT 0,
  next_address BLOB NOT NULL DEFAULT x'',
  PRIMARY KEY (run, position)
) WITHOUT ROWID;
)";

// The tables of the first version that a reader sees as those of version 2.
constexpr const char* kReadFirstVersion = R"(
CREATE TEMP VIEW runs AS SELECT *, x'' AS captions, x'' AS detail_captions FROM main.runs;
CREATE TEMP VIEW pages AS SELECT *, 0 AS depth, x'' AS next_address FROM main.pages;
CREATE TEMP TABLE details (run, page, position, address, record, matched, reason);
)";

constexpr const char* kNow = "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')";

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

// Fills into, a table of records of version 3, with the records of from, a table of records of
// versions 1 and 2 (a row a record); SQLite's result code.
int PackRecordsOfRows(sqlite3* database, const std::string& from, const std::string& into) {
  SqliteStatement rows(database, "SELECT run, page, cells, digest, left_out FROM " + from + " ORDER BY run, page, position");
  SqliteStatement insert(database, "INSERT INTO " + into + " (run, page, cells, digests, left_out) VALUES (?1, ?2, ?3, ?4, ?5)");
  StoredRecords stored;
  // The page whose records are gathered; no run has the number 0.
  long long run = 0;
  long long page = 0;
  // Writes the records gathered of the page before, when there are any.
  const auto writePage = [&] {
    if (stored.leftOut.empty()) return true;
    insert.Reset();
    insert.Bind(1, run).Bind(2, page).BindHeld(3, stored.cells).BindHeld(4, stored.digests);
    const bool written = insert.BindHeld(5, stored.leftOut).Run();
    stored = StoredRecords();
    return written;
  };
  while (rows.Step()) {
    if (rows.Integer(0) != run || rows.Integer(1) != page) {
      if (!writePage()) return insert.Code();
      run = rows.Integer(0);
      page = rows.Integer(1);
    }
    AppendStoredRecord(stored, rows.Bytes(2), rows.Bytes(3), rows.Integer(4) != 0);
  }
  if (rows.Failed()) return rows.Code();
  return writePage() ? SQLITE_OK : insert.Code();
}

// Fills the records table of version 4 with those of version 3 in from, their cells coded anew;
// SQLite's result code.
int RecodeRecords(sqlite3* database, const std::string& from) {
  SqliteStatement rows(database, "SELECT run, page, cells, digests, left_out FROM " + from + " ORDER BY run, page");
  SqliteStatement insert(database,
                         "INSERT INTO records (run, page, cells, digests, left_out) VALUES (?1, ?2, ?3, ?4, ?5)");
  std::string cells;
  while (rows.Step()) {
    StoreCellsOf(RecordsOfStoredCells(rows.Bytes(2), CellsCoding::Packed), cells);
    insert.Reset();
    insert.Bind(1, rows.Integer(0)).Bind(2, rows.Integer(1)).BindHeld(3, cells).Bind(4, rows.Bytes(3));
    if (!insert.Bind(5, rows.Bytes(4)).Run()) return insert.Code();
  }
  return rows.Failed() ? rows.Code() : SQLITE_OK;
}

// Brings a store of this version to the next one; SQLite's result code.
int MigrateStep(sqlite3* database, long long version) {
  if (version == 1) return ExecuteSql(database, std::string(kSecondVersion) + kDetailsTable);
  if (version == 4) return SQLITE_OK;
  const bool rowsPerRecord = version == 2;
  int code = ExecuteSql(database, std::string("ALTER TABLE records RENAME TO records_before; ") +
                                      (rowsPerRecord ? std::string("CREATE TABLE records") + kPageRecordsColumns
                                                     : kFourthVersion));
  if (code == SQLITE_OK) {
    code = rowsPerRecord ? PackRecordsOfRows(database, "records_before", "records")
                         : RecodeRecords(database, "records_before");
  }
  return code == SQLITE_OK ? ExecuteSql(database, "DROP TABLE records_before") : code;
}

// Runs the statements, then brings the store from version to the current one, all in one
// transaction; the fault when that fails, and then nothing changed.
Text Migrate(sqlite3* database, const std::string& path, const std::string& statements, long long version) {
  int code = ExecuteSql(database, "BEGIN IMMEDIATE;" + statements);
  for (; code == SQLITE_OK && version < kSchemaVersion; ++version) code = MigrateStep(database, version);
  if (code == SQLITE_OK) code = ExecuteSql(database, "PRAGMA user_version = " + std::to_string(kSchemaVersion) + "; COMMIT;");
  if (code == SQLITE_OK) return Text();
  const Text fault = StoreMessage(path, ReasonOf(code));
  ExecuteSql(database, "ROLLBACK");
  return fault;
}

// Reads a store of an older version as one of the current version, through temporary views and
// tables of the connection that stand in front of its own (a reader may not change the file); the
// records of versions 3 and 4 need none, those of version 3 are only read otherwise
// (CellsCoding::Packed).
int ReadOlderVersion(sqlite3* database, long long version) {
  if (version >= 3) return SQLITE_OK;
  int code = version == 1 ? ExecuteSql(database, kReadFirstVersion) : SQLITE_OK;
  if (code == SQLITE_OK) code = ExecuteSql(database, std::string("CREATE TEMP TABLE records") + kPageRecordsColumns);
  return code == SQLITE_OK ? PackRecordsOfRows(database, "main.records", "temp.records") : code;
}

// The number a pragma gives, or nothing with the failure's code.
std::optional<long long> PragmaNumber(sqlite3* database, const char* pragma, int& code) {
  SqliteStatement statement(database, std::string("PRAGMA ") + pragma);
  if (!statement.Step()) {
    code = statement.Failed() ? statement.Code() : SQLITE_NOTADB;
    return std::nullopt;
  }
  return statement.Integer(0);
}

// A file made ready to be used as a store, or why it cannot be one (fault), and how its records'
// cells are read: a store of an older version that is only read keeps them as it did.
struct PreparedSchema {
  Text fault;
  CellsCoding coding = CellsCoding::Referenced;
};

// Makes a new file a store, or checks that a file is one this program reads.
PreparedSchema PrepareSchema(sqlite3* database, const std::string& path, StoreUse use) {
  int code = SQLITE_OK;
  const std::optional<long long> application = PragmaNumber(database, "application_id", code);
  const std::optional<long long> version = PragmaNumber(database, "user_version", code);
  const std::optional<long long> objects = [&]() -> std::optional<long long> {
    SqliteStatement count(database, "SELECT count(*) FROM sqlite_schema");
    if (!count.Step()) {
      code = count.Code();
      return std::nullopt;
    }
    return count.Integer(0);
  }();
  if (!application || !version || !objects) return {StoreMessage(path, ReasonOf(code))};
  const bool empty = *application == 0 && *version == 0 && *objects == 0;
  if (empty && use == StoreUse::Run) {
    // A new store is made without waiting for the disk: the switch to WAL mode (the file's first
    // page, written through a rollback journal, each with its folder) and the tables. A power cut
    // may lose them, never half of them (the first page of an empty file holds bytes in its first
    // 106 only, within one sector), and leaves an empty file, the empty store that a run makes
    // anew. The switch's three disk syncs made a new store some 20 ms slower to begin.
    ExecuteSql(database, "PRAGMA synchronous = OFF");
    // Before the file has its first page, which the switch writes.
    if ((code = ExecuteSql(database, "PRAGMA page_size = " + std::to_string(kPageBytes))) != SQLITE_OK) {
      return {StoreMessage(path, ReasonOf(code))};
    }
    if ((code = ExecuteSql(database, "PRAGMA journal_mode = WAL")) != SQLITE_OK) {
      return {StoreMessage(path, ReasonOf(code))};
    }
    const Text fault = Migrate(database, path,
                               std::string(kRunsAndPages) + kFourthVersion + kDetailsTable + "PRAGMA application_id = " +
                                   std::to_string(kApplicationId) + ";",
                               kSchemaVersion);
    ExecuteSql(database, "PRAGMA synchronous = NORMAL");
    return {fault};
  }
  if (*application != kApplicationId) return {StoreMessage(path, T("不是 Pelmo 采集库"))};
  if (*version < 1 || *version > kSchemaVersion) {
    return {StoreMessage(path, T("的版本（") + runtime::ToText(static_cast<std::int64_t>(*version)) +
                                   T("）不受支持，本程序读取版本 1 到 ") + runtime::ToText(kSchemaVersion))};
  }
  if (*version == kSchemaVersion) return {};
  // A run brings an older store up to date; a reader reads it as it is.
  if (use == StoreUse::Run) return {Migrate(database, path, "", *version)};
  if ((code = ReadOlderVersion(database, *version)) != SQLITE_OK) return {StoreMessage(path, ReasonOf(code))};
  return {Text(), *version >= 4 ? CellsCoding::Referenced : CellsCoding::Packed};
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

StoreJournal::StoreJournal(RunStore& store, int runId, const StoreChoice& choice, int addressColumn)
    : store_(store), runId_(runId), choice_(choice), addressColumn_(addressColumn),
      writer_(std::make_unique<StoreWriter>(store.path_, runId)) {}

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
  SqliteStatement stored(store_.database_,
                         "SELECT status, attempts, first_reason, first_warning, reason, warning, row_count, depth, "
                         "next_address FROM pages WHERE run = ?1 AND position = ?2");
  if (!stored.Bind(1, runId_).Bind(2, position).Step()) {
    Fail(stored.Failed() ? stored.Code() : SQLITE_CORRUPT);
    return std::nullopt;
  }
  JournalPage page;
  page.address = processed_.at(position);
  page.status = static_cast<int>(stored.Integer(0));
  page.depth = static_cast<int>(stored.Integer(7));
  page.nextAddress = stored.Bytes(8);
  if (stored.Integer(1) == 2) page.attempts.push_back({page.address, 1, 0, stored.Bytes(2), stored.Bytes(3)});
  page.attempts.push_back({page.address, static_cast<int>(page.attempts.size()) + 1,
                           static_cast<int>(stored.Integer(6)), stored.Bytes(4), stored.Bytes(5)});
  SqliteStatement records(store_.database_, "SELECT cells, left_out FROM records WHERE run = ?1 AND page = ?2");
  if (records.Bind(1, runId_).Bind(2, position).Step()) {
    page.records = RecordsOfStoredCells(records.Bytes(0), store_.coding_);
    page.collectedBefore = StoredLeftOut(page.records, records.Bytes(1));
  }
  SqliteStatement details(store_.database_, "SELECT address, record, matched, reason FROM details "
                                            "WHERE run = ?1 AND page = ?2 ORDER BY position");
  details.Bind(1, runId_).Bind(2, position);
  while (details.Step()) {
    DetailPageResult& detail = page.details.emplace_back();
    detail.address = details.Bytes(0);
    detail.record = static_cast<int>(details.Integer(1));
    detail.matched = details.Integer(2) != 0;
    detail.failureReason = details.Bytes(3);
  }
  if (records.Failed() || details.Failed()) {
    Fail(records.Failed() ? records.Code() : details.Code());
    return std::nullopt;
  }
  return page;
}

std::vector<bool> StoreJournal::CollectedBefore(const RecordList& records) {
  std::vector<bool> collected(records.Size());
  if (!choice_.onlyNew) return collected;
  // Made once: Write keeps them with the page, whose records these are.
  StoreDigestsOf(records, {choice_.recordColumns, addressColumn_}, coding_);
  const std::string_view digests = coding_.digests;
  for (std::size_t i = 0; i < records.Size(); ++i) {
    collected[i] = std::binary_search(earlierDigests_.begin(), earlierDigests_.end(),
                                      digests.substr(i * kDigestBytes, kDigestBytes));
  }
  return collected;
}

bool StoreJournal::Write(int position, JournalPage page) {
  // Packed here, on the run's thread, while the page's text is at hand and fresh: the text goes
  // with the records told, and the writer takes only the bytes it stores.
  StoredRecords records;
  if (!page.records.Empty()) {
    StoreRecordsOf(page, coding_);
    // Only a run that leaves out records keeps their digests, those CollectedBefore made: a later
    // one that does makes those of the runs before from their cells, once, instead of every run
    // for every record.
    if (!choice_.onlyNew) coding_.digests.clear();
    records = coding_;
  }
  page.records = RecordList();
  if (writer_->Write(position, std::move(page), std::move(records))) return true;
  return Fail(writer_->FailureCode());
}

bool StoreJournal::Finish(const RunSummary& summary) {
  if (!writer_->Flush()) return Fail(writer_->FailureCode());
  SqliteStatement finish(store_.database_,
                         std::string("UPDATE runs SET outcome = ?1, ended = ") + kNow + " WHERE id = ?2");
  if (finish.BindWord(1, OutcomeName(summary.stopped ? RunOutcome::Stopped : RunOutcome::Finished)).Bind(2, runId_).Run()) {
    return true;
  }
  return Fail(finish.Code());
}

RunStore::RunStore(std::string path, sqlite3* database, int lockDescriptor, CellsCoding coding)
    : path_(std::move(path)), database_(database), lockDescriptor_(lockDescriptor), coding_(coding) {}

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
  SqliteStatement statement(database_, std::string("SELECT id, outcome, page_count, settings, separator, "
                                             "(SELECT count(*) FROM pages WHERE pages.run = runs.id AND depth = 0) "
                                             "FROM runs ") +
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
  SqliteStatement columns(database_, "SELECT group_count, captions, detail_captions FROM runs WHERE id = ?1");
  if (!columns.Bind(1, run.id).Step()) {
    Fail(columns.Failed() ? columns.Code() : SQLITE_NOTFOUND);
    return table;
  }
  if (run.pagesDone > 0) {
    // A run of the first version kept no captions: its columns were "文本 k".
    std::vector<Text> captions = UnpackCells(columns.Bytes(1));
    if (captions.empty()) captions = ColumnCaptions(1, static_cast<int>(columns.Integer(0)) + 2);
    table.AddColumns(captions);
    const std::vector<Text> detailCaptions = UnpackCells(columns.Bytes(2));
    if (!detailCaptions.empty()) table.AddDetailColumns(detailCaptions);
  }
  SqliteStatement rows(database_, "SELECT cells, left_out FROM records WHERE run = ?1 ORDER BY page");
  rows.Bind(1, run.id);
  while (rows.Step()) {
    const RecordList records = RecordsOfStoredCells(rows.Bytes(0), coding_);
    table.AddRows(records.Without(StoredLeftOut(records, rows.Bytes(1))));
  }
  if (rows.Failed()) {
    Fail(rows.Code());
    return ResultTable();
  }
  return table;
}

std::unique_ptr<StoreJournal> RunStore::BeginRun(const RunStartRequest& request) {
  const RunDigests digests = DigestsOf(request.settings, request.choice);
  const int groupCount = CompileRules(request.settings).groupCount;
  int runId = request.resumedRun;
  if (runId == 0) {
    const RunCaptions captions = CaptionsOfRun(request.settings, groupCount);
    SqliteStatement insert(database_, std::string("INSERT INTO runs (project, settings, page_count, group_count, separator, "
                                            "started, outcome, captions, detail_captions) VALUES (?1, ?2, ?3, ?4, ?5, ") +
                                    kNow + ", 'running', ?6, ?7)");
    insert.Bind(1, digests.project).Bind(2, digests.settings);
    insert.Bind(3, static_cast<long long>(request.settings.addresses.size())).Bind(4, groupCount);
    insert.Bind(6, PackCells(captions.list)).Bind(7, PackCells(captions.detail));
    if (!insert.Bind(5, request.separator).Run()) {
      Fail(insert.Code());
      return nullptr;
    }
    runId = static_cast<int>(sqlite3_last_insert_rowid(database_));
  } else {
    SqliteStatement resume(database_, "UPDATE runs SET outcome = 'running', ended = NULL, separator = ?1 "
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
  std::unique_ptr<StoreJournal> journal(new StoreJournal(*this, runId, request.choice, groupCount + 1));
  SqliteStatement pages(database_, "SELECT position, address FROM pages WHERE run = ?1");
  pages.Bind(1, runId);
  while (pages.Step()) journal->processed_.emplace(static_cast<int>(pages.Integer(0)), pages.Bytes(1));
  // The records of the project's earlier runs that ended: a run that died may never have
  // delivered its output.
  SqliteStatement earlier(database_, "SELECT records.digests, records.cells FROM records JOIN runs ON runs.id = "
                                     "records.run WHERE runs.project = ?1 AND runs.id <> ?2 AND runs.outcome <> 'running'");
  if (request.choice.onlyNew) {
    earlier.Bind(1, digests.project).Bind(2, runId);
    // The runs of the project have its rule and record columns: their records' key is this run's.
    const RecordKey key{request.choice.recordColumns, groupCount + 1};
    std::vector<std::string>& earlierDigests = journal->earlierDigests_;
    while (earlier.Step()) {
      const std::string stored = earlier.Bytes(0);
      if (!stored.empty()) {
        for (std::string& digest : StoredDigests(stored)) earlierDigests.push_back(std::move(digest));
        continue;
      }
      const RecordList records = RecordsOfStoredCells(earlier.Bytes(1), coding_);
      for (std::size_t i = 0; i < records.Size(); ++i) earlierDigests.push_back(RecordDigest(records, i, key));
    }
    std::sort(journal->earlierDigests_.begin(), journal->earlierDigests_.end());
  }
  if (pages.Failed() || earlier.Failed()) {
    Fail(pages.Failed() ? pages.Code() : earlier.Code());
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
  CellsCoding coding = CellsCoding::Referenced;
  const int flags = use == StoreUse::Run ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  const int code = sqlite3_open_v2(path.c_str(), &database, flags, nullptr);
  if (code != SQLITE_OK) {
    opening.fault = StoreMessage(path, ReasonOf(code));
  } else if (use == StoreUse::Run && sqlite3_db_readonly(database, "main") == 1) {
    opening.fault = StoreMessage(path, T("是只读的，无法写入"));
  } else {
    sqlite3_busy_timeout(database, kBusyMilliseconds);
    // In WAL mode a commit then waits for no disk sync, and the store stays whole if the power
    // fails; only the last commits may be lost then.
    if (use == StoreUse::Run) ExecuteSql(database, "PRAGMA synchronous = NORMAL");
    PreparedSchema schema = PrepareSchema(database, path, use);
    opening.fault = std::move(schema.fault);
    coding = schema.coding;
  }
  if (opening.fault.empty()) {
    opening.store.reset(new RunStore(path, database, lock, coding));
    return opening;
  }
  sqlite3_close_v2(database);
  if (created) ::unlink(path.c_str());
  if (lock >= 0) ::close(lock);
  return opening;
}

}  // namespace collect
