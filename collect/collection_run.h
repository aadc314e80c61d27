// The collection run: every list address downloaded, cut, cleaned and matched, one result row per
// match; and the per-page routine that the configuration test shares.
#pragma once

#include <optional>

#include "runtime/text.h"

namespace collect {

// Browser identification sent with every page request.
inline constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/49.0.2623.221 Safari/537.36 SE 2.X MetaSr 1.0";
// Width of every result column.
inline constexpr int kColumnWidth = 80;

// Click handler of "开始处理": refuses an empty rule, clears the list and collects every address
// of the address box, retrying once a page without a match. Ignored while a run is in progress.
void StartProcessing();

// Removes every column and every row of the result list.
void ClearResultList();

// Collects one page: status-bar address, download, decoding, cut, normalisation, page text
// shown; then (unless testOnly) matching, columns while the list holds fewer than two rows, one
// row per match with the address last. Returns the number of matches, or -1 when testOnly.
int CollectPage(const runtime::Text& address, std::optional<bool> testOnly = std::nullopt);

}  // namespace collect
