// Reading the wait a server asks for in its "Retry-After" header.
#include "web/retry_after.h"

#include <curl/curl.h>

#include <algorithm>
#include <string>

namespace web {
namespace {

constexpr std::string_view kName = "retry-after:";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The value of the first Retry-After line, or nothing.
std::optional<std::string_view> RetryAfterValue(std::string_view block) {
  while (!block.empty()) {
    size_t end = block.find("\r\n");
    std::string_view line = block.substr(0, end);
    bool named = line.size() >= kName.size() &&
                 std::equal(kName.begin(), kName.end(), line.begin(), [](char expected, char c) {
                   return expected == ((c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c);
                 });
    if (named) return Trimmed(line.substr(kName.size()));
    if (end == std::string_view::npos) break;
    block.remove_prefix(end + 2);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::chrono::seconds> RetryAfterDelay(std::string_view headerBlock,
                                                    std::chrono::system_clock::time_point now,
                                                    std::chrono::seconds maxWait) {
  std::optional<std::string_view> value = RetryAfterValue(headerBlock);
  if (!value || value->empty()) return std::nullopt;
  std::chrono::seconds wait{0};
  if (std::all_of(value->begin(), value->end(), [](char c) { return c >= '0' && c <= '9'; })) {
    if (value->size() > 9) return std::nullopt;
    wait = std::chrono::seconds(std::stol(std::string(*value)));
  } else {
    time_t date = curl_getdate(std::string(*value).c_str(), nullptr);
    if (date == -1) return std::nullopt;
    auto until = std::chrono::system_clock::from_time_t(date);
    wait = std::max(std::chrono::seconds(0), std::chrono::ceil<std::chrono::seconds>(until - now));
  }
  if (wait > maxWait) return std::nullopt;
  return wait;
}

}  // namespace web
