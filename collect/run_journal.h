// The engine's seam to a record of the run kept as it happens (the run store): the pages that an
// interrupted life of the run processed are told again from it instead of being fetched, and each
// page the run processes is handed to it once it is told.
#pragma once

#include <optional>
#include <vector>

#include "collect/result_table.h"
#include "collect/run_observer.h"
#include "runtime/text.h"

namespace collect {

// One processed page as the journal keeps it: enough to tell it again exactly as it was told.
struct JournalPage {
  runtime::Text address;
  // The last attempt's HTTP status; 0 when it got no answer.
  int status = 0;
  // The attempts in order: one, or two when the first found nothing.
  std::vector<AttemptResult> attempts;
  // Every record the last attempt found, in match order.
  std::vector<Record> records;
  // Per record: left out of the run, as an earlier run collected it already.
  std::vector<bool> collectedBefore;
};

// Every call comes from the thread that runs the engine, in the order of the run. Pages are known
// by their position in the run's processing order and their address.
class RunJournal {
public:
  virtual ~RunJournal() = default;
  // True when the run being resumed processed the page at position with this address; asked for
  // every page before the first download.
  virtual bool Processed(int position, const runtime::Text& address) = 0;
  // That page as it was processed; nothing when it cannot be read (the run then stops).
  virtual std::optional<JournalPage> Replay(int position) = 0;
  // Per record of a page, whether it is to be left out because an earlier run collected it.
  virtual std::vector<bool> CollectedBefore(const std::vector<Record>& records) = 0;
  // Keeps a page the run has processed and told; false when it cannot (the run then stops).
  virtual bool Write(int position, JournalPage page) = 0;
};

}  // namespace collect
