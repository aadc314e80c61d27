// `pelmo collect`: one collection run and one export, without a window.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Exit statuses of `pelmo collect`.
inline constexpr int kCollectDone = 0;
inline constexpr int kCollectBadRule = 1;
inline constexpr int kCollectUsageError = 2;
inline constexpr int kCollectPagesFailed = 3;

// The usage text of the program (UTF-8, ends with a line break).
std::string UsageText();

// Runs `pelmo collect` with the arguments after "collect". The export goes to standard output,
// each status-box line and the final status message to standard error, all in UTF-8.
int RunCollectCommand(const std::vector<std::string>& arguments);

// The address-box text from address lines (LF or CR LF ends): lines joined by CR LF, a final line
// break adding no empty address.
std::string AddressBoxFromLines(const std::string& lines);

}  // namespace cli
