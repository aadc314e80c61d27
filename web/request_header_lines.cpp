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

// The block's lines without their line breaks; no empty line. A byte at a time: find_first_of
// would call memchr on the set of line breaks for every byte, which showed in runs of many pages.
std::vector<std::string_view> SplitLines(std::string_view block) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  for (std::size_t at = 0; at <= block.size(); ++at) {
    if (at < block.size() && block[at] != '\r' && block[at] != '\n') continue;
    if (at > begin) lines.push_back(block.substr(begin, at - begin));
    begin = at + 1;
  }
  return lines;
}

bool IsHeaderNamed(std::string_view line, std::string_view name) {
  size_t colon = line.find(':');
  return colon != std::string_view::npos && EqualsIgnoringCase(line.substr(0, colon), name);
}

bool AnyHeaderNamed(const std::vector<std::string_view>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(), [&](std::string_view line) { return IsHeaderNamed(line, name); });
}

}  // namespace

bool BlockHasHeader(std::string_view headerBlock, std::string_view name) {
  return AnyHeaderNamed(SplitLines(headerBlock), name);
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
  const std::vector<std::string_view> lines = SplitLines(headerBlock);
  for (std::string_view line : lines) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    if (IsBlank(line.substr(colon + 1)))
      result.push_back(std::string(line.substr(0, colon)) + ";");
    else
      result.emplace_back(line);
  }
  if (!AnyHeaderNamed(lines, "Accept")) result.emplace_back("Accept:");
  if (sendsBody && !AnyHeaderNamed(lines, "Content-Type")) result.emplace_back("Content-Type:");
  if (!AnyHeaderNamed(lines, "Expect")) result.emplace_back("Expect:");
  return result;
}

}  // namespace web
