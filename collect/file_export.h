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
// one table.
enum class ExportFormat { Text, Csv, Tsv, JsonLines, Html };

// What CSV and TSV do with a cell that a spreadsheet would run as a formula: one that starts with
// "=", "+", "-" or "@" and is not a plain number ("-12.5", "+3", "-1e5": an optional sign, digits
// with at most one decimal point, an optional exponent; ASCII only).
enum class FormulaCells {
  AsText,  // a leading "'" makes the spreadsheet show the cell as text
  Raw      // the cell as found
};

// The format a file name asks for by its extension: .csv, .tsv, .jsonl, .html or .htm in any
// letter case; any other name gives Text.
ExportFormat ExportFormatFromExtension(std::string_view path);

// The format named on the command line: "csv", "tsv", "jsonl", "html" or "text"; nothing for any
// other name.
std::optional<ExportFormat> ExportFormatFromName(std::string_view name);

// The whole file in the given format, as UTF-8 bytes. Columns 1..ColumnCount()-1 are exported;
// column 0 (the whole match) never is. CSV, TSV and HTML start with a header row of the captions.
// JSON Lines keys the columns by caption and the page address's (ResultTable::AddressColumn, the
// last one when the table has none) by "address"; a key met again gets " (2)", " (3)" and so on,
// so no cell is lost. The separator counts only for Text, formulas only for Csv and Tsv. An
// incomplete character at the end of a cell becomes U+FFFD and never joins the next cell.
std::string FormatFileExport(ExportFormat format, const ResultTable& table, const runtime::Text& separator,
                             FormulaCells formulas = FormulaCells::AsText);

}  // namespace collect
