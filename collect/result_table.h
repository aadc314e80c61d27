// The result table of a collection: the captions of its columns and its rows of text cells,
// packed so that a table of a million rows stays cheap to fill and to hold. Both front ends fill
// one, and every export reads one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/record_list.h"
#include "runtime/text.h"

namespace collect {

// One result row: the whole match, each capture group, then the page address.
struct Record {
  std::vector<runtime::Text> cells;
};

// Columns and rows only ever grow at the end, until the whole table is cleared. A row holds the
// cells it was given; the columns added after it read empty in it.
class ResultTable {
public:
  ResultTable() = default;
  ResultTable(const ResultTable& other);
  ResultTable& operator=(const ResultTable& other);
  ResultTable(ResultTable&& other) noexcept;
  ResultTable& operator=(ResultTable&& other) noexcept;
  ~ResultTable();

  // The captions of the columns in order ("文本 1" …).
  const std::vector<runtime::Text>& Captions() const { return captions_; }
  int ColumnCount() const { return static_cast<int>(captions_.size()); }
  int RowCount() const { return static_cast<int>(rowCount_); }

  // The bytes of cell (row, column) without copying; empty for a cell the row does not hold or a
  // row that does not exist. Valid until the table next changes.
  std::string_view Cell(int row, int column) const;
  // The cells of a row, as many as it holds.
  std::vector<runtime::Text> RowCells(int row) const;

  // Appends columns with these captions; the last of them holds each row's page address.
  void AddColumns(const std::vector<runtime::Text>& captions);
  // Appends the columns of detail pages' cells: after the address column, which stays where it
  // is.
  void AddDetailColumns(const std::vector<runtime::Text>& captions);
  // The column that holds each row's page address (the last one AddColumns added); -1 when there
  // is none.
  int AddressColumn() const { return addressColumn_; }
  // Appends the rows in order.
  void AddRows(const std::vector<Record>& rows);
  // Appends count records of the list from first on (as many as there are), in order.
  void AddRows(const RecordList& rows, std::size_t first = 0, std::size_t count = SIZE_MAX);
  // Removes every row and every column.
  void Clear();

  // Same captions, the same address column and the same cells in every row.
  friend bool operator==(const ResultTable& a, const ResultTable& b);

private:
  // A row's cells lie one after the other in one chunk, each its length (LEB128) then its bytes.
  struct RowRef {
    std::uint32_t chunk = 0;
    std::uint32_t offset = 0;
    std::uint32_t count = 0;  // cells held
  };

  // Appends a row of count cells, cell(k) giving the k-th.
  template <typename CellAt>
  void AddRow(std::size_t count, const CellAt& cell);
  // Space for size bytes at the end of the last chunk, or at the start of a new one.
  char* Reserve(std::size_t size, RowRef& at);
  void GrowRows();
  void CopyFrom(const ResultTable& other);

  std::vector<runtime::Text> captions_;
  int addressColumn_ = -1;
  std::vector<std::string> chunks_;
  // The rows in one block grown with realloc, which moves a large block without copying it.
  RowRef* rows_ = nullptr;
  std::size_t rowCount_ = 0;
  std::size_t rowCapacity_ = 0;
};

}  // namespace collect
