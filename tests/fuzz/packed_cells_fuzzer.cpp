// Fuzz target: the cells of a page's records as a run store keeps them, read back from any bytes (a
// store file may be damaged or made by hand) in either coding. Reading never goes past the bytes,
// and cells packed or coded again read back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/packed_cells.h"
#include "collect/stored_records.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::vector<std::vector<runtime::Text>> CellsOf(const collect::RecordList& records) {
  std::vector<std::vector<runtime::Text>> cells;
  for (std::size_t record = 0; record < records.Size(); ++record) cells.push_back(records.Cells(record));
  return cells;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::InputBytes(data, size);
  const std::vector<runtime::Text> cells = collect::UnpackCells(bytes);
  std::size_t held = 0;
  for (const runtime::Text& cell : cells) held += cell.size();
  fuzz::Require(held <= size, "the cells hold no more than the bytes");
  fuzz::Require(collect::UnpackCells(collect::PackCells(cells)) == cells,
                "cells packed again read back the same");
  std::size_t recordsHeld = 0;
  const collect::RecordList packed = collect::RecordsOfStoredCells(std::string(bytes), collect::CellsCoding::Packed);
  for (const std::vector<runtime::Text>& record : CellsOf(packed)) {
    for (const runtime::Text& cell : record) recordsHeld += cell.size();
  }
  fuzz::Require(recordsHeld <= size, "the packed records hold no more than the bytes");
  const collect::RecordList referenced =
      collect::RecordsOfStoredCells(std::string(bytes), collect::CellsCoding::Referenced);
  std::size_t cellCount = 0;
  for (std::size_t record = 0; record < referenced.Size(); ++record) cellCount += referenced.CellCount(record);
  fuzz::Require(referenced.Size() + cellCount <= size, "no record or cell without a byte of its own");
  std::string coded;
  collect::StoreCellsOf(referenced, coded);
  fuzz::Require(CellsOf(collect::RecordsOfStoredCells(coded, collect::CellsCoding::Referenced)) == CellsOf(referenced),
                "records coded again read back the same");
  return 0;
}
