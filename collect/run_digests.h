// The digests that the run store tells runs and records apart by: SHA-256, cut to 16 bytes.
#pragma once

#include <string>
#include <vector>

#include "collect/collection_project.h"
#include "collect/collection_settings.h"
#include "collect/result_table.h"

namespace collect {

// What a run is compared by: the project it belongs to (what decides the cells of its records:
// the rule, the markers, the encoding and the record columns) and its settings (what decides its
// output: the project's digest, the addresses, the cookie, the page size limit and whether records
// collected before are left out). The separator, the export format and the fetching limits are
// not in either: the stored records do not depend on them.
struct RunDigests {
  std::string project;
  std::string settings;
};

RunDigests DigestsOf(const CollectionSettings& settings, const StoreChoice& choice);

// The digest of the cells that tell a record apart: those of recordColumns (caption numbers; a
// column the record lacks counts as empty), or, without any, every cell but the first (the whole
// match) and the last (the page address); for a rule without groups, the whole match.
std::string RecordDigest(const Record& record, const std::vector<int>& recordColumns);

}  // namespace collect
