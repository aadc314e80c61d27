// Fuzz target: the cells of a page's records as a run store keeps them, read back from any bytes (a
// store file may be damaged or made by hand). Reading never goes past the bytes, and cells packed
// again read back the same.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "collect/packed_cells.h"
#include "collect/stored_records.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::InputBytes(data, size);
  const std::vector<runtime::Text> cells = collect::UnpackCells(bytes);
  std::size_t held = 0;
  for (const runtime::Text& cell : cells) held += cell.size();
  fuzz::Require(held <= size, "the cells hold no more than the bytes");
  fuzz::Require(collect::UnpackCells(collect::PackCells(cells)) == cells,
                "cells packed again read back the same");
  std::size_t recordsHeld = 0;
  const collect::RecordList records = collect::RecordsOfStoredCells(bytes);
  for (std::size_t record = 0; record < records.Size(); ++record) {
    for (int cell = 0; cell < records.CellCount(record); ++cell) recordsHeld += records.Cell(record, cell).size();
  }
  fuzz::Require(recordsHeld <= size, "the records hold no more than the bytes");
  return 0;
}
