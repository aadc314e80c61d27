// The digests that the run store tells runs and records apart by: SHA-256, cut to 16 bytes.
#pragma once

#include <string>
#include <vector>

#include "collect/collection_project.h"
#include "collect/collection_settings.h"
#include "collect/record_list.h"

namespace collect {

// What a run is compared by: the project it belongs to (what decides the cells of its records:
// the rule, the markers, the encoding, the detail stage when there is one and the record columns)
// and its settings (what decides its output: the project's digest, the addresses, the cookie, the
// page size limit, whether records collected before are left out, and the next-page settings when
// next pages are followed). The separator, the export format and the fetching limits are not in
// either: the stored records do not depend on them. A run that follows no links has the digests
// it had before runs could.
struct RunDigests {
  std::string project;
  std::string settings;
};

RunDigests DigestsOf(const CollectionSettings& settings, const StoreChoice& choice);

// Which cells of a run's records tell them apart: those of columns (caption numbers, detail
// columns counted after the page address), or, without any, every cell but the first (the whole
// match) and the page address's (addressColumn, 0-based), detail cells included; for a rule
// without groups (addressColumn 1), the whole match too.
struct RecordKey {
  std::vector<int> columns;
  int addressColumn = 0;
};

// The length of every digest here, a record's too.
constexpr std::size_t kDigestBytes = 16;

// The digest of the cells key names in a record of the list (a column the record lacks counts as
// empty).
std::string RecordDigest(const RecordList& records, std::size_t record, const RecordKey& key);

}  // namespace collect
