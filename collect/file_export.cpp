// The result table as CSV, TSV, JSON Lines, HTML or the plain export text.
#include "collect/file_export.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <set>
#include <vector>

#include "collect/result_export.h"
#include "runtime/code_page.h"

namespace collect {
namespace {

using Row = std::vector<std::string>;

std::string Lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char byte) { return static_cast<char>(std::tolower(byte)); });
  return out;
}

// Each cell is converted on its own, so an incomplete character at its end decodes to U+FFFD
// within the cell.
Row CaptionRow(const ResultTable& table) {
  Row row;
  for (int column = 1; column < table.ColumnCount(); ++column) {
    row.push_back(runtime::TextToUtf8(table.Captions()[static_cast<std::size_t>(column)]));
  }
  return row;
}

Row CellRow(const ResultTable& table, int row) {
  Row cells;
  for (int column = 1; column < table.ColumnCount(); ++column) {
    cells.push_back(runtime::TextToUtf8(table.Cell(row, column)));
  }
  return cells;
}

std::string Joined(const Row& fields, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += separator;
    out += fields[i];
  }
  return out;
}

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

// The digits from at on; at moves past them. False when there are none.
bool SkipDigits(std::string_view text, std::size_t& at) {
  const std::size_t start = at;
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at > start;
}

// An optional sign, digits with at most one decimal point (at least one digit), then an optional
// exponent: what a spreadsheet reads as a number, not as a formula.
bool IsPlainNumber(std::string_view text) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  bool digits = SkipDigits(text, at);
  if (at < text.size() && text[at] == '.') {
    ++at;
    digits = SkipDigits(text, at) || digits;
  }
  if (!digits) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (!SkipDigits(text, at)) return false;
  }
  return at == text.size();
}

bool IsFormula(std::string_view cell) {
  return !cell.empty() && std::string_view("=+-@").find(cell.front()) != std::string_view::npos &&
         !IsPlainNumber(cell);
}

// The row with each formula cell made text for a spreadsheet, unless formulas stay raw.
Row WithFormulasAsText(Row fields, FormulaCells formulas) {
  if (formulas == FormulaCells::Raw) return fields;
  for (std::string& field : fields) {
    if (IsFormula(field)) field.insert(0, 1, '\'');
  }
  return fields;
}

std::string CsvField(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string out = "\"";
  for (char byte : field) {
    if (byte == '"') out += '"';
    out += byte;
  }
  return out + '"';
}

// A row of one empty cell is written "" so that it does not read back as a row of no cells.
std::string CsvLine(const Row& fields) {
  if (fields.size() == 1 && fields[0].empty()) return "\"\"\r\n";
  Row quoted;
  for (const std::string& field : fields) quoted.push_back(CsvField(field));
  return Joined(quoted, ",") + "\r\n";
}

std::string TsvLine(Row fields) {
  for (std::string& field : fields) {
    std::replace_if(
        field.begin(), field.end(),
        [](char byte) { return byte == '\t' || byte == '\r' || byte == '\n'; }, ' ');
  }
  return Joined(fields, "\t") + "\n";
}

struct Escape {
  char byte;
  std::string_view text;
};

constexpr std::array<Escape, 7> kJsonEscapes = {{{'"', "\\\""},
                                                 {'\\', "\\\\"},
                                                 {'\n', "\\n"},
                                                 {'\r', "\\r"},
                                                 {'\t', "\\t"},
                                                 {'\b', "\\b"},
                                                 {'\f', "\\f"}}};
constexpr std::array<Escape, 5> kHtmlEscapes = {
    {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\'', "&#39;"}}};

template <size_t N>
std::string Escaped(std::string_view text, const std::array<Escape, N>& escapes) {
  std::string out;
  for (char byte : text) {
    auto escape = std::find_if(escapes.begin(), escapes.end(),
                               [byte](const Escape& entry) { return entry.byte == byte; });
    if (escape != escapes.end()) {
      out += escape->text;
    } else {
      out += byte;
    }
  }
  return out;
}

// A JSON string: the escapes above, and \u00XX for the other control characters.
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char byte : Escaped(text, kJsonEscapes)) {
    if (static_cast<unsigned char>(byte) < 0x20) {
      char escaped[7];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(byte));
      out += escaped;
    } else {
      out += byte;
    }
  }
  return out + '"';
}

// The captions of the exported columns, the page address's named "address" (the last column's
// when the table does not say), each made unique.
Row JsonKeys(const ResultTable& table) {
  Row keys = CaptionRow(table);
  if (keys.empty()) return keys;
  const int addressColumn = table.AddressColumn() >= 1 ? table.AddressColumn() : table.ColumnCount() - 1;
  const std::size_t addressKey = static_cast<std::size_t>(addressColumn - 1);
  keys[addressKey] = "address";
  std::set<std::string> used = {"address"};
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i == addressKey) continue;
    std::string key = keys[i];
    for (int n = 2; used.count(key) > 0; ++n) key = keys[i] + " (" + std::to_string(n) + ")";
    used.insert(key);
    keys[i] = key;
  }
  return keys;
}

std::string JsonLine(const Row& keys, const Row& cells) {
  std::string out = "{";
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) out += ", ";
    out += JsonString(keys[i]) + ": " + JsonString(cells[i]);
  }
  return out + "}\n";
}

constexpr std::string_view kTableStyle =
    "table{border-collapse:collapse}th,td{border:1px solid #999;padding:2px 6px}";

std::string HtmlRow(const Row& fields, std::string_view cellTag) {
  std::string out = "<tr>";
  for (const std::string& field : fields) {
    out += "<" + std::string(cellTag) + ">" + Escaped(field, kHtmlEscapes) + "</" +
           std::string(cellTag) + ">";
  }
  return out + "</tr>\n";
}

std::string HtmlDocument(const ResultTable& table) {
  const std::string title = runtime::TextToUtf8(runtime::T("Pelmo网页信息采集助手"));
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"zh\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
      "</title>\n<style>" + std::string(kTableStyle) + "</style>\n</head>\n<body>\n<table>\n";
  out += HtmlRow(CaptionRow(table), "th");
  for (int row = 0; row < table.RowCount(); ++row) out += HtmlRow(CellRow(table, row), "td");
  return out + "</table>\n</body>\n</html>\n";
}

}  // namespace

ExportFormat ExportFormatFromExtension(std::string_view path) {
  size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
    return ExportFormat::Text;
  }
  std::string extension = Lowered(path.substr(dot + 1));
  if (extension == "htm") return ExportFormat::Html;
  return ExportFormatFromName(extension).value_or(ExportFormat::Text);
}

ExportFormat ChosenExportFormat(const std::optional<ExportFormat>& asked, const std::optional<std::string>& outputFile) {
  if (asked) return *asked;
  return outputFile ? ExportFormatFromExtension(*outputFile) : ExportFormat::Text;
}

std::optional<ExportFormat> ExportFormatFromName(std::string_view name) {
  if (name == "csv") return ExportFormat::Csv;
  if (name == "tsv") return ExportFormat::Tsv;
  if (name == "jsonl") return ExportFormat::JsonLines;
  if (name == "html") return ExportFormat::Html;
  if (name == "xlsx") return ExportFormat::Xlsx;
  if (name == "text") return ExportFormat::Text;
  return std::nullopt;
}

std::string FormatFileExport(ExportFormat format, const ResultTable& table, const runtime::Text& separator,
                             FormulaCells formulas) {
  auto cells = [&](int row) { return WithFormulasAsText(CellRow(table, row), formulas); };
  std::string out;
  switch (format) {
    case ExportFormat::Text:
      return runtime::TextToUtf8(FormatExport(table, separator));
    case ExportFormat::Csv:
      out = "\xEF\xBB\xBF" + CsvLine(WithFormulasAsText(CaptionRow(table), formulas));
      for (int row = 0; row < table.RowCount(); ++row) out += CsvLine(cells(row));
      return out;
    case ExportFormat::Tsv:
      out = TsvLine(WithFormulasAsText(CaptionRow(table), formulas));
      for (int row = 0; row < table.RowCount(); ++row) out += TsvLine(cells(row));
      return out;
    case ExportFormat::JsonLines: {
      Row keys = JsonKeys(table);
      for (int row = 0; row < table.RowCount(); ++row) out += JsonLine(keys, CellRow(table, row));
      return out;
    }
    case ExportFormat::Html:
      return HtmlDocument(table);
    case ExportFormat::Xlsx:
      break;
  }
  return out;
}

ExportedFile ExportFile(ExportFormat format, const ResultTable& table, const runtime::Text& separator,
                        FormulaCells formulas) {
  if (format == ExportFormat::Xlsx) return XlsxWorkbook(table);
  return {FormatFileExport(format, table, separator, formulas), std::string()};
}

}  // namespace collect
