// Fuzz target: the export of a result table with fuzzed cells and separator. Input: separator,
// then the cells, each field after a 0x01 byte (used in turn); the last bytes choose the row and
// column counts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "collect/result_export.h"
#include "runtime/code_page.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using runtime::Text;

// The length the export must have: the cells, and per row its frame and the marks between or
// around the cells.
std::size_t ExpectedLength(std::size_t cellBytes, int rowCount, int columnCount,
                           const Text& separator) {
  if (rowCount <= 0) return 0;
  const std::size_t rows = static_cast<std::size_t>(rowCount);
  const std::size_t cells = columnCount > 1 ? static_cast<std::size_t>(columnCount - 1) : 0;
  if (separator.empty()) {
    return cellBytes + rows * (Text("<tr></tr>\r\n").size() + cells * Text("<td></td>").size());
  }
  const std::size_t betweenCells = cells > 0 ? cells - 1 : 0;
  return cellBytes + rows * (2 + betweenCells * separator.size());
}

}  // namespace

// One result table exported; the export frames the shown cells exactly (column 0 left out), a
// cell that ends inside a character ending with U+FFFD so that it cannot pair with what follows.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const int rowCount = provider.ConsumeIntegralInRange<int>(0, 12);
  const int columnCount = provider.ConsumeIntegralInRange<int>(0, 12);
  const std::vector<std::string> fields =
      fuzz::SplitFields(provider.ConsumeRemainingBytesAsString());
  const Text separator = fields[0];

  collect::ResultTable table;
  table.AddColumns(std::vector<Text>(static_cast<std::size_t>(columnCount)));
  std::size_t cellBytes = 0;
  std::size_t cellsTaken = 0;
  for (int row = 0; row < rowCount; ++row) {
    collect::Record record;
    for (int column = 0; column < columnCount; ++column) {
      record.cells.push_back(fuzz::FieldAt(fields, 1 + cellsTaken++ % fields.size()));
      // A shown cell that ends inside a character is exported with U+FFFD in its place.
      if (column > 0) cellBytes += runtime::EndWithWholeCharacter(record.cells.back()).size();
    }
    table.AddRows({record});
  }
  const Text exported = collect::FormatExport(table, separator);

  const std::size_t rows = static_cast<std::size_t>(rowCount);
  fuzz::Require(exported.size() == ExpectedLength(cellBytes, rowCount, columnCount, separator),
                "the export holds the cells and their frames and nothing else");
  fuzz::Require(rows == 0 || exported.ends_with("\r\n"), "every row ends with CR LF");
  return 0;
}
