// A row's cells packed into one byte string: each cell its length in LEB128 (seven bits a byte,
// low bits first, the high bit set on every byte but the last), then its bytes. The result table
// holds its rows this way, and the run store keeps records and their digests' input so.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace collect {

// The number of bytes the length takes.
std::size_t PackedLengthSize(std::size_t length);
// Writes the length at out and returns the byte after it.
char* WritePackedLength(char* out, std::size_t length);
// Reads a length at in and moves in past it. The bytes must hold a whole length.
std::size_t ReadPackedLength(const char*& in);
// Reads a length at in, never at or past end, and moves in past it: bytes that may be damaged. A
// length cut short by the end is what its bytes give.
std::size_t ReadPackedLength(const char*& in, const char* end);

// AppendPackedLength of a length of 128 or more.
void AppendLongPackedLength(std::string& packed, std::size_t length);
// Appends a length, as a cell's is written, to packed. Most lengths take a byte: such a length
// is appended without a call, for the cells of a run's records go through here.
inline void AppendPackedLength(std::string& packed, std::size_t length) {
  if (length < 0x80) {
    packed.push_back(static_cast<char>(length));
  } else {
    AppendLongPackedLength(packed, length);
  }
}
// Appends one cell, packed, to packed: PackCells of the cells so appended, without a new string.
inline void AppendPackedCell(std::string& packed, std::string_view cell) {
  AppendPackedLength(packed, cell.size());
  packed.append(cell);
}
// The cells packed one after the other.
std::string PackCells(const std::vector<runtime::Text>& cells);
// The cells of a packed string; a cell cut short by the end of the bytes ends with them, and
// nothing past the bytes is read.
std::vector<runtime::Text> UnpackCells(std::string_view packed);

}  // namespace collect
