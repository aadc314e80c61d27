// What a front end hears of a run, as typed events. Every call comes from the thread that runs the
// engine, in the order of the run; StopRequested may also be asked from download threads.
#pragma once

#include <vector>

#include "collect/record_list.h"
#include "runtime/text.h"

namespace collect {

// Where a run stands. Without next pages the list pages are the run's addresses; with them, the
// next pages found so far count as well.
struct RunProgress {
  int page = 0;       // 1-based list page whose turn it is
  int pageCount = 0;  // list pages known so far
  int pagesDone = 0;  // list pages processed before this one
  int pagesFailed = 0;
  bool followsNextPages = false;
  bool fetchesDetailPages = false;
  int detailPagesDone = 0;
  int detailPageCount = 0;  // distinct detail pages known so far
  int detailPagesFailed = 0;
};

// How a record's detail page went: taken (whether its rule matched, why its download failed), or
// not there because the record's link is empty.
struct DetailPageResult {
  // The detail page's address; empty when the record's link was empty.
  runtime::Text address;
  // The list page and the 1-based number of the record there, which the link came from.
  runtime::Text listAddress;
  int record = 0;
  bool matched = false;
  // Why the download failed ("HTTP 404"); empty when it did not.
  runtime::Text failureReason;
  // The run's progress with this page counted.
  RunProgress progress;
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
  // A note that is not a failure: the page declares another encoding than it was read with, or
  // the matching was given up (TooComplexNote), both joined by "；" when both apply.
  runtime::Text warning;
};

struct RunSummary {
  int pageCount = 0;
  // Addresses processed to the end (both attempts where there were two), with the next pages
  // followed from them.
  int pagesDone = 0;
  int pagesFailed = 0;  // list pages whose last attempt failed, next pages included
  int detailPagesFailed = 0;
  int rowCount = 0;     // rows in the table at the end, earlier ones included
  // Records found but left out, as an earlier run collected them already (only new records).
  int rowsCollectedBefore = 0;
  bool stopped = false;
  std::vector<runtime::Text> failedAddresses;  // list pages, in run order
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
  // The prepared text of the page in hand, told only to an observer that wants it: a page matched
  // in UTF-8 is converted for it.
  virtual bool WantsPageText() const { return false; }
  virtual void PageText(const runtime::Text&) {}
  // Columns to append to the result table, by caption, before the records that need them: the
  // whole match, the groups and the page address.
  virtual void ColumnsAdded(const std::vector<runtime::Text>&) {}
  // Columns of the detail pages' cells to append after them (ResultTable::AddDetailColumns); an
  // observer that does not tell them apart hears them as ColumnsAdded.
  virtual void DetailColumnsAdded(const std::vector<runtime::Text>& captions) { ColumnsAdded(captions); }
  // A detail page for the records of the page in hand was taken (each address once in a run), or
  // a record has no link; told before the page's records.
  virtual void DetailPageFinished(const DetailPageResult&) {}
  // The rows of one attempt, in match order.
  virtual void RecordsFound(RecordList) {}
  // An attempt has been matched and its rows told.
  virtual void AttemptFinished(const AttemptResult&) {}
  // The run has ended, after its last page or a stop.
  virtual void RunFinished(const RunSummary&) {}
  // True once the user asked the run to stop; downloads in flight are then abandoned.
  virtual bool StopRequested() const { return false; }
};

}  // namespace collect
