// The report list's data: each row's cells packed one after the other into large chunks.
#include "runtime/report_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "runtime/column_records.h"
#include "runtime/runtime_error.h"

namespace runtime {

namespace {

constexpr std::size_t kChunkSize = std::size_t{1} << 20;
// Rewriting cells leaves their old bytes behind; beyond this much waste the list is repacked.
constexpr std::size_t kTolerableDeadBytes = 4 * kChunkSize;

int AppendPosition(std::optional<int> position, int count) {
  if (!position || *position < 0 || *position > count) {
    return count;
  }
  return *position;
}

ReportColumn NormalisedColumn(ReportColumn column) {
  column.width = std::max(column.width, 0);
  if (column.imageIndex < -1) {
    column.imageIndex = -1;
  }
  return column;
}

// Cell lengths are stored in LEB128: seven bits a byte, low bits first.
std::size_t LengthSize(std::size_t length) {
  std::size_t size = 1;
  while (length >= 0x80) {
    length >>= 7;
    ++size;
  }
  return size;
}

char* WriteLength(char* out, std::size_t length) {
  while (length >= 0x80) {
    *out++ = static_cast<char>((length & 0x7F) | 0x80);
    length >>= 7;
  }
  *out++ = static_cast<char>(length);
  return out;
}

std::size_t ReadLength(const char*& in) {
  std::size_t length = 0;
  int shift = 0;
  unsigned char byte = 0;
  do {
    byte = static_cast<unsigned char>(*in++);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    shift += 7;
  } while ((byte & 0x80) != 0);
  return length;
}

}  // namespace

ReportList::ReportList() = default;
ReportList::~ReportList() = default;

int ReportList::InsertColumn(std::optional<int> position, std::optional<Text> caption,
                             std::optional<int> width, std::optional<int> alignment,
                             std::optional<int> imageIndex, std::optional<bool> imageOnRight) {
  const int index = AppendPosition(position, ColumnCount());
  ReportColumn column;
  column.caption = caption.value_or(Text());
  column.width = width ? std::max(*width, 0) : 50;
  column.alignment = alignment.value_or(0);
  if (imageIndex && *imageIndex >= -1) {
    column.imageIndex = *imageIndex;
  }
  column.imageOnRight = imageOnRight.value_or(false);

  if (observer_) observer_->BeforeColumnInserted(index);
  columns_.insert(columns_.begin() + index, std::move(column));
  const auto at = static_cast<std::uint32_t>(index);
  for (RowRef& row : rows_) {
    if (row.count > at) {
      std::vector<std::string_view> cells = RowCells(row);
      cells.insert(cells.begin() + index, std::string_view());
      RewriteRow(row, cells);
    }
  }
  CompactIfWasteful();
  if (observer_) observer_->AfterColumnInserted(index);
  return index;
}

int ReportList::InsertItem(std::optional<int> position, std::string_view text) {
  const int index = AppendPosition(position, ItemCount());
  if (observer_) observer_->BeforeRowInserted(index);
  RowRef row;
  if (!text.empty()) {
    AppendCell(row, 0, text);
  }
  rows_.Insert(static_cast<std::size_t>(index), row);
  if (observer_) observer_->AfterRowInserted(index);
  return index;
}

void ReportList::SetItemText(int row, int column, std::string_view text) {
  if (row < 0 || row >= ItemCount() || column < 0 || (column != 0 && column >= ColumnCount())) {
    return;
  }
  RowRef& ref = rows_[row];
  const auto at = static_cast<std::uint32_t>(column);
  if (at >= ref.count) {
    if (text.empty()) {
      return;
    }
    AppendCell(ref, at - ref.count, text);
  } else {
    std::vector<std::string_view> cells = RowCells(ref);
    cells[at] = text;
    RewriteRow(ref, cells);
    CompactIfWasteful();
  }
  if (observer_ != nullptr && row < unobservedFrom_) observer_->CellChanged(row, column);
}

std::string_view ReportList::CellView(int row, int column) const {
  if (row < 0 || row >= ItemCount() || column < 0) {
    return {};
  }
  const RowRef& ref = rows_[row];
  if (static_cast<std::uint32_t>(column) >= ref.count) {
    return {};
  }
  const char* in = RowBytes(ref);
  for (int skipped = 0; skipped < column; ++skipped) {
    in += ReadLength(in);
  }
  const std::size_t length = ReadLength(in);
  return std::string_view(in, length);
}

void ReportList::DeleteAllItems() {
  if (observer_) observer_->BeforeReset();
  ClearRows();
  if (observer_) observer_->AfterReset();
}

void ReportList::SetColumnDefinitions(const ByteSet& records) {
  if (observer_) observer_->BeforeReset();
  columnDefinitions_ = records;
  ClearRows();
  columns_.clear();
  for (ReportColumn& column : DecodeColumnRecords(records)) {
    columns_.push_back(NormalisedColumn(std::move(column)));
  }
  if (observer_) observer_->AfterReset();
}

const char* ReportList::RowBytes(const RowRef& row) const {
  return chunks_[row.chunk].bytes.get() + row.offset;
}

bool ReportList::IsLastWritten(const RowRef& row) const {
  return row.count > 0 && row.chunk + 1 == chunks_.size() &&
         row.offset + row.size == chunks_.back().used;
}

char* ReportList::Reserve(std::size_t size, RowRef& at) {
  if (chunks_.empty() || chunks_.back().size - chunks_.back().used < size) {
    const std::size_t chunkSize = std::max(kChunkSize, size);
    chunks_.push_back(Chunk{std::make_unique_for_overwrite<char[]>(chunkSize),
                            static_cast<std::uint32_t>(chunkSize), 0});
  }
  Chunk& chunk = chunks_.back();
  at.chunk = static_cast<std::uint32_t>(chunks_.size() - 1);
  at.offset = chunk.used;
  chunk.used += static_cast<std::uint32_t>(size);
  return chunk.bytes.get() + at.offset;
}

void ReportList::AppendCell(RowRef& row, std::uint32_t emptyBefore, std::string_view text) {
  const std::size_t extra = emptyBefore + LengthSize(text.size()) + text.size();
  char* out = nullptr;
  if (IsLastWritten(row) && chunks_.back().size - chunks_.back().used >= extra) {
    Chunk& chunk = chunks_.back();
    out = chunk.bytes.get() + chunk.used;
    chunk.used += static_cast<std::uint32_t>(extra);
  } else {
    const char* old = row.size == 0 ? nullptr : RowBytes(row);
    RowRef moved;
    char* place = Reserve(row.size + extra, moved);
    if (old != nullptr) {
      std::memcpy(place, old, row.size);
    }
    deadBytes_ += row.size;
    moved.size = row.size;
    moved.count = row.count;
    row = moved;
    out = place + row.size;
  }
  if (emptyBefore > 0) {
    std::memset(out, 0, emptyBefore);
    out += emptyBefore;
  }
  out = WriteLength(out, text.size());
  std::memcpy(out, text.data(), text.size());
  row.size += static_cast<std::uint32_t>(extra);
  row.count += emptyBefore + 1;
  liveBytes_ += extra;
}

std::vector<std::string_view> ReportList::RowCells(const RowRef& row) const {
  std::vector<std::string_view> cells;
  cells.reserve(row.count);
  const char* in = row.size == 0 ? nullptr : RowBytes(row);
  for (std::uint32_t i = 0; i < row.count; ++i) {
    const std::size_t length = ReadLength(in);
    cells.emplace_back(in, length);
    in += length;
  }
  return cells;
}

void ReportList::RewriteRow(RowRef& row, const std::vector<std::string_view>& cells) {
  std::string encoded;
  for (const std::string_view cell : cells) {
    char length[10];
    encoded.append(length, WriteLength(length, cell.size()));
    encoded.append(cell);
  }
  liveBytes_ -= row.size;
  liveBytes_ += encoded.size();
  const bool fitsInPlace = IsLastWritten(row) && row.offset + encoded.size() <= chunks_.back().size;
  char* out = nullptr;
  if (fitsInPlace) {
    chunks_.back().used = static_cast<std::uint32_t>(row.offset + encoded.size());
    out = chunks_.back().bytes.get() + row.offset;
  } else {
    deadBytes_ += row.size;
    out = Reserve(encoded.size(), row);
  }
  std::memcpy(out, encoded.data(), encoded.size());
  row.size = static_cast<std::uint32_t>(encoded.size());
  row.count = static_cast<std::uint32_t>(cells.size());
}

void ReportList::CompactIfWasteful() {
  if (deadBytes_ > kTolerableDeadBytes && deadBytes_ > liveBytes_) {
    Compact();
  }
}

void ReportList::Compact() {
  std::vector<Chunk> old;
  old.swap(chunks_);
  deadBytes_ = 0;
  for (RowRef& row : rows_) {
    if (row.size == 0) continue;
    const char* bytes = old[row.chunk].bytes.get() + row.offset;
    RowRef moved;
    std::memcpy(Reserve(row.size, moved), bytes, row.size);
    row.chunk = moved.chunk;
    row.offset = moved.offset;
  }
}

void ReportList::RowArray::Insert(std::size_t index, const RowRef& row) {
  if (size_ == capacity_) {
    const std::size_t capacity = capacity_ == 0 ? 64 : capacity_ * 2;
    static_assert(std::is_trivially_copyable_v<RowRef>);
    auto* grown = static_cast<RowRef*>(std::realloc(items_, capacity * sizeof(RowRef)));
    if (grown == nullptr) {
      ReportAllocationFailure(capacity * sizeof(RowRef));
    }
    items_ = grown;
    capacity_ = capacity;
  }
  std::memmove(items_ + index + 1, items_ + index, (size_ - index) * sizeof(RowRef));
  items_[index] = row;
  ++size_;
}

void ReportList::RowArray::Clear() {
  std::free(items_);
  items_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

void ReportList::ClearRows() {
  rows_.Clear();
  std::vector<Chunk>().swap(chunks_);
  liveBytes_ = 0;
  deadBytes_ = 0;
}

}  // namespace runtime
