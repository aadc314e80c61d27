// The records of one attempt at a page: cells as slices of the page's text or of own bytes.
#include "collect/record_list.h"

#include <algorithm>
#include <utility>

namespace collect {

RecordList::RecordList(RecordList&& other) noexcept
    : source_(std::move(other.source_)),
      own_(std::move(other.own_)),
      cells_(std::move(other.cells_)),
      size_(std::exchange(other.size_, 0)),
      uniformCount_(std::exchange(other.uniformCount_, 0)),
      firstCell_(std::move(other.firstCell_)),
      lastCopied_(std::exchange(other.lastCopied_, CellRef{})) {}

RecordList& RecordList::operator=(RecordList&& other) noexcept {
  if (this == &other) return *this;
  source_ = std::move(other.source_);
  own_ = std::move(other.own_);
  cells_ = std::move(other.cells_);
  size_ = std::exchange(other.size_, 0);
  uniformCount_ = std::exchange(other.uniformCount_, 0);
  firstCell_ = std::move(other.firstCell_);
  lastCopied_ = std::exchange(other.lastCopied_, CellRef{});
  return *this;
}

const runtime::Text& RecordList::Source() const {
  static const runtime::Text kNone;
  return source_ ? *source_ : kNone;
}

std::vector<runtime::Text> RecordList::Cells(std::size_t record) const {
  std::vector<runtime::Text> cells;
  const int count = CellCount(record);
  cells.reserve(static_cast<std::size_t>(count));
  for (int column = 0; column < count; ++column) cells.emplace_back(Cell(record, column));
  return cells;
}

std::size_t RecordList::HeldBytes() const {
  return (source_ ? source_->size() : 0) + (own_ ? own_->size() : 0) + cells_.size() * sizeof(CellRef) +
         firstCell_.size() * sizeof(std::uint32_t);
}

void RecordList::AddEmptyRecord(int cellCount) {
  cellCount = std::max(cellCount, 0);
  if (size_ == 0 && firstCell_.empty()) {
    uniformCount_ = cellCount;
  } else if (firstCell_.empty() && cellCount != uniformCount_) {
    for (std::size_t record = 0; record < size_; ++record) {
      firstCell_.push_back(static_cast<std::uint32_t>(record * static_cast<std::size_t>(uniformCount_)));
    }
  }
  if (!firstCell_.empty()) firstCell_.push_back(static_cast<std::uint32_t>(cells_.size()));
  cells_.resize(cells_.size() + static_cast<std::size_t>(cellCount));
  ++size_;
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
  *cell = {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length) | CellRef::kInSource};
}

void RecordList::SetCell(std::size_t record, int column, std::string_view text) {
  CellRef* cell = Find(record, column);
  if (cell == nullptr) return;
  // A page's records mostly repeat their address (and detail cells of a shared link): one copy.
  if (!own_) own_ = std::make_shared<runtime::Text>();
  if (text.size() != lastCopied_.Length() || Bytes(lastCopied_) != text) {
    // Bytes another list shares (Without) are read by its owner, maybe on another thread, while
    // this list changes: they are copied first.
    if (own_.use_count() > 1) own_ = std::make_shared<runtime::Text>(*own_);
    lastCopied_ = {static_cast<std::uint32_t>(own_->size()), static_cast<std::uint32_t>(text.size())};
    own_->append(text);
  }
  *cell = lastCopied_;
}

void RecordList::SetPart(std::size_t record, int column, int whole, std::size_t start, std::size_t length) {
  CellRef* cell = Find(record, column);
  const CellRef* from = Find(record, whole);
  if (cell == nullptr || from == nullptr) return;
  start = std::min<std::size_t>(start, from->Length());
  length = std::min<std::size_t>(length, from->Length() - start);
  *cell = {from->start + static_cast<std::uint32_t>(start),
           static_cast<std::uint32_t>(length) | (from->lengthAndPlace & CellRef::kInSource)};
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
    const int count = CellCount(record);
    kept.AddEmptyRecord(count);
    const std::size_t from = FirstCell(record);
    const std::size_t to = kept.cells_.size() - static_cast<std::size_t>(count);
    for (std::size_t cell = 0; cell < static_cast<std::size_t>(count); ++cell) {
      kept.cells_[to + cell] = cells_[from + cell];
    }
  }
  return kept;
}

std::optional<std::size_t> RecordList::StartInFirstCell(std::size_t record, int column) const {
  if (column < 0 || column >= CellCount(record)) return std::nullopt;
  const CellRef& first = cells_[FirstCell(record)];
  const CellRef& cell = cells_[FirstCell(record) + static_cast<std::size_t>(column)];
  if (!Inside(cell, first)) return std::nullopt;
  return cell.start - first.start;
}

bool RecordList::Inside(const CellRef& part, const CellRef& whole) {
  return part.InSource() == whole.InSource() && part.start >= whole.start &&
         std::uint64_t{part.start} + part.Length() <= std::uint64_t{whole.start} + whole.Length();
}

RecordList::CellRef* RecordList::Find(std::size_t record, int column) {
  if (column < 0 || column >= CellCount(record)) return nullptr;
  return &cells_[FirstCell(record) + static_cast<std::size_t>(column)];
}

}  // namespace collect
