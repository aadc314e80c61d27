// Fuzz target: the export of a result list with fuzzed cells and separator. Input: separator,
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

// One result list exported; the export asks only for the shown cells and frames them exactly, a
// cell that ends inside a character ending with U+FFFD so that it cannot pair with what follows.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const int rowCount = provider.ConsumeIntegralInRange<int>(-1, 12);
  const int columnCount = provider.ConsumeIntegralInRange<int>(-1, 12);
  const std::vector<std::string> fields =
      fuzz::SplitFields(provider.ConsumeRemainingBytesAsString());
  const Text separator = fields[0];

  std::size_t cellBytes = 0;
  std::size_t cellsAsked = 0;
  const Text exported = collect::FormatExport(
      rowCount, columnCount,
      [&](int row, int column) {
        fuzz::Require(row >= 0 && row < rowCount && column >= 1 && column < columnCount,
                      "only the shown cells are asked for");
        const Text cell = fuzz::FieldAt(fields, 1 + cellsAsked++ % fields.size());
        // A cell that ends inside a character is exported with U+FFFD in its place.
        cellBytes += runtime::EndWithWholeCharacter(cell).size();
        return cell;
      },
      separator);

  const std::size_t rows = rowCount > 0 ? static_cast<std::size_t>(rowCount) : 0;
  const std::size_t cells = columnCount > 1 ? static_cast<std::size_t>(columnCount - 1) : 0;
  fuzz::Require(cellsAsked == rows * cells, "every shown cell is asked for once");
  fuzz::Require(exported.size() == ExpectedLength(cellBytes, rowCount, columnCount, separator),
                "the export holds the cells and their frames and nothing else");
  fuzz::Require(rows == 0 || exported.ends_with("\r\n"), "every row ends with CR LF");
  return 0;
}
