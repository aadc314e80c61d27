// The records of one attempt at a page, as the engine tells them. A cell is a slice of the page's
// text or of the list's own bytes: the matches of a page of any size then cost a few bytes each
// until they are exported or shown, instead of a copy of every cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "collect/block_vector.h"
#include "runtime/text.h"

namespace collect {

class RecordList {
public:
  RecordList() = default;
  // Records that cut cells from source (SetSlice); the list keeps it alive.
  explicit RecordList(std::shared_ptr<const runtime::Text> source) : source_(std::move(source)) {}
  RecordList(const RecordList&) = default;
  RecordList& operator=(const RecordList&) = default;
  // A list moved from holds no records.
  RecordList(RecordList&& other) noexcept;
  RecordList& operator=(RecordList&& other) noexcept;

  // The text the list's slices are cut from; empty when it has none.
  const runtime::Text& Source() const;
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  // The cells record holds.
  int CellCount(std::size_t record) const;
  // The bytes of a cell without copying; empty for a cell the record does not hold. Valid while
  // the list lives and until the next change to it.
  std::string_view Cell(std::size_t record, int column) const;
  std::vector<runtime::Text> Cells(std::size_t record) const;
  // Where a cell's bytes lie in its record's first cell (the whole match, which holds its groups):
  // their offset there when the list knows the cell to be a part of it; nothing otherwise.
  std::optional<std::size_t> StartInFirstCell(std::size_t record, int column) const;
  // The memory the list keeps alive: the source, the copied bytes and the table of cells.
  std::size_t HeldBytes() const;

  // Appends a record of cellCount empty cells.
  void AddEmptyRecord(int cellCount);
  // Appends a record of copies of these cells.
  void AddRecord(const std::vector<runtime::Text>& cells);
  // A cell of the record becomes bytes start .. start + length of the source (clamped to it).
  void SetSlice(std::size_t record, int column, std::size_t start, std::size_t length);
  // A cell of the record becomes a copy of text. A text equal to the one copied last is shared.
  void SetCell(std::size_t record, int column, std::string_view text);
  // A cell of the record becomes bytes start .. start + length of its cell whole (clamped to it).
  void SetPart(std::size_t record, int column, int whole, std::size_t start, std::size_t length);
  // A cell of the record becomes the bytes of a cell of an earlier record (empty when that record
  // lacks it).
  void ShareCell(std::size_t record, int column, std::size_t earlier, int earlierColumn);

  // No records, over the same source.
  RecordList SourceOnly() const { return RecordList(source_); }
  // The records whose flag in leftOut is false, in order; they share this list's bytes.
  RecordList Without(const std::vector<bool>& leftOut) const;

private:
  // Where a cell's bytes lie: in the source, or in own_. Eight bytes, as a page of many small
  // records holds a few of them a record: a cell is shorter than the largest page (2 GiB), so the
  // length's top bit tells where it lies.
  struct CellRef {
    static constexpr std::uint32_t kInSource = std::uint32_t{1} << 31;
    std::uint32_t start = 0;
    std::uint32_t lengthAndPlace = 0;
    std::uint32_t Length() const { return lengthAndPlace & ~kInSource; }
    bool InSource() const { return (lengthAndPlace & kInSource) != 0; }
  };

  CellRef* Find(std::size_t record, int column);
  std::size_t FirstCell(std::size_t record) const;
  // Whether part's bytes are some of whole's.
  static bool Inside(const CellRef& part, const CellRef& whole);
  std::string_view Bytes(const CellRef& cell) const;

  std::shared_ptr<const runtime::Text> source_;
  // Cells copied in; shared by the lists Without makes, which never change a copied cell's bytes.
  // Made with the first copy.
  std::shared_ptr<runtime::Text> own_;
  // In blocks rather than one array: the records of a page are added as its matches are found,
  // and an array that grows would hold its old and new copies at once, on a page of many records
  // the largest thing in memory after the page.
  BlockVector<CellRef> cells_;
  std::size_t size_ = 0;
  // While every record has as many cells (a page's records all have), record r's first entry in
  // cells_ is r times their count; else each record's first entry is kept in firstCell_, its cells
  // running to the next record's first.
  int uniformCount_ = 0;
  BlockVector<std::uint32_t> firstCell_;
  CellRef lastCopied_;
};

// The accessors every reader of records calls for each cell, inline.

inline int RecordList::CellCount(std::size_t record) const {
  if (record >= Size()) return 0;
  if (firstCell_.empty()) return uniformCount_;
  const std::size_t end = record + 1 < Size() ? firstCell_[record + 1] : cells_.size();
  return static_cast<int>(end - firstCell_[record]);
}

inline std::string_view RecordList::Cell(std::size_t record, int column) const {
  if (column < 0 || column >= CellCount(record)) return {};
  return Bytes(cells_[FirstCell(record) + static_cast<std::size_t>(column)]);
}

inline std::size_t RecordList::FirstCell(std::size_t record) const {
  return firstCell_.empty() ? record * static_cast<std::size_t>(uniformCount_) : firstCell_[record];
}

inline std::string_view RecordList::Bytes(const CellRef& cell) const {
  const runtime::Text* bytes = cell.InSource() ? source_.get() : own_.get();
  if (bytes == nullptr) return {};
  return std::string_view(*bytes).substr(cell.start, cell.Length());
}

}  // namespace collect
