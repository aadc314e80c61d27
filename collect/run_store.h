// The run store: a project's runs kept in an SQLite file as they happen. Each processed page is
// written with its rows in one transaction, so a run that dies loses nothing it processed, can be
// resumed where it stopped, and later runs can leave out the records it collected.
//
// Tables: runs (project and settings digests, page count, groups of the rule, separator, start,
// end, outcome, the captions of the list and the detail columns), pages (the run's list pages:
// run, position in the run's processing order, address, depth in its chain of next pages, state,
// HTTP status, attempts with their reasons and warnings, rows, next-page link, time), records (a
// row a page with records: run, page, the records' cells with the detail cells, their digests
// when the run left out records, whether each was left out as collected before; StoredRecords)
// and details (run, page, position, the detail pages the page took and its records without a
// link: address, record, whether the rule matched, failure reason). WAL mode; the schema version
// is the file's user_version: a store of version 1 (no links), 2 (a row a record), 3 (cells packed
// whole, in a table without row ids) or 4 (every record's digest kept) is brought to version 5
// when a run opens it, and read as it is otherwise.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "collect/collection_project.h"
#include "collect/collection_settings.h"
#include "collect/result_table.h"
#include "collect/run_digests.h"
#include "collect/run_journal.h"
#include "collect/store_writer.h"
#include "collect/stored_records.h"
#include "runtime/text.h"

struct sqlite3;

namespace collect {

// Run: the store is written (created when missing) and held against every other run until it is
// closed. Read: only read, beside a run that may be writing it.
enum class StoreUse { Run, Read };

// Running also stands for a run that died: nothing ended it.
enum class RunOutcome { Running, Stopped, Finished };

struct StoredRun {
  int id = 0;  // 1 for the first run of the store, and so on
  RunOutcome outcome = RunOutcome::Running;
  int pagesDone = 0;  // addresses of the run whose page was processed and kept (next pages aside)
  int pageCount = 0;
  std::string settingsDigest;  // RunDigests::settings of the run
  runtime::Text separator;     // the export separator the run was started with
};

// What a run begins with: its settings and store choice, its separator (kept for `pelmo export`),
// and the unfinished run it carries on (its settings must be the same), or 0 for a new run.
struct RunStartRequest {
  const CollectionSettings& settings;
  const StoreChoice& choice;
  runtime::Text separator;
  int resumedRun = 0;
};

class RunStore;
struct StoreOpening;

// The journal of one run in the store: the pages the resumed run processed are replayed from it,
// records are looked up among those of the project's earlier runs that ended (stopped or
// finished; their digests are read when the run begins), and each processed page is written with
// its records in one transaction by a writer of its own. Lives no longer than its store; when it
// goes, what is queued is written.
class StoreJournal final : public RunJournal {
public:
  ~StoreJournal() override;

  int RunId() const { return runId_; }
  // Marks the run stopped (when the summary says so) or finished; false, with Fault(), when the
  // store cannot be written.
  bool Finish(const RunSummary& summary);
  // Why the store could not be read or written during the run, as the user is told; empty when
  // nothing went wrong.
  const runtime::Text& Fault() const { return fault_; }

  bool Processed(int position, const runtime::Text& address) override;
  std::optional<JournalPage> Replay(int position) override;
  std::vector<bool> CollectedBefore(const RecordList& records) override;
  // Packs the page's records (StoreRecordsOf) and queues the page for the store's writer
  // (StoreWriter); false once a write failed.
  bool Write(int position, JournalPage page) override;

private:
  friend class RunStore;
  StoreJournal(RunStore& store, int runId, const StoreChoice& choice, int addressColumn);
  bool Fail(int code);

  RunStore& store_;
  int runId_;
  StoreChoice choice_;
  int addressColumn_;  // the records' page address cell
  std::map<int, runtime::Text> processed_;  // the resumed run's pages: position -> address
  std::vector<std::string> earlierDigests_;  // sorted; those of the project's earlier runs
  // The page's records are coded here, in memory that serves page after page, and queued as
  // copies of their exact size: coding into new strings grew each one a few times over.
  StoredRecords coding_;
  runtime::Text fault_;
  // Last, so that it writes what is queued while everything else is still there.
  std::unique_ptr<StoreWriter> writer_;
};

class RunStore {
public:
  ~RunStore();
  RunStore(const RunStore&) = delete;
  RunStore& operator=(const RunStore&) = delete;

  // The run with the highest id; nothing in a store without runs, or when it cannot be read
  // (then with Fault()).
  std::optional<StoredRun> LatestRun();
  // The run with this id; nothing when there is none, or when it cannot be read (with Fault()).
  std::optional<StoredRun> FindRun(int id);
  // The latest run when it did not finish (stopped or died); nothing otherwise.
  std::optional<StoredRun> UnfinishedRun();
  // The table of a run as its list held it: the columns of the rule once a page was processed,
  // and the rows it kept (not those left out as collected before), pages in order. Empty, with
  // Fault(), when it cannot be read.
  ResultTable ReadTable(const StoredRun& run);
  // Begins a run: a new one, or the resumed run marked running again with its processed pages.
  // Null, with Fault(), when the store cannot be written (the store must be open for Run).
  std::unique_ptr<StoreJournal> BeginRun(const RunStartRequest& request);
  // Why the last call failed, as the user is told: "采集库 “FILE” 所在的磁盘已满" and the like.
  const runtime::Text& Fault() const { return fault_; }

private:
  friend class StoreJournal;
  friend StoreOpening OpenRunStore(const std::string& path, StoreUse use);
  RunStore(std::string path, sqlite3* database, int lockDescriptor, CellsCoding coding);
  // The first run of "SELECT … FROM runs condition", with ?1 bound to id when given.
  std::optional<StoredRun> RunWhere(const char* condition, std::optional<int> id);
  // Sets Fault() from an SQLite result code (or the database's last error) and returns it.
  const runtime::Text& Fail(int code);

  std::string path_;
  sqlite3* database_;
  int lockDescriptor_;
  CellsCoding coding_;  // of the records' cells: Packed in an older store only read
  runtime::Text fault_;
};

// A store opened, or why it could not be: "采集库 “FILE” 正由另一个采集使用" (another run holds
// it), "… 是只读的，无法写入", "… 所在的磁盘已满", "… 不是 Pelmo 采集库" (not SQLite, or SQLite
// of another program), "… 的版本（N）不受支持，本程序读取版本 1 到 5", or SQLite's own words. Opened for
// Run, a missing file is created with the tables; a file that could not be made a store is
// removed again.
struct StoreOpening {
  std::unique_ptr<RunStore> store;
  runtime::Text fault;
};

StoreOpening OpenRunStore(const std::string& path, StoreUse use);

}  // namespace collect
