// A request as the loopback server received it: the raw bytes and their parts.
#include "tests/support/received_request.h"

#include <algorithm>
#include <cstdlib>

namespace test_support {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool LineIsNamed(std::string_view line, std::string_view name) {
  size_t colon = line.find(':');
  return colon != std::string_view::npos && EqualsIgnoringCase(line.substr(0, colon), name);
}

}  // namespace

std::string ReceivedRequest::Path() const {
  size_t scheme = target.find("://");
  if (scheme == std::string::npos || target.starts_with('/')) return target;
  size_t slash = target.find('/', scheme + 3);
  return slash == std::string::npos ? "/" : target.substr(slash);
}

std::optional<std::string> ReceivedRequest::Header(std::string_view name) const {
  for (const std::string& line : headerLines) {
    if (LineIsNamed(line, name)) return std::string(Trim(std::string_view(line).substr(line.find(':') + 1)));
  }
  return std::nullopt;
}

int ReceivedRequest::HeaderCount(std::string_view name) const {
  return static_cast<int>(std::count_if(headerLines.begin(), headerLines.end(),
                                        [&](const std::string& line) { return LineIsNamed(line, name); }));
}

size_t RequestHeadLength(std::string_view data) {
  size_t end = data.find("\r\n\r\n");
  return end == std::string_view::npos ? 0 : end + 4;
}

size_t AnnouncedBodyLength(std::string_view head) {
  size_t begin = head.find("\r\n");
  while (begin != std::string_view::npos && begin + 2 < head.size()) {
    size_t end = head.find("\r\n", begin + 2);
    std::string_view line = head.substr(begin + 2, end - begin - 2);
    if (LineIsNamed(line, "Content-Length"))
      return static_cast<size_t>(std::strtoull(std::string(Trim(line.substr(line.find(':') + 1))).c_str(), nullptr, 10));
    begin = end;
  }
  return 0;
}

ReceivedRequest ParseRequest(std::string raw) {
  ReceivedRequest request;
  size_t headLength = RequestHeadLength(raw);
  std::string_view head = std::string_view(raw).substr(0, headLength);
  size_t lineEnd = head.find("\r\n");
  request.requestLine = std::string(head.substr(0, lineEnd));
  size_t firstSpace = request.requestLine.find(' ');
  size_t secondSpace = request.requestLine.find(' ', firstSpace + 1);
  request.method = request.requestLine.substr(0, firstSpace);
  if (firstSpace != std::string::npos)
    request.target = request.requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
  while (lineEnd != std::string_view::npos && lineEnd + 4 <= head.size()) {
    size_t next = head.find("\r\n", lineEnd + 2);
    if (next == lineEnd + 2) break;
    request.headerLines.emplace_back(head.substr(lineEnd + 2, next - lineEnd - 2));
    lineEnd = next;
  }
  request.body = raw.substr(headLength);
  request.raw = std::move(raw);
  return request;
}

}  // namespace test_support
