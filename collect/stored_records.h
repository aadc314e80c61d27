// A list page's records as the run store keeps them: in one row of the page, their cells, their
// digests and whether each was left out each packed together, so that a page costs the store one
// insert however many records it holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "collect/result_table.h"
#include "collect/run_digests.h"
#include "collect/run_journal.h"

namespace collect {

struct StoredRecords {
  // Each record's cells packed (PackCells), packed in turn as one cell each.
  std::string cells;
  // The records' digests (RecordDigest, kDigestBytes each) one after the other.
  std::string digests;
  // A byte a record: 1 when it was left out as collected before, 0 when it was kept.
  std::string leftOut;
};

// Appends one record, its cells already packed (PackCells), to stored.
void AppendStoredRecord(StoredRecords& stored, std::string_view packedCells, std::string_view digest, bool leftOut);
// Fills stored with the page's records in order, their digests made with key; the buffers are
// kept, so that one StoredRecords serves page after page without new memory.
void StoreRecordsOf(const JournalPage& page, const RecordKey& key, StoredRecords& stored);
// The records of stored cells in order. Damaged bytes give fewer or shorter cells, never more
// than the bytes hold.
RecordList RecordsOfStoredCells(std::string_view cells);
// Per record of records, whether the stored flags say it was left out; a record past the flags
// was kept.
std::vector<bool> StoredLeftOut(const RecordList& records, std::string_view leftOut);
// The digests of stored digests, one string each; a damaged tail shorter than a digest is none.
std::vector<std::string> StoredDigests(std::string_view digests);

}  // namespace collect
