// The result table as an Excel workbook, written by libxlsxwriter into a temporary file and read
// back, so that it is replaced whole like every other export.
#include <stdlib.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "collect/file_export.h"
#include "collect/file_io.h"
#include "runtime/code_page.h"

namespace collect {
namespace {

constexpr const char* kSheetName = "采集结果";
// Excel's most characters (UTF-16 units) in a cell, and columns in a sheet.
constexpr std::size_t kMostCellUnits = 32767;
constexpr int kMostColumns = 16384;
constexpr double kMostWidth = 80;
constexpr double kWidthMargin = 2;

// Excel reads "_xHHHH_" in a cell as the character U+HHHH (the library writes control characters
// so); text that looks like it keeps its form when its "_" is written as "_x005F_".
std::string KeepEscapeLookalikes(std::string utf8) {
  constexpr std::string_view kEscapedUnderscore = "_x005F_";
  auto looksLikeEscape = [&utf8](std::size_t at) {
    if (at + 7 > utf8.size() || utf8[at + 6] != '_') return false;
    const std::string_view digits = std::string_view(utf8).substr(at + 2, 4);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
  };
  for (std::size_t at = utf8.find("_x"); at != std::string::npos; at = utf8.find("_x", at + 1)) {
    if (!looksLikeEscape(at)) continue;
    utf8.replace(at, 1, kEscapedUnderscore);
    at += kEscapedUnderscore.size();
  }
  return utf8;
}

// A cell as UTF-8, cut at Excel's limit on a character boundary.
std::string CellText(std::string_view cell) {
  std::string utf8 = runtime::TextToUtf8(cell);
  std::size_t units = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    units += length == 4 ? 2 : 1;
    if (units > kMostCellUnits) {
      utf8.resize(at);
      break;
    }
    at += length;
  }
  return KeepEscapeLookalikes(std::move(utf8));
}

// How many columns of a spreadsheet the text takes: a character of the wide scripts (Chinese,
// Japanese, Korean, full-width forms) two, any other one.
double DisplayWidth(const std::string& utf8) {
  double width = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    // Three-byte characters from U+2E80 on (E2 BA 80) and four-byte ones are the wide ones.
    const bool wideThree =
        lead > 0xE2 || (lead == 0xE2 && at + 1 < utf8.size() && static_cast<unsigned char>(utf8[at + 1]) >= 0xBA);
    const bool wide = length == 4 || (length == 3 && wideThree);
    width += wide ? 2 : 1;
    at += length;
  }
  return width;
}

// The exported columns of the table: 1..ColumnCount()-1, within Excel's limit.
int ExportedColumns(const ResultTable& table) { return std::clamp(table.ColumnCount() - 1, 0, kMostColumns); }

std::vector<double> ColumnWidths(const ResultTable& table) {
  std::vector<double> widths(static_cast<std::size_t>(ExportedColumns(table)), 0);
  auto widen = [&](std::size_t index, std::string_view text) {
    widths[index] = std::max(widths[index], std::min(kMostWidth, DisplayWidth(CellText(text)) + kWidthMargin));
  };
  for (std::size_t index = 0; index < widths.size(); ++index) {
    widen(index, table.Captions()[index + 1]);
    for (int row = 0; row < table.RowCount(); ++row) widen(index, table.Cell(row, static_cast<int>(index) + 1));
  }
  return widths;
}

// A workbook being written, closed (and so written out) at the latest when it goes.
class Workbook {
public:
  explicit Workbook(const std::string& path) {
    lxw_workbook_options options{};
    // Rows go to a temporary file as they are written, so a large table needs no second copy in
    // memory.
    options.constant_memory = LXW_TRUE;
    book_ = workbook_new_opt(path.c_str(), &options);
  }
  ~Workbook() { Close(); }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  bool Opened() const { return book_ != nullptr; }
  lxw_workbook* Book() const { return book_; }
  // The library's account of the failure; empty when it wrote the file.
  std::string Close() {
    if (book_ == nullptr) return std::string();
    const lxw_error error = workbook_close(book_);
    book_ = nullptr;
    return error == LXW_NO_ERROR ? std::string() : lxw_strerror(error);
  }

private:
  lxw_workbook* book_ = nullptr;
};

// Writes the sheets; the first failure of the library, or empty.
std::string WriteSheets(lxw_workbook* book, const ResultTable& table, int rowsPerSheet) {
  lxw_format* heading = workbook_add_format(book);
  format_set_bold(heading);
  const std::vector<double> widths = ColumnWidths(table);
  const int columns = ExportedColumns(table);
  const int sheets = std::max(1, (table.RowCount() + rowsPerSheet - 1) / std::max(rowsPerSheet, 1));
  for (int sheetIndex = 0; sheetIndex < sheets; ++sheetIndex) {
    const std::string name = runtime::TextToUtf8(runtime::T(kSheetName)) +
                             (sheetIndex == 0 ? std::string() : " " + std::to_string(sheetIndex + 1));
    lxw_worksheet* sheet = workbook_add_worksheet(book, name.c_str());
    if (sheet == nullptr) return "cannot add a worksheet";
    for (int column = 0; column < columns; ++column) {
      worksheet_set_column(sheet, static_cast<lxw_col_t>(column), static_cast<lxw_col_t>(column),
                           widths[static_cast<std::size_t>(column)], nullptr);
    }
    for (int column = 0; column < columns; ++column) {
      const std::string caption = CellText(table.Captions()[static_cast<std::size_t>(column) + 1]);
      const lxw_error error =
          worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(column), caption.c_str(), heading);
      if (error != LXW_NO_ERROR) return lxw_strerror(error);
    }
    const int first = sheetIndex * rowsPerSheet;
    const int last = std::min(table.RowCount(), first + rowsPerSheet);
    for (int row = first; row < last; ++row) {
      for (int column = 0; column < columns; ++column) {
        const std::string cell = CellText(table.Cell(row, column + 1));
        if (cell.empty()) continue;
        const lxw_error error = worksheet_write_string(sheet, static_cast<lxw_row_t>(row - first + 1),
                                                       static_cast<lxw_col_t>(column), cell.c_str(), nullptr);
        if (error != LXW_NO_ERROR) return lxw_strerror(error);
      }
    }
  }
  return std::string();
}

}  // namespace

ExportedFile XlsxWorkbook(const ResultTable& table, int rowsPerSheet) {
  std::error_code ignored;
  std::string path = (std::filesystem::temp_directory_path(ignored) / "pelmo-XXXXXX.xlsx").string();
  const int descriptor = ::mkstemps(path.data(), 5);
  if (descriptor < 0) return {std::string(), "cannot create a temporary file: " + std::string(std::strerror(errno))};
  ::close(descriptor);
  ExportedFile file;
  {
    Workbook workbook(path);
    if (!workbook.Opened()) {
      file.fault = "cannot start the workbook";
    } else {
      file.fault = WriteSheets(workbook.Book(), table, rowsPerSheet);
      const std::string closing = workbook.Close();
      if (file.fault.empty()) file.fault = closing;
    }
  }
  if (file.fault.empty()) {
    std::optional<std::string> bytes = ReadWholeFile(path, file.fault);
    if (bytes) file.bytes = std::move(*bytes);
  }
  ::unlink(path.c_str());
  return file;
}

}  // namespace collect
