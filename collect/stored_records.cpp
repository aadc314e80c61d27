// A page's records packed into the three blobs of its row in the store, and read back.
#include "collect/stored_records.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>

#include "collect/packed_cells.h"

namespace collect {
namespace {

// The first byte of cells in the Referenced coding.
constexpr char kReferencedCoding = 1;

// What a cell's head says it is (its two low bits).
enum CellKind : std::size_t { kOwnBytes = 0, kInFirstCell = 1, kAsBefore = 2 };
constexpr int kKindBits = 2;
constexpr std::size_t kKindMask = (std::size_t{1} << kKindBits) - 1;

void AppendHead(std::string& cells, CellKind kind, std::size_t length) {
  AppendPackedLength(cells, length << kKindBits | kind);
}

RecordList PackedRecords(std::string_view cells) {
  RecordList records;
  for (const runtime::Text& packed : UnpackCells(cells)) records.AddRecord(UnpackCells(packed));
  return records;
}

RecordList ReferencedRecords(runtime::Text bytes) {
  const auto source = std::make_shared<const runtime::Text>(std::move(bytes));
  RecordList records(source);
  if (source->empty() || source->front() != kReferencedCoding) return records;
  const char* const begin = source->data();
  const char* const end = begin + source->size();
  const char* in = begin + 1;
  struct Slice {
    std::size_t start = 0;
    std::size_t length = 0;
  };
  // The cells of the record read last and of the one being read.
  std::vector<Slice> before;
  std::vector<Slice> cells;
  const auto left = [&] { return static_cast<std::size_t>(end - in); };
  while (in < end) {
    // A cell takes a byte at least: a count past the bytes left is damage.
    const std::size_t count = std::min({ReadPackedLength(in, end), left(), std::size_t{INT_MAX}});
    const std::size_t record = records.Size();
    records.AddEmptyRecord(static_cast<int>(count));
    cells.assign(count, Slice());
    for (std::size_t column = 0; column < count && in < end; ++column) {
      const std::size_t head = ReadPackedLength(in, end);
      const std::size_t length = head >> kKindBits;
      Slice& cell = cells[column];
      switch (head & kKindMask) {
        case kOwnBytes:
          cell = {static_cast<std::size_t>(in - begin), std::min(length, left())};
          in += cell.length;
          break;
        case kInFirstCell: {
          // The first cell of a record is its own: a slice of it there is empty.
          const Slice first = cells.front();
          const std::size_t offset = std::min(ReadPackedLength(in, end), first.length);
          cell = {first.start + offset, std::min(length, first.length - offset)};
          break;
        }
        case kAsBefore:
          if (column < before.size()) cell = before[column];
          break;
        default:
          return records;
      }
      records.SetSlice(record, static_cast<int>(column), cell.start, cell.length);
    }
    before.swap(cells);
  }
  return records;
}

}  // namespace

void AppendStoredRecord(StoredRecords& stored, std::string_view packedCells, std::string_view digest, bool leftOut) {
  AppendPackedCell(stored.cells, packedCells);
  stored.digests.append(digest);
  stored.leftOut.push_back(leftOut ? '\1' : '\0');
}

void StoreRecordsOf(const JournalPage& page, const RecordKey& key, StoredRecords& stored) {
  const RecordList& records = page.records;
  StoreCellsOf(records, stored.cells);
  stored.digests.clear();
  stored.leftOut.clear();
  for (std::size_t i = 0; i < records.Size(); ++i) {
    stored.digests.append(RecordDigest(records, i, key));
    stored.leftOut.push_back(page.collectedBefore[i] ? '\1' : '\0');
  }
}

void StoreCellsOf(const RecordList& records, std::string& cells) {
  cells.assign(1, kReferencedCoding);
  for (std::size_t record = 0; record < records.Size(); ++record) {
    const int count = records.CellCount(record);
    AppendPackedLength(cells, static_cast<std::size_t>(count));
    for (int column = 0; column < count; ++column) {
      const std::string_view cell = records.Cell(record, column);
      if (!cell.empty() && record > 0 && cell == records.Cell(record - 1, column)) {
        AppendHead(cells, kAsBefore, 0);
        continue;
      }
      const std::optional<std::size_t> start =
          column > 0 && !cell.empty() ? records.StartInFirstCell(record, column) : std::nullopt;
      if (start && PackedLengthSize(*start) < cell.size()) {
        AppendHead(cells, kInFirstCell, cell.size());
        AppendPackedLength(cells, *start);
      } else {
        AppendHead(cells, kOwnBytes, cell.size());
        cells.append(cell);
      }
    }
  }
}

RecordList RecordsOfStoredCells(runtime::Text cells, CellsCoding coding) {
  return coding == CellsCoding::Packed ? PackedRecords(cells) : ReferencedRecords(std::move(cells));
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
