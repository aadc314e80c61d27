// Beginning a `pelmo collect` run in its store.
#include "cli/collect_store.h"

#include "collect/run_digests.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"

namespace cli {

CollectStoreStart BeginCollectStore(const collect::CollectionProject& project,
                                    const collect::CollectionSettings& settings, bool resume) {
  CollectStoreStart start;
  if (project.store.file.empty()) return start;
  collect::StoreOpening opening = collect::OpenRunStore(project.store.file, collect::StoreUse::Run);
  if (!opening.store) {
    start.error = runtime::TextToUtf8(opening.fault);
    return start;
  }
  collect::RunStore& store = *opening.store;
  const std::optional<collect::StoredRun> unfinished = store.UnfinishedRun();
  if (!store.Fault().empty()) {
    start.error = runtime::TextToUtf8(store.Fault());
    return start;
  }
  int resumed = 0;
  if (unfinished && !resume) {
    start.notice = runtime::TextToUtf8(collect::InterruptedRunNotice(unfinished->pagesDone, unfinished->pageCount)) + "\n";
  } else if (unfinished && unfinished->settingsDigest != collect::DigestsOf(settings, project.store).settings) {
    start.notice = runtime::TextToUtf8(collect::OtherSettingsNotice()) + "\n";
  } else if (unfinished) {
    resumed = unfinished->id;
  }
  start.store.journal = store.BeginRun(
      {.settings = settings, .choice = project.store, .separator = project.separator, .resumedRun = resumed});
  if (!start.store.journal) {
    start.error = runtime::TextToUtf8(store.Fault());
    return start;
  }
  start.store.store = std::move(opening.store);
  return start;
}

}  // namespace cli
