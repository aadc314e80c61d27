// The ranges of the whole-number settings: one table for the command line's options, the project
// file's fields and the window's boxes, so that each accepts and names the same bounds.
#pragma once

#include <cstdint>

#include "web/transfer_settings.h"

namespace collect {

// The smallest and the largest value a whole-number setting takes, both included.
struct SettingRange {
  std::int64_t lowest;
  std::int64_t highest;

  bool Holds(std::int64_t value) const { return value >= lowest && value <= highest; }
};

// Connections to one host at a time.
inline constexpr SettingRange kPerHostRange{1, 64};
// Pages downloading at once.
inline constexpr SettingRange kJobsRange{1, 256};
// Milliseconds between two requests to the same host.
inline constexpr SettingRange kDelayRange{0, 600000};
// The page size limit in mebibytes: below 2 GiB, the largest body a transfer takes.
inline constexpr SettingRange kMaxPageMbRange{1, web::kLargestBodyBytes / web::kMebibyte};
// Next pages followed from one address of the list; 0 follows none.
inline constexpr SettingRange kMaxNextRange{0, 100000};

}  // namespace collect
