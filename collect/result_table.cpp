// The result table: each row's cells packed one after the other into large chunks.
#include "collect/result_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "collect/packed_cells.h"
#include "runtime/runtime_error.h"

namespace collect {
namespace {

constexpr std::size_t kChunkSize = std::size_t{1} << 20;

}  // namespace

ResultTable::ResultTable(const ResultTable& other) { CopyFrom(other); }

ResultTable& ResultTable::operator=(const ResultTable& other) {
  if (this != &other) {
    Clear();
    CopyFrom(other);
  }
  return *this;
}

ResultTable::ResultTable(ResultTable&& other) noexcept
    : captions_(std::move(other.captions_)),
      addressColumn_(std::exchange(other.addressColumn_, -1)),
      chunks_(std::move(other.chunks_)),
      rows_(std::exchange(other.rows_, nullptr)),
      rowCount_(std::exchange(other.rowCount_, 0)),
      rowCapacity_(std::exchange(other.rowCapacity_, 0)) {}

ResultTable& ResultTable::operator=(ResultTable&& other) noexcept {
  if (this != &other) {
    Clear();
    captions_ = std::move(other.captions_);
    addressColumn_ = std::exchange(other.addressColumn_, -1);
    chunks_ = std::move(other.chunks_);
    rows_ = std::exchange(other.rows_, nullptr);
    rowCount_ = std::exchange(other.rowCount_, 0);
    rowCapacity_ = std::exchange(other.rowCapacity_, 0);
  }
  return *this;
}

ResultTable::~ResultTable() { std::free(rows_); }

std::string_view ResultTable::Cell(int row, int column) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rowCount_ || column < 0) return {};
  const RowRef& ref = rows_[row];
  if (static_cast<std::uint32_t>(column) >= ref.count) return {};
  const char* in = chunks_[ref.chunk].data() + ref.offset;
  for (int skipped = 0; skipped < column; ++skipped) in += ReadPackedLength(in);
  const std::size_t length = ReadPackedLength(in);
  return std::string_view(in, length);
}

std::vector<runtime::Text> ResultTable::RowCells(int row) const {
  std::vector<runtime::Text> cells;
  if (row < 0 || static_cast<std::size_t>(row) >= rowCount_) return cells;
  const RowRef& ref = rows_[row];
  const char* in = chunks_[ref.chunk].data() + ref.offset;
  for (std::uint32_t i = 0; i < ref.count; ++i) {
    const std::size_t length = ReadPackedLength(in);
    cells.emplace_back(in, length);
    in += length;
  }
  return cells;
}

void ResultTable::AddColumns(const std::vector<runtime::Text>& captions) {
  captions_.insert(captions_.end(), captions.begin(), captions.end());
  if (!captions.empty()) addressColumn_ = ColumnCount() - 1;
}

void ResultTable::AddDetailColumns(const std::vector<runtime::Text>& captions) {
  captions_.insert(captions_.end(), captions.begin(), captions.end());
}

void ResultTable::AddRows(const std::vector<Record>& rows) {
  for (const Record& row : rows) {
    AddRow(row.cells.size(), [&row](std::size_t column) { return std::string_view(row.cells[column]); });
  }
}

void ResultTable::AddRows(const RecordList& rows, std::size_t first, std::size_t count) {
  for (std::size_t record = first; record < rows.Size() && record - first < count; ++record) {
    AddRow(static_cast<std::size_t>(rows.CellCount(record)),
           [&rows, record](std::size_t column) { return rows.Cell(record, static_cast<int>(column)); });
  }
}

void ResultTable::Clear() {
  captions_.clear();
  addressColumn_ = -1;
  std::vector<std::string>().swap(chunks_);
  std::free(rows_);
  rows_ = nullptr;
  rowCount_ = 0;
  rowCapacity_ = 0;
}

bool operator==(const ResultTable& a, const ResultTable& b) {
  if (a.captions_ != b.captions_ || a.addressColumn_ != b.addressColumn_ || a.rowCount_ != b.rowCount_) return false;
  for (int row = 0; row < a.RowCount(); ++row) {
    if (a.RowCells(row) != b.RowCells(row)) return false;
  }
  return true;
}

template <typename CellAt>
void ResultTable::AddRow(std::size_t count, const CellAt& cellAt) {
  std::size_t size = 0;
  for (std::size_t column = 0; column < count; ++column) {
    const std::size_t length = cellAt(column).size();
    size += PackedLengthSize(length) + length;
  }
  RowRef row;
  row.count = static_cast<std::uint32_t>(count);
  char* out = Reserve(size, row);
  for (std::size_t column = 0; column < count; ++column) {
    const std::string_view cell = cellAt(column);
    out = WritePackedLength(out, cell.size());
    std::memcpy(out, cell.data(), cell.size());
    out += cell.size();
  }
  if (rowCount_ == rowCapacity_) GrowRows();
  rows_[rowCount_++] = row;
}

char* ResultTable::Reserve(std::size_t size, RowRef& at) {
  if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < size) {
    chunks_.emplace_back();
    chunks_.back().reserve(std::max(kChunkSize, size));
  }
  std::string& chunk = chunks_.back();
  at.chunk = static_cast<std::uint32_t>(chunks_.size() - 1);
  at.offset = static_cast<std::uint32_t>(chunk.size());
  chunk.resize(chunk.size() + size);
  return chunk.data() + at.offset;
}

void ResultTable::GrowRows() {
  const std::size_t capacity = rowCapacity_ == 0 ? 64 : rowCapacity_ * 2;
  static_assert(std::is_trivially_copyable_v<RowRef>);
  auto* grown = static_cast<RowRef*>(std::realloc(rows_, capacity * sizeof(RowRef)));
  if (grown == nullptr) runtime::ReportAllocationFailure(capacity * sizeof(RowRef));
  rows_ = grown;
  rowCapacity_ = capacity;
}

void ResultTable::CopyFrom(const ResultTable& other) {
  captions_ = other.captions_;
  addressColumn_ = other.addressColumn_;
  chunks_ = other.chunks_;
  if (other.rowCount_ == 0) return;
  rows_ = static_cast<RowRef*>(std::malloc(other.rowCount_ * sizeof(RowRef)));
  if (rows_ == nullptr) runtime::ReportAllocationFailure(other.rowCount_ * sizeof(RowRef));
  std::memcpy(rows_, other.rows_, other.rowCount_ * sizeof(RowRef));
  rowCount_ = rowCapacity_ = other.rowCount_;
}

}  // namespace collect
