// Comments taken out of a Perl pattern: a scan that knows escapes, bracket expressions, groups and
// where extended mode is on.
#include "runtime/pattern_comments.h"

#include <algorithm>
#include <vector>

namespace runtime {
namespace {

constexpr std::string_view kCommentStart = "(?#";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The end of the stretch that starts at a backslash: \Q quotes up to \E, any other escape takes
// the next byte.
std::size_t EscapeEnd(std::string_view pattern, std::size_t at) {
  if (at + 1 < pattern.size() && pattern[at + 1] == 'Q') {
    const std::size_t end = pattern.find("\\E", at + 2);
    return end == std::string_view::npos ? pattern.size() : end + 2;
  }
  return std::min(at + 2, pattern.size());
}

// The end of the bracket expression that starts at at, its POSIX classes ("[:alpha:]") and a "]"
// first in it (after "^") included.
std::size_t ClassEnd(std::string_view pattern, std::size_t at) {
  std::size_t i = at + 1;
  if (i < pattern.size() && pattern[i] == '^') ++i;
  if (i < pattern.size() && pattern[i] == ']') ++i;
  while (i < pattern.size() && pattern[i] != ']') {
    if (pattern[i] == '\\') {
      i = std::min(i + 2, pattern.size());
    } else if (pattern[i] == '[' && i + 1 < pattern.size() && std::string_view(":.=").find(pattern[i + 1]) != std::string_view::npos) {
      const std::size_t close = pattern.find(std::string{pattern[i + 1], ']'}, i + 2);
      i = close == std::string_view::npos ? i + 1 : close + 2;
    } else {
      ++i;
    }
  }
  return std::min(i + 1, pattern.size());
}

// Past the ")" of the comment that starts at at; npos when it has none.
std::size_t CommentEnd(std::string_view pattern, std::size_t at) {
  const std::size_t close = pattern.find(')', at + kCommentStart.size());
  return close == std::string_view::npos ? std::string_view::npos : close + 1;
}

// Past the end of the line, for a "#" comment of extended mode.
std::size_t LineEnd(std::string_view pattern, std::size_t at) {
  const std::size_t end = pattern.find('\n', at);
  return end == std::string_view::npos ? pattern.size() : end + 1;
}

// The first byte from at on that is no white space and lies in no comment: what the parser meets
// next.
std::size_t NextToken(std::string_view pattern, std::size_t at, bool extended) {
  while (at < pattern.size()) {
    if (IsSpace(pattern[at])) {
      ++at;
    } else if (extended && pattern[at] == '#') {
      at = LineEnd(pattern, at);
    } else if (pattern.compare(at, kCommentStart.size(), kCommentStart) == 0 && CommentEnd(pattern, at) != std::string_view::npos) {
      at = CommentEnd(pattern, at);
    } else {
      break;
    }
  }
  return at;
}

// For a group opening "(?flags)" or "(?flags:" at at: the length of the opening and the extended
// mode it leaves. Zero length for any other opening.
struct FlagGroup {
  std::size_t length = 0;
  bool extended = false;
  bool scoped = false;  // "(?flags:...)": the flags hold inside the group only
};

FlagGroup ReadFlagGroup(std::string_view pattern, std::size_t at, bool extended) {
  if (pattern.compare(at, 2, "(?") != 0) return {};
  bool on = true;
  std::size_t i = at + 2;
  for (; i < pattern.size() && std::string_view("imsx-").find(pattern[i]) != std::string_view::npos; ++i) {
    if (pattern[i] == '-') on = false;
    if (pattern[i] == 'x') extended = on;
  }
  if (i == at + 2 || i >= pattern.size() || (pattern[i] != ')' && pattern[i] != ':')) return {};
  return {i + 1 - at, extended, pattern[i] == ':'};
}

}  // namespace

std::string WithoutComments(std::string_view pattern) {
  if (pattern.find(kCommentStart) == std::string_view::npos) return std::string(pattern);
  std::string kept;
  kept.reserve(pattern.size());
  // Extended mode of each open group, the pattern's own first.
  std::vector<bool> extended{false};
  std::size_t at = 0;
  while (at < pattern.size()) {
    const char c = pattern[at];
    std::size_t end = at + 1;
    if (c == '\\') {
      end = EscapeEnd(pattern, at);
    } else if (c == '[') {
      end = ClassEnd(pattern, at);
    } else if (c == '#' && extended.back()) {
      end = LineEnd(pattern, at);
    } else if (pattern.compare(at, kCommentStart.size(), kCommentStart) == 0) {
      const std::size_t commentEnd = CommentEnd(pattern, at);
      if (commentEnd != std::string_view::npos) {
        const std::size_t next = NextToken(pattern, commentEnd, extended.back());
        const bool repeatFollows = next < pattern.size() && std::string_view("*+?{").find(pattern[next]) != std::string_view::npos;
        if (!repeatFollows) kept += "(?:)";
        at = commentEnd;
        continue;
      }
      end = pattern.size();
    } else if (c == '(') {
      const FlagGroup flags = ReadFlagGroup(pattern, at, extended.back());
      if (flags.length > 0 && !flags.scoped) {
        extended.back() = flags.extended;
      } else {
        extended.push_back(flags.length > 0 ? flags.extended : extended.back());
      }
      end = at + std::max<std::size_t>(flags.length, 1);
    } else if (c == ')' && extended.size() > 1) {
      extended.pop_back();
    }
    kept.append(pattern.substr(at, end - at));
    at = end;
  }
  return kept;
}

}  // namespace runtime
