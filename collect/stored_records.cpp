// A page's records packed into the three blobs of its row in the store.
#include "collect/stored_records.h"

#include "collect/packed_cells.h"

namespace collect {

void AppendStoredRecord(StoredRecords& stored, std::string_view packedCells, std::string_view digest, bool leftOut) {
  AppendPackedCell(stored.cells, packedCells);
  stored.digests.append(digest);
  stored.leftOut.push_back(leftOut ? '\1' : '\0');
}

void StoreRecordsOf(const JournalPage& page, const RecordKey& key, StoredRecords& stored) {
  stored.cells.clear();
  stored.digests.clear();
  stored.leftOut.clear();
  const RecordList& records = page.records;
  for (std::size_t i = 0; i < records.Size(); ++i) {
    const int cellCount = records.CellCount(i);
    // The record's packed length first, then its cells packed straight after it: no copy of them.
    std::size_t length = 0;
    for (int cell = 0; cell < cellCount; ++cell) length += PackedLengthSize(records.Cell(i, cell).size()) + records.Cell(i, cell).size();
    char prefix[(sizeof(std::size_t) * 8 + 6) / 7];
    stored.cells.append(prefix, WritePackedLength(prefix, length));
    for (int cell = 0; cell < cellCount; ++cell) AppendPackedCell(stored.cells, records.Cell(i, cell));
    stored.digests.append(RecordDigest(records, i, key));
    stored.leftOut.push_back(page.collectedBefore[i] ? '\1' : '\0');
  }
}

RecordList RecordsOfStoredCells(std::string_view cells) {
  RecordList records;
  for (const runtime::Text& packed : UnpackCells(cells)) records.AddRecord(UnpackCells(packed));
  return records;
}

std::vector<bool> StoredLeftOut(const RecordList& records, std::string_view leftOut) {
  std::vector<bool> flags(records.Size());
  for (std::size_t i = 0; i < flags.size() && i < leftOut.size(); ++i) flags[i] = leftOut[i] != 0;
  return flags;
}

std::vector<std::string> StoredDigests(std::string_view digests) {
  std::vector<std::string> split;
  for (std::size_t at = 0; at + kDigestBytes <= digests.size(); at += kDigestBytes) {
    split.emplace_back(digests.substr(at, kDigestBytes));
  }
  return split;
}

}  // namespace collect
