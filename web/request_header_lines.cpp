// The caller's request header block turned into the header list libcurl sends.
#include "web/request_header_lines.h"

#include <algorithm>

namespace web {
namespace {

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string_view> SplitLines(std::string_view block) {
  std::vector<std::string_view> lines;
  size_t begin = 0;
  while (begin <= block.size()) {
    size_t end = block.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = block.size();
    if (end > begin) lines.push_back(block.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

bool IsHeaderNamed(std::string_view line, std::string_view name) {
  size_t colon = line.find(':');
  return colon != std::string_view::npos && EqualsIgnoringCase(line.substr(0, colon), name);
}

}  // namespace

bool BlockHasHeader(std::string_view headerBlock, std::string_view name) {
  auto lines = SplitLines(headerBlock);
  return std::any_of(lines.begin(), lines.end(),
                     [&](std::string_view line) { return IsHeaderNamed(line, name); });
}

std::string WithoutCredentialLines(std::string_view headerBlock) {
  std::string block;
  for (std::string_view line : SplitLines(headerBlock)) {
    if (IsHeaderNamed(line, "Cookie") || IsHeaderNamed(line, "Authorization")) continue;
    if (!block.empty()) block += "\r\n";
    block += line;
  }
  return block;
}

std::vector<std::string> CurlHeaderLines(std::string_view headerBlock, bool sendsBody) {
  std::vector<std::string> result;
  for (std::string_view line : SplitLines(headerBlock)) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    if (IsBlank(line.substr(colon + 1)))
      result.push_back(std::string(line.substr(0, colon)) + ";");
    else
      result.emplace_back(line);
  }
  if (!BlockHasHeader(headerBlock, "Accept")) result.emplace_back("Accept:");
  if (sendsBody && !BlockHasHeader(headerBlock, "Content-Type")) result.emplace_back("Content-Type:");
  if (!BlockHasHeader(headerBlock, "Expect")) result.emplace_back("Expect:");
  return result;
}

}  // namespace web
