// What a front end hears of a run, as typed events. Every call comes from the thread that runs the
// engine, in the order of the run; StopRequested may also be asked from download threads.
#pragma once

#include <vector>

#include "collect/result_table.h"
#include "runtime/text.h"

namespace collect {

struct RunProgress {
  int page = 0;       // 1-based page whose turn it is
  int pageCount = 0;
  int pagesDone = 0;  // pages processed before this one
  int pagesFailed = 0;
};

// One attempt at a page: the first, or the second after a first that found no record.
struct AttemptStart {
  runtime::Text address;
  int attempt = 1;
};

// How an attempt at a page ended.
struct AttemptResult {
  runtime::Text address;
  int attempt = 1;
  int rowsFound = 0;
  // Why the page failed ("无法连接: Connection refused", "HTTP 404"); empty when it did not.
  runtime::Text failureReason;
  // A note that is not a failure (the page declares another encoding than it was read with).
  runtime::Text warning;
};

struct RunSummary {
  int pageCount = 0;
  int pagesDone = 0;    // pages processed to the end (both attempts where there were two)
  int pagesFailed = 0;  // pages whose last attempt failed
  int rowCount = 0;     // rows in the table at the end, earlier ones included
  // Records found but left out, as an earlier run collected them already (only new records).
  int rowsCollectedBefore = 0;
  bool stopped = false;
  std::vector<runtime::Text> failedAddresses;  // in run order
};

class RunObserver {
public:
  virtual ~RunObserver() = default;
  // A run over pageCount addresses begins.
  virtual void RunStarted(int /*pageCount*/) {}
  // A page's turn begins.
  virtual void PageStarted(const RunProgress&) {}
  // An attempt at a page begins: its answer is in hand.
  virtual void AttemptStarted(const AttemptStart&) {}
  // The prepared text of the page in hand.
  virtual void PageText(const runtime::Text&) {}
  // Columns to append to the result table, by caption, before the records that need them.
  virtual void ColumnsAdded(const std::vector<runtime::Text>&) {}
  // The rows of one attempt, in match order.
  virtual void RecordsFound(std::vector<Record>) {}
  // An attempt has been matched and its rows told.
  virtual void AttemptFinished(const AttemptResult&) {}
  // The run has ended, after its last page or a stop.
  virtual void RunFinished(const RunSummary&) {}
  // True once the user asked the run to stop; downloads in flight are then abandoned.
  virtual bool StopRequested() const { return false; }
};

}  // namespace collect
