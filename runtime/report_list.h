// The data of a report list: columns and rows of text cells, kept compact so that a list of a
// million rows stays cheap to fill, with an observer that lets a view follow every change.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace runtime {

// One column of a report list.
struct ReportColumn {
  Text caption;
  int width = 50;       // pixels
  int alignment = 0;    // 1 centred, 2 right-aligned, any other value left-aligned
  int imageIndex = -1;  // -1: no image
  bool imageOnRight = false;

  bool operator==(const ReportColumn&) const = default;
};

// Told about every change of a report list; Before* runs before the data changes, After* after.
class ReportListObserver {
public:
  virtual ~ReportListObserver() = default;
  virtual void BeforeRowInserted(int row) = 0;
  virtual void AfterRowInserted(int row) = 0;
  virtual void CellChanged(int row, int column) = 0;
  virtual void BeforeColumnInserted(int column) = 0;
  virtual void AfterColumnInserted(int column) = 0;
  // Rows or columns were replaced wholesale (all rows deleted, column definitions written).
  virtual void BeforeReset() = 0;
  virtual void AfterReset() = 0;
};

// Rows and columns numbered from 0; column 0 is a row's own text. A row or column that does not
// exist is never an error: writes to it change nothing and reads give the empty text.
class ReportList {
public:
  ReportList();
  ~ReportList();
  ReportList(const ReportList&) = delete;
  ReportList& operator=(const ReportList&) = delete;

  // Inserts a column at position (appended when absent, negative or past the end). Caption
  // default "", width default 50 (negative counts as 0); an image index below -1 is ignored.
  // Returns the new column's index. Cells of later columns move one column to the right.
  int InsertColumn(std::optional<int> position, std::optional<Text> caption,
                   std::optional<int> width, std::optional<int> alignment,
                   std::optional<int> imageIndex, std::optional<bool> imageOnRight);
  // Inserts a row at position (appended when absent, negative or past the end) with text in
  // column 0. Returns the new row's index.
  int InsertItem(std::optional<int> position, std::string_view text = {});
  // Sets cell (row, column); the empty text clears the cell. Ignored for a row that does not
  // exist or a column other than 0 that does not exist.
  void SetItemText(int row, int column, std::string_view text);
  // A copy of the whole text of cell (row, column).
  Text GetItemText(int row, int column) const { return Text(CellView(row, column)); }
  // The bytes of a cell without copying; valid until the list next changes.
  std::string_view CellView(int row, int column) const;

  int ItemCount() const { return static_cast<int>(rows_.Size()); }
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const ReportColumn& Column(int column) const { return columns_.at(column); }

  // Removes every row; the columns stay.
  void DeleteAllItems();

  // The stored column definitions (property 17): the records the list was last created with.
  const ByteSet& ColumnDefinitions() const { return columnDefinitions_; }
  // Re-creates the list from column records: every row and column goes, then the columns of
  // the records are inserted in order. An empty byte set leaves no columns.
  void SetColumnDefinitions(const ByteSet& records);

  // The observer told about changes (none when null); not owned.
  void SetObserver(ReportListObserver* observer) { observer_ = observer; }
  // Changes of cells in rows from this one on are not told: the observer does not show those
  // rows yet. Without a call every change is told.
  void SetUnobservedFrom(int row) { unobservedFrom_ = row; }

private:
  // A row's cells lie one after the other in one chunk, each its length (LEB128) then its bytes;
  // appending a cell to the last row written is one copy into the chunk.
  struct RowRef {
    std::uint32_t chunk = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;   // bytes of the encoded cells
    std::uint32_t count = 0;  // cells held; later columns are empty
  };
  struct Chunk {
    std::unique_ptr<char[]> bytes;
    std::uint32_t size = 0;
    std::uint32_t used = 0;
  };
  // The rows in one block grown with realloc, which moves a large block without copying it.
  class RowArray {
  public:
    RowArray() = default;
    RowArray(const RowArray&) = delete;
    RowArray& operator=(const RowArray&) = delete;
    ~RowArray() { Clear(); }
    std::size_t Size() const { return size_; }
    RowRef& operator[](std::size_t index) { return items_[index]; }
    const RowRef& operator[](std::size_t index) const { return items_[index]; }
    RowRef* begin() { return items_; }
    RowRef* end() { return items_ + size_; }
    void Insert(std::size_t index, const RowRef& row);
    void Clear();

  private:
    RowRef* items_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
  };

  const char* RowBytes(const RowRef& row) const;
  bool IsLastWritten(const RowRef& row) const;
  // Space for size bytes at the end of the last chunk, or in a new one.
  char* Reserve(std::size_t size, RowRef& at);
  // Appends emptyBefore empty cells and then text to a row, moving the row to the end of the
  // last chunk first when it is not there.
  void AppendCell(RowRef& row, std::uint32_t emptyBefore, std::string_view text);
  // Replaces all cells of a row with the given ones.
  void RewriteRow(RowRef& row, const std::vector<std::string_view>& cells);
  std::vector<std::string_view> RowCells(const RowRef& row) const;
  void CompactIfWasteful();
  void Compact();
  void ClearRows();

  std::vector<ReportColumn> columns_;
  RowArray rows_;
  std::vector<Chunk> chunks_;
  std::size_t liveBytes_ = 0;
  std::size_t deadBytes_ = 0;
  ByteSet columnDefinitions_;
  ReportListObserver* observer_ = nullptr;
  int unobservedFrom_ = std::numeric_limits<int>::max();
};

}  // namespace runtime
