// Reading the wait a server asks for in its "Retry-After" header.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace web {

// The wait the first "Retry-After" line of a raw header block asks for (name in any case), as
// delay-seconds ("120") or as an HTTP date counted from now (a date already past asks for no
// wait); nothing when the block has no such line, its value cannot be read, or the wait is
// longer than maxWait.
std::optional<std::chrono::seconds> RetryAfterDelay(std::string_view headerBlock,
                                                    std::chrono::system_clock::time_point now,
                                                    std::chrono::seconds maxWait);

}  // namespace web
