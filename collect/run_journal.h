// The engine's seam to a record of the run kept as it happens (the run store): the pages that an
// interrupted life of the run processed are told again from it instead of being fetched, and each
// page the run processes is handed to it once it is told.
#pragma once

#include <optional>
#include <vector>

#include "collect/record_list.h"
#include "collect/run_observer.h"
#include "runtime/text.h"

namespace collect {

// One processed list page as the journal keeps it: enough to tell it again exactly as it was told,
// and to go on from it.
struct JournalPage {
  runtime::Text address;
  // Next-page links followed from the run's address to this page: 0 for the address itself.
  int depth = 0;
  // The last attempt's HTTP status; 0 when it got no answer.
  int status = 0;
  // The attempts in order: one, or two when the first found nothing.
  std::vector<AttemptResult> attempts;
  // Every record the last attempt found, in match order, with its detail page's cells.
  RecordList records;
  // Per record: left out of the run, as an earlier run collected it already.
  std::vector<bool> collectedBefore;
  // The page's next-page link, resolved (whether the run followed it or not); empty when it has
  // none or the run follows no next pages.
  runtime::Text nextAddress;
  // The detail pages the page took (each address the first time the run met it) and its records
  // without a link, in the order they were told; their cells are those of the record they were
  // taken for. The list address and the progress are not kept: the run tells them again.
  std::vector<DetailPageResult> details;
};

// Every call comes from the thread that runs the engine, in the order of the run. Pages are the
// run's list pages (its addresses and the next pages followed from them), known by their position
// in the run's processing order (0 for the first address) and their address.
class RunJournal {
public:
  virtual ~RunJournal() = default;
  // True when the run being resumed processed the page at position with this address; asked for
  // each page as its turn comes.
  virtual bool Processed(int position, const runtime::Text& address) = 0;
  // That page as it was processed; nothing when it cannot be read (the run then stops).
  virtual std::optional<JournalPage> Replay(int position) = 0;
  // Per record of a page, whether it is to be left out because an earlier run collected it.
  virtual std::vector<bool> CollectedBefore(const RecordList& records) = 0;
  // Keeps a page the run has processed and told; false when it cannot (the run then stops). Its
  // records are those CollectedBefore was last asked about.
  virtual bool Write(int position, JournalPage page) = 0;
};

}  // namespace collect
