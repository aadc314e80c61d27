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

#include "runtime/text.h"

namespace collect {

class RecordList {
public:
  RecordList() = default;
  // Records that cut cells from source (SetSlice); the list keeps it alive.
  explicit RecordList(std::shared_ptr<const runtime::Text> source) : source_(std::move(source)) {}

  std::size_t Size() const { return firstCell_.size(); }
  bool Empty() const { return firstCell_.empty(); }
  // The cells record holds.
  int CellCount(std::size_t record) const;
  // The bytes of a cell without copying; empty for a cell the record does not hold. Valid while
  // the list lives and until the next change to it.
  std::string_view Cell(std::size_t record, int column) const;
  std::vector<runtime::Text> Cells(std::size_t record) const;
  // Where a cell's bytes lie in its record's first cell (the whole match, which holds its groups):
  // their offset there when the list knows the cell to be a part of it; nothing otherwise.
  std::optional<std::size_t> StartInFirstCell(std::size_t record, int column) const;

  // Room for records more records of cellCount cells each, so that adding them moves nothing.
  void Reserve(std::size_t records, int cellCount);
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

  // The records whose flag in leftOut is false, in order; they share this list's bytes.
  RecordList Without(const std::vector<bool>& leftOut) const;

private:
  // Where a cell's bytes lie: in the source, or in own_.
  struct CellRef {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    bool inSource = false;
  };

  CellRef* Find(std::size_t record, int column);
  // Whether part's bytes are some of whole's.
  static bool Inside(const CellRef& part, const CellRef& whole);
  std::string_view Bytes(const CellRef& cell) const;

  std::shared_ptr<const runtime::Text> source_;
  // Cells copied in; shared by the lists Without makes, which never change a copied cell's bytes.
  std::shared_ptr<runtime::Text> own_ = std::make_shared<runtime::Text>();
  std::vector<CellRef> cells_;
  // Each record's first entry in cells_; its cells run to the next record's first.
  std::vector<std::uint32_t> firstCell_;
  CellRef lastCopied_;
};

}  // namespace collect
