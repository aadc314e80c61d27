// The export's cell boundaries and the file formats, read back by Python's csv, json and
// html.parser modules and by openpyxl.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "collect/file_export.h"
#include "collect/result_export.h"
#include "runtime/code_page.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// U+FFFD in GB18030.
const Text kReplacement = "\x84\x31\xA4\x37";

struct BoundaryCase {
  const char* name;
  std::vector<Text> cells;  // columns 1.. of one row
  Text separator;
  Text expected;
};

TEST(FormatExport, CellEndingInsideACharacterNeverMergesWithTheNext) {
  const Text r = kReplacement;
  const BoundaryCase cases[] = {
      {"lone lead before the separator", {"a\x81", "b"}, "|", "a" + r + "|b\r\n"},
      {"lone lead in table mode", {"a\x81"}, "", "<tr><td>a" + r + "</td></tr>\r\n"},
      {"lead after a whole pair", {"\x81\x81\x81", "b"}, "|", "\x81\x81" + r + "|b\r\n"},
      {"three bytes of a four-byte form", {"x\x81\x30\x81", "y"}, "0", "x" + r + "0y\r\n"},
      {"lead and digit", {"x\x81\x30", "\x81\x30"}, "-", "x" + r + "-" + r + "\r\n"},
      {"whole characters stay", {T("中1"), "\x81\x30\x81\x30", "\xA1\xA1"}, "|",
       T("中1") + "|\x81\x30\x81\x30|\xA1\xA1\r\n"},
  };
  for (const BoundaryCase& c : cases) {
    ResultTable table;
    table.AddColumns(std::vector<Text>(c.cells.size() + 1));
    std::vector<Text> cells = {"whole"};
    cells.insert(cells.end(), c.cells.begin(), c.cells.end());
    table.AddRows({Record{cells}});
    EXPECT_EQ(FormatExport(table, c.separator), c.expected) << c.name;
  }
}

TEST(ExportFormat, ChosenByExtensionOrName) {
  const std::pair<const char*, ExportFormat> byExtension[] = {
      {"out.csv", ExportFormat::Csv},       {"/tmp/A.TSV", ExportFormat::Tsv},
      {"r.jsonl", ExportFormat::JsonLines}, {"r.HTM", ExportFormat::Html},
      {"r.html", ExportFormat::Html},       {"r.json", ExportFormat::Text},
      {"表.XLSX", ExportFormat::Xlsx},       {"r.xls", ExportFormat::Text},
      {"dir.csv/out", ExportFormat::Text},  {"out", ExportFormat::Text},
  };
  for (const auto& [path, format] : byExtension) {
    EXPECT_EQ(ExportFormatFromExtension(path), format) << path;
  }
  EXPECT_EQ(ExportFormatFromName("jsonl"), ExportFormat::JsonLines);
  EXPECT_EQ(ExportFormatFromName("text"), ExportFormat::Text);
  EXPECT_EQ(ExportFormatFromName("xlsx"), ExportFormat::Xlsx);
  EXPECT_EQ(ExportFormatFromName("xls"), std::nullopt);
}

// Reads an export file with Python and prints its rows (the header first) as UTF-8, cells ended
// by 0x1F and rows by 0x1E; JSON Lines prints the keys of the first object as its header. A
// workbook prints the rows of every sheet ("xlsx"; an empty cell as ""), or each sheet's name,
// the width of its columns in whole characters and whether each cell is a text or empty
// ("xlsx-sheets").
constexpr const char* kReader = R"(
import csv, html.parser, json, sys
kind, path = sys.argv[1], sys.argv[2]
rows = []
if kind.startswith("xlsx"):
    import openpyxl
    from openpyxl.utils.escape import unescape  # Excel's _xHHHH_ for control characters
    for sheet in openpyxl.load_workbook(path).worksheets:
        if kind == "xlsx":
            rows += [["" if c.value is None else unescape(c.value) for c in row] for row in sheet.iter_rows()]
            continue
        widths = ["%d" % sheet.column_dimensions[c[0].column_letter].width for c in sheet.iter_cols()]
        kinds = "".join("".join(c.data_type for c in row) for row in sheet.iter_rows())
        rows.append([sheet.title] + widths + [kinds])
elif kind == "csv":
    with open(path, newline="", encoding="utf-8-sig") as f:
        rows = list(csv.reader(f))
elif kind == "jsonl":
    with open(path, encoding="utf-8") as f:
        objects = [json.loads(line) for line in f]
    rows = [list(objects[0].keys())] + [list(o.values()) for o in objects]
else:
    class Cells(html.parser.HTMLParser):
        inside = False
        def handle_starttag(self, tag, attrs):
            if tag == "tr": rows.append([])
            if tag in ("td", "th"): rows[-1].append(""); self.inside = True
        def handle_endtag(self, tag):
            if tag in ("td", "th"): self.inside = False
        def handle_data(self, data):
            if self.inside: rows[-1][-1] += data
    with open(path, newline="", encoding="utf-8") as f:
        Cells().feed(f.read())
sys.stdout.buffer.write("".join("".join(c + "\x1f" for c in r) + "\x1e" for r in rows).encode())
)";

std::string ReadBackWithPython(const std::string& kind, const std::string& bytes) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("pelmo_export_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "reader.py", std::ios::binary) << kReader;
  // openpyxl goes by the extension.
  const std::filesystem::path file = folder / (kind.starts_with("xlsx") ? "export.xlsx" : "export");
  std::ofstream(file, std::ios::binary) << bytes;
  // Debian's Python, which python3-openpyxl extends (a python3 of one's own may come first on PATH).
  std::string command = "/usr/bin/python3 " + (folder / "reader.py").string() + " " + kind + " " + file.string();
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  std::filesystem::remove_all(folder);
  return out;
}

std::string Joined(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (const auto& row : rows) {
    for (const std::string& cell : row) out += cell + "\x1f";
    out += "\x1e";
  }
  return out;
}

// Column 0 is the whole match, which no export writes; the captions repeat as when a run added a
// second set of columns.
const std::vector<std::vector<Text>> kTable = {
    {"<whole>", "a,b", "say \"hi\"", "<b> & 'q'", "http://x/1?a=1&b=2"},
    {"<whole>", "line1\r\nline2", T("中文，“引号”"), "back\\slash\ttab", "http://x/2"},
    {"<whole>", "", "x\x81", "\x01-ctl", "http://x/3"},
};
const std::vector<Text> kCaptions = {T("文本 1"), T("文本 2"), T("文本 3"), T("文本 2"),
                                     T("文本 5")};
const std::vector<std::vector<std::string>> kCellsUtf8 = {
    {"a,b", "say \"hi\"", "<b> & 'q'", "http://x/1?a=1&b=2"},
    {"line1\r\nline2", "中文，“引号”", "back\\slash\ttab", "http://x/2"},
    {"", "x\uFFFD", "\x01-ctl", "http://x/3"},
};

ResultTable Table() {
  ResultTable table;
  table.AddColumns(kCaptions);
  for (const std::vector<Text>& cells : kTable) table.AddRows({Record{cells}});
  return table;
}

struct FormatCase {
  ExportFormat format;
  const char* reader;
  std::vector<std::string> header;
};

TEST(FormatFileExport, ReadsBackToTheSameCells) {
  const FormatCase cases[] = {
      {ExportFormat::Csv, "csv", {"文本 2", "文本 3", "文本 2", "文本 5"}},
      {ExportFormat::JsonLines, "jsonl", {"文本 2", "文本 3", "文本 2 (2)", "address"}},
      {ExportFormat::Html, "html", {"文本 2", "文本 3", "文本 2", "文本 5"}},
      {ExportFormat::Xlsx, "xlsx", {"文本 2", "文本 3", "文本 2", "文本 5"}},
  };
  for (const FormatCase& c : cases) {
    std::vector<std::vector<std::string>> expected = {c.header};
    expected.insert(expected.end(), kCellsUtf8.begin(), kCellsUtf8.end());
    const ExportedFile file = ExportFile(c.format, Table(), "");
    EXPECT_EQ(file.fault, "");
    EXPECT_EQ(ReadBackWithPython(c.reader, file.bytes), Joined(expected)) << c.reader;
  }
}

TEST(XlsxWorkbook, CellsAreTextsInFittedColumnsOnAsManySheetsAsTheRowsNeed) {
  ResultTable table;
  table.AddColumns({T("文本 1"), T("文本 2"), T("文本 3"), T("文本 4")});
  const Text longCell(40000, 'x');
  for (const Text& cell : {T("0042"), T("=1+1"), longCell, T("_x0041_\x01")}) {
    table.AddRows({Record{{"<whole>", cell, "", "http://x/" + cell.substr(0, 4)}}});
  }
  const ExportedFile file = XlsxWorkbook(table, 3);
  ASSERT_EQ(file.fault, "");
  const std::string sheets = ReadBackWithPython("xlsx-sheets", file.bytes);
  // Widths: the widest cell plus 2, Chinese characters counting two, at most 80; "s" a text cell,
  // "n" an empty one.
  EXPECT_EQ(sheets, Joined({{"采集结果", "80", "8", "15", "sss" "sns" "sns" "sns"},
                            {"采集结果 2", "80", "8", "15", "sss" "sns"}}));
  const std::string cells = ReadBackWithPython("xlsx", file.bytes);
  EXPECT_THAT(cells, HasSubstr(Joined({{"0042", "", "http://x/0042"}, {"=1+1", "", "http://x/=1+1"}})));
  // Text that looks like Excel's escape of a character stays as it is, beside a control character.
  EXPECT_THAT(cells, HasSubstr(Joined({{"_x0041_\x01", "", "http://x/_x00"}})));
  EXPECT_THAT(cells, HasSubstr(Joined({{std::string(32767, 'x'), "", "http://x/xxxx"}, {"文本 2", "文本 3", "文本 4"}})));
}

TEST(FormatFileExport, EachFormatFramesItsRows) {
  EXPECT_THAT(FormatFileExport(ExportFormat::Csv, Table(), ""),
              StartsWith("\xEF\xBB\xBF文本 2,文本 3,文本 2,文本 5\r\n"
                         "\"a,b\",\"say \"\"hi\"\"\",<b> & 'q',http://x/1?a=1&b=2\r\n"));
  EXPECT_THAT(FormatFileExport(ExportFormat::Tsv, Table(), ""),
              HasSubstr("\nline1  line2\t中文，“引号”\tback\\slash tab\thttp://x/2\n"));
  std::string html = FormatFileExport(ExportFormat::Html, Table(), "");
  EXPECT_THAT(html, StartsWith("<!DOCTYPE html>"));
  EXPECT_THAT(html, HasSubstr("<meta charset=\"utf-8\">"));
  EXPECT_THAT(html, HasSubstr("<td>&lt;b&gt; &amp; &#39;q&#39;</td>"));
  EXPECT_THAT(html, HasSubstr("<td>say &quot;hi&quot;</td>"));
}

TEST(FormatFileExport, DetailColumnsFollowThePageAddressWhichKeepsItsKey) {
  ResultTable table;
  table.AddColumns({T("文本 1"), T("标题"), T("文本 3")});
  table.AddDetailColumns({T("作者"), T("文本 3")});
  table.AddRows({Record{{"m", "t", "http://x/1", "a", "d"}}});
  EXPECT_EQ(table.AddressColumn(), 2);
  EXPECT_EQ(FormatFileExport(ExportFormat::JsonLines, table, ""),
            "{\"标题\": \"t\", \"address\": \"http://x/1\", \"作者\": \"a\", \"文本 3\": \"d\"}\n");
  EXPECT_EQ(FormatFileExport(ExportFormat::Csv, table, ""), "\xEF\xBB\xBF标题,文本 3,作者,文本 3\r\nt,http://x/1,a,d\r\n");
}

// A cell, and how CSV and TSV write it with formulas as text.
struct FormulaCase {
  const char* cell;
  const char* asText;
};

TEST(FormatFileExport, FormulaCellsBecomeTextInCsvAndTsvUnlessRaw) {
  const FormulaCase cases[] = {
      // A formula or what a spreadsheet could take for one.
      {"=1+1", "'=1+1"}, {"@SUM(A1)", "'@SUM(A1)"}, {"+86 10 1234", "'+86 10 1234"}, {"-2+3", "'-2+3"},
      {"-", "'-"}, {"--", "'--"}, {"-1,234", "'-1,234"}, {"-5%", "'-5%"}, {"-0x1F", "'-0x1F"}, {"-e5", "'-e5"},
      {"-1e", "'-1e"}, {"-1.2.3", "'-1.2.3"}, {"- 5", "'- 5"}, {"+.", "'+."}, {"-１２", "'-１２"},
      // A plain number: sign, digits with at most one point, an exponent.
      {"-12.5", "-12.5"}, {"+3", "+3"}, {"-.5", "-.5"}, {"-5.", "-5."}, {"-1e5", "-1e5"}, {"+1.5E-3", "+1.5E-3"},
      // Not starting with a formula sign.
      {"12", "12"}, {"a=b", "a=b"}, {" =1", " =1"}, {"", ""}, {"＝1", "＝1"}, {"'=x", "'=x"},
  };
  ResultTable table;
  table.AddColumns({T("文本 1"), T("文本 2"), T("文本 3")});
  std::string asText = "文本 2\t文本 3\n";
  std::string raw = asText;
  for (const FormulaCase& c : cases) {
    table.AddRows({Record{{"whole", runtime::Utf8ToText(c.cell), "http://a/"}}});
    asText += std::string(c.asText) + "\thttp://a/\n";
    raw += std::string(c.cell) + "\thttp://a/\n";
  }
  EXPECT_EQ(FormatFileExport(ExportFormat::Tsv, table, ""), asText);
  EXPECT_EQ(FormatFileExport(ExportFormat::Tsv, table, "", FormulaCells::Raw), raw);

  ResultTable quoted;
  quoted.AddColumns({T("文本 1"), T("文本 2"), T("文本 3")});
  quoted.AddRows({Record{{"whole", "=1,2", "-3"}}});
  EXPECT_EQ(FormatFileExport(ExportFormat::Csv, quoted, ""), "\xEF\xBB\xBF文本 2,文本 3\r\n\"'=1,2\",-3\r\n");
  EXPECT_EQ(FormatFileExport(ExportFormat::Csv, quoted, "", FormulaCells::Raw),
            "\xEF\xBB\xBF文本 2,文本 3\r\n\"=1,2\",-3\r\n");
  EXPECT_THAT(FormatFileExport(ExportFormat::JsonLines, quoted, ""), HasSubstr("\"=1,2\""));
  EXPECT_THAT(FormatFileExport(ExportFormat::Html, quoted, ""), HasSubstr("<td>=1,2</td>"));
  EXPECT_EQ(FormatFileExport(ExportFormat::Text, quoted, "|"), "=1,2|-3\r\n");
}

}  // namespace
}  // namespace collect
