// The writing side of a run's journal: processed pages written to the store on a thread of their
// own over a connection of their own, so the run does not wait for the disk. Each page goes with
// its records into one transaction; the pages that come within a short wait, or faster than they
// are written, share one, and a transaction never holds part of a page.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "collect/run_journal.h"
#include "collect/stored_records.h"

struct sqlite3;

namespace collect {

class StoreWriter {
public:
  // Writes the pages of run runId into the store file at path, over a connection the writer opens
  // on its thread. A connection that cannot be opened fails the first write.
  StoreWriter(const std::string& path, int runId);
  // Writes what is queued, then ends.
  ~StoreWriter();
  StoreWriter(const StoreWriter&) = delete;
  StoreWriter& operator=(const StoreWriter&) = delete;

  // Queues a processed page with its records as stored (the page's own list of records is not
  // read); waits while many pages (4,096, or 64 MiB of records) wait already. False once a write
  // failed.
  bool Write(int position, JournalPage page, StoredRecords records);
  // Waits until every queued page is written; false when one could not be.
  bool Flush();
  // SQLite's result code of the write that failed; SQLITE_OK (0) while none did.
  int FailureCode();

private:
  struct QueuedPage {
    int position = 0;
    JournalPage page;
    StoredRecords records;
  };

  // Opens the connection and prepares the statements; SQLite's result code.
  int Open();
  void Work();
  // Whether the writer stops gathering pages for its next transaction and writes them.
  bool Gathered() const;
  // Writes the pages in one transaction; SQLite's result code.
  int WriteAll(const std::vector<QueuedPage>& pages);

  struct Statements;

  const int runId_;
  const std::string path_;
  sqlite3* database_ = nullptr;  // the worker's, once it opened it
  std::unique_ptr<Statements> statements_;  // prepared once, used by the worker only
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<QueuedPage> queue_;
  std::size_t queuedBytes_ = 0;  // what the records of the pages queued hold
  bool writing_ = false;
  bool flushing_ = false;  // Flush() waits: nothing is gathered
  bool closing_ = false;
  int failure_ = 0;
  std::thread worker_;
};

}  // namespace collect
