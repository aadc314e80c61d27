// Cells packed with their LEB128 lengths.
#include "collect/packed_cells.h"

#include <algorithm>

namespace collect {

std::size_t PackedLengthSize(std::size_t length) {
  std::size_t size = 1;
  while (length >= 0x80) {
    length >>= 7;
    ++size;
  }
  return size;
}

char* WritePackedLength(char* out, std::size_t length) {
  while (length >= 0x80) {
    *out++ = static_cast<char>((length & 0x7F) | 0x80);
    length >>= 7;
  }
  *out++ = static_cast<char>(length);
  return out;
}

std::size_t ReadPackedLength(const char*& in) {
  std::size_t length = 0;
  int shift = 0;
  unsigned char byte = 0;
  do {
    byte = static_cast<unsigned char>(*in++);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    shift += 7;
  } while ((byte & 0x80) != 0);
  return length;
}

std::size_t ReadPackedLength(const char*& in, const char* end) {
  std::size_t length = 0;
  int shift = 0;
  unsigned char byte = 0x80;
  while (in < end && (byte & 0x80) != 0 && shift < 64) {
    byte = static_cast<unsigned char>(*in++);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    shift += 7;
  }
  return length;
}

void AppendLongPackedLength(std::string& packed, std::size_t length) {
  char bytes[(sizeof(std::size_t) * 8 + 6) / 7];
  packed.append(bytes, WritePackedLength(bytes, length));
}

std::string PackCells(const std::vector<runtime::Text>& cells) {
  std::size_t size = 0;
  for (const runtime::Text& cell : cells) size += PackedLengthSize(cell.size()) + cell.size();
  std::string packed(size, '\0');
  char* out = packed.data();
  for (const runtime::Text& cell : cells) {
    out = WritePackedLength(out, cell.size());
    out = std::copy(cell.begin(), cell.end(), out);
  }
  return packed;
}

std::vector<runtime::Text> UnpackCells(std::string_view packed) {
  std::vector<runtime::Text> cells;
  const char* in = packed.data();
  const char* end = in + packed.size();
  while (in < end) {
    const std::size_t written = ReadPackedLength(in, end);
    const std::size_t length = std::min(written, static_cast<std::size_t>(end - in));
    cells.emplace_back(in, length);
    in += length;
  }
  return cells;
}

}  // namespace collect
