// How a page's download went wrong, in the words of its status line.
#pragma once

#include <cstdint>

#include "runtime/text.h"
#include "web/fetch.h"

namespace collect {

// Statuses from this one on make a page count as failed.
inline constexpr int kFirstFailingStatus = 400;

// The reason a page failed, without parentheses ("无法连接: Connection refused", "HTTP 404",
// "页面超过 256 MB"); empty when the answer arrived whole with a status below 400.
runtime::Text FailureReason(const web::FetchResponse& response, std::int64_t maxPageBytes);

// The address as a status text may show it: each control byte (below 0x20, and 0x7F) written as
// an escape ("\r", "\n", "\t", or "\x01" with two lower-case hex digits), everything else as it
// is. No byte of a double-byte character is a control byte, so characters stay whole.
runtime::Text PrintableAddress(const runtime::Text& address);

// The note of a page whose matching was given up (the rule backtracks too much, or its time ran
// out): "匹配规则过于复杂，已停止在第 N 条", N being the record it was looking for.
runtime::Text TooComplexNote(int recordsFound);

// Two notes of one parenthesis: joined by "；" when both are there, else the one that is.
runtime::Text JoinedNotes(const runtime::Text& first, const runtime::Text& second);

// The count line of one attempt: the address (as PrintableAddress shows it) directly followed by
// "取到 n 条纪录", and the reason and warning in one parenthesis, joined by "；", when there are
// any.
runtime::Text CountLine(const runtime::Text& address, int count, const runtime::Text& reason,
                        const runtime::Text& warning);

}  // namespace collect
