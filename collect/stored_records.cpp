// A page's records packed into the three blobs of its row in the store, and read back.
#include "collect/stored_records.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "collect/packed_cells.h"

namespace collect {
namespace {

// The first byte of cells in the Referenced coding.
constexpr char kReferencedCoding = 1;

// What a cell's head says it is (its two low bits).
enum CellKind : std::size_t { kOwnBytes = 0, kInFirstCell = 1, kAsBefore = 2, kSharedEnds = 3 };
constexpr int kKindBits = 2;
constexpr std::size_t kKindMask = (std::size_t{1} << kKindBits) - 1;
// A cell that shares its ends with the one before is at most this many times the bytes that code
// it: what damaged cells make the reader copy stays within a multiple of their bytes.
constexpr std::size_t kMostSharedGrowth = 32;

void AppendHead(std::string& cells, CellKind kind, std::size_t length) {
  AppendPackedLength(cells, length << kKindBits | kind);
}

// The bytes a cell takes coded as the bytes of its own.
std::size_t OwnBytesSize(std::string_view cell) {
  return PackedLengthSize(cell.size() << kKindBits) + cell.size();
}

// The ends a cell shares with the one before: its first prefix and last suffix bytes.
struct SharedEnds {
  std::size_t prefix = 0;
  std::size_t suffix = 0;
};

// Eight bytes at a time while they can be: the matches of a page share long ends.
SharedEnds SharedEndsOf(std::string_view cell, std::string_view before) {
  const std::size_t most = std::min(cell.size(), before.size());
  const auto word = [](const char* at) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
  };
  SharedEnds ends;
  while (ends.prefix + 8 <= most && word(cell.data() + ends.prefix) == word(before.data() + ends.prefix)) {
    ends.prefix += 8;
  }
  while (ends.prefix < most && cell[ends.prefix] == before[ends.prefix]) ++ends.prefix;
  const char* const cellEnd = cell.data() + cell.size();
  const char* const beforeEnd = before.data() + before.size();
  while (ends.prefix + ends.suffix + 8 <= most &&
         word(cellEnd - ends.suffix - 8) == word(beforeEnd - ends.suffix - 8)) {
    ends.suffix += 8;
  }
  while (ends.prefix + ends.suffix < most && *(cellEnd - ends.suffix - 1) == *(beforeEnd - ends.suffix - 1)) {
    ++ends.suffix;
  }
  return ends;
}

// The bytes a cell takes coded by the ends it shares with the one before.
std::size_t SharedEndsSize(std::string_view cell, const SharedEnds& ends) {
  const std::size_t middle = cell.size() - ends.prefix - ends.suffix;
  return PackedLengthSize(middle << kKindBits) + PackedLengthSize(ends.prefix) + PackedLengthSize(ends.suffix) + middle;
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
  const auto left = [&] { return static_cast<std::size_t>(end - in); };
  runtime::Text joined;
  while (in < end) {
    // A cell takes a byte at least: a count past the bytes left is damage.
    const std::size_t count = std::min({ReadPackedLength(in, end), left(), std::size_t{INT_MAX}});
    const std::size_t record = records.Size();
    records.AddEmptyRecord(static_cast<int>(count));
    for (int column = 0; column < static_cast<int>(count) && in < end; ++column) {
      const char* const head = in;
      const std::size_t kind = ReadPackedLength(in, end);
      const std::size_t length = kind >> kKindBits;
      switch (kind & kKindMask) {
        case kOwnBytes: {
          const std::size_t own = std::min(length, left());
          records.SetSlice(record, column, static_cast<std::size_t>(in - begin), own);
          in += own;
          break;
        }
        case kInFirstCell:
          records.SetPart(record, column, 0, ReadPackedLength(in, end), length);
          break;
        case kAsBefore:
          if (record > 0) records.ShareCell(record, column, record - 1, column);
          break;
        case kSharedEnds: {
          const std::string_view before = record > 0 ? records.Cell(record - 1, column) : std::string_view();
          const SharedEnds ends{ReadPackedLength(in, end), ReadPackedLength(in, end)};
          const std::size_t middle = std::min(length, left());
          in += middle;
          if (ends.prefix > before.size() || ends.suffix > before.size() - ends.prefix ||
              ends.prefix + ends.suffix + middle > kMostSharedGrowth * static_cast<std::size_t>(in - head)) {
            return records;
          }
          joined.assign(before.substr(0, ends.prefix)).append(in - middle, middle);
          joined.append(before.substr(before.size() - ends.suffix));
          records.SetCell(record, column, joined);
          break;
        }
      }
    }
  }
  return records;
}

}  // namespace

void AppendStoredRecord(StoredRecords& stored, std::string_view packedCells, std::string_view digest, bool leftOut) {
  AppendPackedCell(stored.cells, packedCells);
  stored.digests.append(digest);
  stored.leftOut.push_back(leftOut ? '\1' : '\0');
}

void StoreRecordsOf(const JournalPage& page, StoredRecords& stored) {
  StoreCellsOf(page.records, stored.cells);
  stored.leftOut.clear();
  for (std::size_t i = 0; i < page.records.Size(); ++i) stored.leftOut.push_back(page.collectedBefore[i] ? '\1' : '\0');
}

void StoreDigestsOf(const RecordList& records, const RecordKey& key, StoredRecords& stored) {
  stored.digests.clear();
  for (std::size_t i = 0; i < records.Size(); ++i) stored.digests.append(RecordDigest(records, i, key));
}

void StoreCellsOf(const RecordList& records, std::string& cells) {
  cells.assign(1, kReferencedCoding);
  for (std::size_t record = 0; record < records.Size(); ++record) {
    const int count = records.CellCount(record);
    AppendPackedLength(cells, static_cast<std::size_t>(count));
    for (int column = 0; column < count; ++column) {
      const std::string_view cell = records.Cell(record, column);
      const std::string_view before = record > 0 ? records.Cell(record - 1, column) : std::string_view();
      if (!cell.empty() && cell == before) {
        AppendHead(cells, kAsBefore, 0);
        continue;
      }
      const std::optional<std::size_t> start =
          column > 0 && !cell.empty() ? records.StartInFirstCell(record, column) : std::nullopt;
      if (start && PackedLengthSize(*start) < cell.size()) {
        AppendHead(cells, kInFirstCell, cell.size());
        AppendPackedLength(cells, *start);
        continue;
      }
      const SharedEnds ends = before.empty() ? SharedEnds() : SharedEndsOf(cell, before);
      const std::size_t sharedSize = SharedEndsSize(cell, ends);
      if (sharedSize < OwnBytesSize(cell) && cell.size() <= kMostSharedGrowth * sharedSize) {
        AppendHead(cells, kSharedEnds, cell.size() - ends.prefix - ends.suffix);
        AppendPackedLength(cells, ends.prefix);
        AppendPackedLength(cells, ends.suffix);
        cells.append(cell.substr(ends.prefix, cell.size() - ends.prefix - ends.suffix));
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
