// Gathers one HTTP answer as libcurl hands it over.
#include "web/response_collector.h"

namespace web {
namespace {

std::string_view WithoutLineBreak(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
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
  if (size > 0) body_.reserve(static_cast<size_t>(size));
}

void ResponseCollector::Clear() {
  block_.clear();
  body_.clear();
  started_ = false;
  complete_ = false;
}

}  // namespace web
