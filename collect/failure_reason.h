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

}  // namespace collect
