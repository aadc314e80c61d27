// A list page's records as the run store keeps them: in one row of the page, their cells, their
// digests and whether each was left out each packed together, so that a page costs the store one
// insert however many records it holds.
//
// The cells from store version 4 on (CellsCoding::Referenced): a byte that names the coding (1),
// then each record: its number of cells (a length as packed_cells.h writes it), then each cell as
// a head, a length whose two low bits say what the cell is and whose other bits hold a length:
//   0  bytes of its own: that many bytes follow (an empty cell is the one byte 0);
//   1  bytes of the record's first cell: their offset there follows, as a length;
//   2  the same as the cell of the same column in the record before (the length is 0);
//   3  the first P and the last S bytes of the cell of the same column in the record before with
//      bytes of its own between them: P and S follow, as lengths, then those bytes (as many as the
//      head says); the cell is at most 32 times the bytes coding it.
// A record's groups lie in its first cell, the whole match, every record of a page repeats the
// page's address, and the matches of a page differ from each other in a few places: a group costs
// two or three bytes, a repeated cell a byte, a whole match its differences and a few bytes.
// A later coding takes another first byte, and a store version of its own, so that this program
// refuses a store it could not read. Versions 1 to 3 kept each record's cells packed (PackCells),
// packed in turn as one cell each (CellsCoding::Packed).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "collect/result_table.h"
#include "collect/run_digests.h"
#include "collect/run_journal.h"

namespace collect {

// How the cells of a store's records are written: Packed in stores of versions 1 to 3, Referenced
// from version 4 on.
enum class CellsCoding { Packed, Referenced };

struct StoredRecords {
  // The records' cells in one of the codings.
  std::string cells;
  // The records' digests (RecordDigest, kDigestBytes each) one after the other; empty when the
  // run kept none (it left out no records), and then made from the cells by a run that needs them.
  std::string digests;
  // A byte a record: 1 when it was left out as collected before, 0 when it was kept.
  std::string leftOut;
};

// Appends one record, its cells already packed (PackCells), to stored in the Packed coding.
void AppendStoredRecord(StoredRecords& stored, std::string_view packedCells, std::string_view digest, bool leftOut);
// Fills stored's cells and flags with the page's records in order, their cells Referenced (its
// digests stay as they are); the buffers are kept, so that one StoredRecords serves page after
// page without new memory.
void StoreRecordsOf(const JournalPage& page, StoredRecords& stored);
// Fills stored's digests with those of records, made with key.
void StoreDigestsOf(const RecordList& records, const RecordKey& key, StoredRecords& stored);
// Writes the cells of records in the Referenced coding into cells, replacing what it held.
void StoreCellsOf(const RecordList& records, std::string& cells);
// The records of stored cells in order, slices of those bytes. Damaged bytes give fewer records,
// or fewer or shorter cells, never a read past the bytes; a coding byte this program does not
// know gives no records.
RecordList RecordsOfStoredCells(runtime::Text cells, CellsCoding coding);
// Per record of records, whether the stored flags say it was left out; a record past the flags
// was kept.
std::vector<bool> StoredLeftOut(const RecordList& records, std::string_view leftOut);
// The digests of stored digests, one string each; a damaged tail shorter than a digest is none.
std::vector<std::string> StoredDigests(std::string_view digests);

}  // namespace collect
