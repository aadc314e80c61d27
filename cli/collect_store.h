// The run store of a `pelmo collect` run: opened, its unfinished run reported or resumed, and the
// run begun in it, all before any download.
#pragma once

#include <memory>
#include <string>

#include "collect/collection_project.h"
#include "collect/run_store.h"

namespace cli {

// The store and the journal of the run; both null when the project keeps no store.
struct CollectStore {
  std::unique_ptr<collect::RunStore> store;
  std::unique_ptr<collect::StoreJournal> journal;
};

struct CollectStoreStart {
  CollectStore store;
  // A line for standard error before the run, in UTF-8 with its line break; empty for none.
  std::string notice;
  // Why the run cannot start, in UTF-8 without a line break; empty when it can.
  std::string error;
};

// Opens the project's store for the run over settings and begins the run in it. The store's last
// run, when it did not finish, is carried on with resume and the same settings; without resume it
// is reported (InterruptedRunNotice), with other settings too (OtherSettingsNotice), and a new run
// begins.
CollectStoreStart BeginCollectStore(const collect::CollectionProject& project,
                                    const collect::CollectionSettings& settings, bool resume);

}  // namespace cli
