// Gathers one HTTP answer as libcurl hands it over.
#include "web/response_collector.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace web {
namespace {

std::string_view WithoutLineBreak(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// Bodies from this size on are kept in huge pages where the system allows it.
constexpr std::int64_t kHugePageThreshold = std::int64_t{8} << 20;

// Asks the system to back the whole pages of a large block with huge pages: filling it then costs
// one page fault per 2 MiB instead of one per 4 KiB.
void AdviseHugePages(char* block, std::size_t length) {
  const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  auto begin = (reinterpret_cast<std::uintptr_t>(block) + pageSize - 1) / pageSize * pageSize;
  auto end = (reinterpret_cast<std::uintptr_t>(block) + length) / pageSize * pageSize;
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

void ResponseCollector::AddHeaderLine(std::string_view line) {
  std::string_view content = WithoutLineBreak(line);
  if (content.starts_with("HTTP/")) {
    block_.clear();
    started_ = true;
    complete_ = false;
  } else if (!started_ || complete_) {
    return;
  }
  block_.append(content);
  block_.append("\r\n");
  if (content.empty()) complete_ = true;
}

int ResponseCollector::StatusCode() const {
  size_t space = block_.find(' ');
  if (space == std::string::npos || block_.size() < space + 4) return 0;
  int code = 0;
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (block_[i] < '0' || block_[i] > '9') return 0;
    code = code * 10 + (block_[i] - '0');
  }
  return code;
}

void ResponseCollector::ExpectBodySize(std::int64_t size) {
  if (size <= 0) return;
  body_.reserve(static_cast<size_t>(size));
  if (size >= kHugePageThreshold) AdviseHugePages(body_.data(), body_.capacity());
}

void ResponseCollector::Clear() {
  block_.clear();
  body_.clear();
  started_ = false;
  complete_ = false;
}

}  // namespace web
