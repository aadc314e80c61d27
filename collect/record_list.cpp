// The records of one attempt at a page: cells as slices of the page's text or of own bytes.
#include "collect/record_list.h"

#include <algorithm>

namespace collect {

int RecordList::CellCount(std::size_t record) const {
  if (record >= Size()) return 0;
  const std::size_t end = record + 1 < Size() ? firstCell_[record + 1] : cells_.size();
  return static_cast<int>(end - firstCell_[record]);
}

std::string_view RecordList::Cell(std::size_t record, int column) const {
  if (column < 0 || column >= CellCount(record)) return {};
  return Bytes(cells_[firstCell_[record] + static_cast<std::size_t>(column)]);
}

std::vector<runtime::Text> RecordList::Cells(std::size_t record) const {
  std::vector<runtime::Text> cells;
  const int count = CellCount(record);
  cells.reserve(static_cast<std::size_t>(count));
  for (int column = 0; column < count; ++column) cells.emplace_back(Cell(record, column));
  return cells;
}

void RecordList::Reserve(std::size_t records, int cellCount) {
  firstCell_.reserve(firstCell_.size() + records);
  cells_.reserve(cells_.size() + records * static_cast<std::size_t>(std::max(cellCount, 0)));
}

void RecordList::AddEmptyRecord(int cellCount) {
  firstCell_.push_back(static_cast<std::uint32_t>(cells_.size()));
  cells_.resize(cells_.size() + static_cast<std::size_t>(std::max(cellCount, 0)));
}

void RecordList::AddRecord(const std::vector<runtime::Text>& cells) {
  const std::size_t record = Size();
  AddEmptyRecord(static_cast<int>(cells.size()));
  for (std::size_t column = 0; column < cells.size(); ++column) SetCell(record, static_cast<int>(column), cells[column]);
}

void RecordList::SetSlice(std::size_t record, int column, std::size_t start, std::size_t length) {
  CellRef* cell = Find(record, column);
  if (cell == nullptr || !source_) return;
  start = std::min(start, source_->size());
  length = std::min(length, source_->size() - start);
  *cell = {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length), true};
}

void RecordList::SetCell(std::size_t record, int column, std::string_view text) {
  CellRef* cell = Find(record, column);
  if (cell == nullptr) return;
  // A page's records mostly repeat their address (and detail cells of a shared link): one copy.
  if (text.size() != lastCopied_.length || Bytes(lastCopied_) != text) {
    // Bytes another list shares (Without) are read by its owner, maybe on another thread, while
    // this list changes: they are copied first.
    if (own_.use_count() > 1) own_ = std::make_shared<runtime::Text>(*own_);
    lastCopied_ = {static_cast<std::uint32_t>(own_->size()), static_cast<std::uint32_t>(text.size()), false};
    own_->append(text);
  }
  *cell = lastCopied_;
}

void RecordList::SetPart(std::size_t record, int column, int whole, std::size_t start, std::size_t length) {
  CellRef* cell = Find(record, column);
  const CellRef* from = Find(record, whole);
  if (cell == nullptr || from == nullptr) return;
  start = std::min<std::size_t>(start, from->length);
  length = std::min<std::size_t>(length, from->length - start);
  *cell = {from->start + static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length), from->inSource};
}

void RecordList::ShareCell(std::size_t record, int column, std::size_t earlier, int earlierColumn) {
  CellRef* cell = Find(record, column);
  if (cell == nullptr || earlier >= record) return;
  const CellRef* from = Find(earlier, earlierColumn);
  *cell = from != nullptr ? *from : CellRef();
}

RecordList RecordList::Without(const std::vector<bool>& leftOut) const {
  RecordList kept(source_);
  kept.own_ = own_;
  // The copied bytes are shared: a later SetCell on either list copies them first, each byte in its
  // place.
  kept.lastCopied_ = lastCopied_;
  for (std::size_t record = 0; record < Size(); ++record) {
    if (record < leftOut.size() && leftOut[record]) continue;
    kept.firstCell_.push_back(static_cast<std::uint32_t>(kept.cells_.size()));
    const auto first = cells_.begin() + firstCell_[record];
    kept.cells_.insert(kept.cells_.end(), first, first + CellCount(record));
  }
  return kept;
}

std::optional<std::size_t> RecordList::StartInFirstCell(std::size_t record, int column) const {
  if (column < 0 || column >= CellCount(record)) return std::nullopt;
  const CellRef& first = cells_[firstCell_[record]];
  const CellRef& cell = cells_[firstCell_[record] + static_cast<std::size_t>(column)];
  if (!Inside(cell, first)) return std::nullopt;
  return cell.start - first.start;
}

bool RecordList::Inside(const CellRef& part, const CellRef& whole) {
  return part.inSource == whole.inSource && part.start >= whole.start &&
         std::uint64_t{part.start} + part.length <= std::uint64_t{whole.start} + whole.length;
}

RecordList::CellRef* RecordList::Find(std::size_t record, int column) {
  if (column < 0 || column >= CellCount(record)) return nullptr;
  return &cells_[firstCell_[record] + static_cast<std::size_t>(column)];
}

std::string_view RecordList::Bytes(const CellRef& cell) const {
  const runtime::Text* bytes = cell.inSource ? source_.get() : own_.get();
  if (bytes == nullptr) return {};
  return std::string_view(*bytes).substr(cell.start, cell.length);
}

}  // namespace collect
