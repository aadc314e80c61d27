// The byte layout of a report list's column definitions (property 17): a sequence of records,
// each the image-on-right byte, the image index, alignment and width as 4-byte little-endian
// signed integers, then the caption ending with a zero byte.
#pragma once

#include <vector>

#include "runtime/report_list.h"
#include "runtime/text.h"

namespace runtime {

// The records of the columns, in order.
ByteSet EncodeColumnRecords(const std::vector<ReportColumn>& columns);
// The columns the records describe. A trailing piece too short for a record is ignored; a
// caption without its zero byte runs to the end of the bytes.
std::vector<ReportColumn> DecodeColumnRecords(const ByteSet& records);

}  // namespace runtime
