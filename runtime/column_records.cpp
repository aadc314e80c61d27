// Encoding and decoding of column-definition records.
#include "runtime/column_records.h"

#include <cstdint>

namespace runtime {

namespace {

constexpr std::size_t kRecordHeaderSize = 13;

void AppendInt32(ByteSet& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<char>((bits >> shift) & 0xFF));
  }
}

std::int32_t ReadInt32(const ByteSet& bytes, std::size_t offset) {
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) {
    bits = (bits << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return static_cast<std::int32_t>(bits);
}

}  // namespace

ByteSet EncodeColumnRecords(const std::vector<ReportColumn>& columns) {
  ByteSet out;
  for (const ReportColumn& column : columns) {
    out.push_back(column.imageOnRight ? 1 : 0);
    AppendInt32(out, column.imageIndex);
    AppendInt32(out, column.alignment);
    AppendInt32(out, column.width);
    out.append(column.caption.data(), column.caption.size());
    out.push_back('\0');
  }
  return out;
}

std::vector<ReportColumn> DecodeColumnRecords(const ByteSet& records) {
  std::vector<ReportColumn> columns;
  std::size_t offset = 0;
  while (records.size() - offset >= kRecordHeaderSize) {
    ReportColumn column;
    column.imageOnRight = records[offset] != 0;
    column.imageIndex = ReadInt32(records, offset + 1);
    column.alignment = ReadInt32(records, offset + 5);
    column.width = ReadInt32(records, offset + 9);
    offset += kRecordHeaderSize;
    const std::size_t end = records.find('\0', offset);
    const std::size_t captionEnd = end == ByteSet::npos ? records.size() : end;
    column.caption = records.substr(offset, captionEnd - offset);
    offset = end == ByteSet::npos ? records.size() : end + 1;
    columns.push_back(std::move(column));
  }
  return columns;
}

}  // namespace runtime
