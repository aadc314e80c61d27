// The result table as a file: CSV, TSV, JSON Lines, an HTML document or the plain export text,
// always in UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "collect/result_table.h"
#include "runtime/text.h"

namespace collect {

// Text: the export text of "导出结果". Csv: RFC 4180 with CR LF row ends and a byte-order mark.
// Tsv: tab-separated, LF row ends; a tab, CR or LF inside a cell becomes a space, as the format
// has no quoting. JsonLines: one object per row, LF after each. Html: a complete document with
// one table. Xlsx: an Excel workbook (see XlsxWorkbook).
enum class ExportFormat { Text, Csv, Tsv, JsonLines, Html, Xlsx };

// What CSV and TSV do with a cell that a spreadsheet would run as a formula: one that starts with
// "=", "+", "-" or "@" and is not a plain number ("-12.5", "+3", "-1e5": an optional sign, digits
// with at most one decimal point, an optional exponent; ASCII only).
enum class FormulaCells {
  AsText,  // a leading "'" makes the spreadsheet show the cell as text
  Raw      // the cell as found
};

// The format a file name asks for by its extension: .csv, .tsv, .jsonl, .html, .htm or .xlsx in
// any letter case; any other name gives Text.
ExportFormat ExportFormatFromExtension(std::string_view path);

// The format of a command's export: the one asked for, else the one the output file's extension
// names (ExportFormatFromExtension), else Text when the export goes to standard output.
ExportFormat ChosenExportFormat(const std::optional<ExportFormat>& asked, const std::optional<std::string>& outputFile);

// The format named on the command line: "csv", "tsv", "jsonl", "html", "xlsx" or "text"; nothing
// for any other name.
std::optional<ExportFormat> ExportFormatFromName(std::string_view name);

// The whole file in the given format, as UTF-8 bytes. Columns 1..ColumnCount()-1 are exported;
// column 0 (the whole match) never is. CSV, TSV and HTML start with a header row of the captions.
// JSON Lines keys the columns by caption and the page address's (ResultTable::AddressColumn, the
// last one when the table has none) by "address"; a key met again gets " (2)", " (3)" and so on,
// so no cell is lost. The separator counts only for Text, formulas only for Csv and Tsv. An
// incomplete character at the end of a cell becomes U+FFFD and never joins the next cell. Xlsx
// is no text: it gives nothing here (ExportFile makes it).
std::string FormatFileExport(ExportFormat format, const ResultTable& table, const runtime::Text& separator,
                             FormulaCells formulas = FormulaCells::AsText);

// A file's content as an export makes it, or why it could not be made.
struct ExportedFile {
  std::string bytes;
  std::string fault;  // empty when the bytes were made
};

// Rows of one worksheet below its header row: Excel's limit less the header.
inline constexpr int kXlsxRowsPerSheet = 1048575;

// The table as an Excel workbook (made in a temporary file by libxlsxwriter): a sheet "采集结果"
// with the header row of captions in bold and one row per record, columns 1..ColumnCount()-1 as
// the other formats, every cell a text (an empty cell stays empty), each column as wide as its
// widest cell (Chinese characters counting two, at most 80). A cell longer than Excel's 32767
// characters is cut there; rows beyond rowsPerSheet go on in further sheets "采集结果 2", …, each
// with the header row. The fault is the library's or the file system's words.
ExportedFile XlsxWorkbook(const ResultTable& table, int rowsPerSheet = kXlsxRowsPerSheet);

// The whole file in the given format: XlsxWorkbook for Xlsx (whose cells are texts, never run as
// formulas), FormatFileExport for the others.
ExportedFile ExportFile(ExportFormat format, const ResultTable& table, const runtime::Text& separator,
                        FormulaCells formulas = FormulaCells::AsText);

}  // namespace collect
