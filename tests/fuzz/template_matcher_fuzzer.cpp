// Fuzz target: the template matcher against the backtracking engine on the same rule and page.
// Input: one byte of options (bit 0: case-sensitive, bit 1: the rule read as written), the rule,
// 0x01, the page. In the rule the bytes 0x02 to 0x05 stand for [var], [var0], [int] and [int0],
// so that most inputs are rules the template matcher takes. Where the engine finishes (within a
// second), both must give the same matches; where it gives up, the template matcher's matches
// must begin with the engine's.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/match_rule.h"
#include "runtime/regex.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using runtime::Text;

// The rule with its placeholder bytes written out.
Text ExpandPlaceholders(std::string_view rule) {
  static const char* const kPlaceholders[] = {"[var]", "[var0]", "[int]", "[int0]"};
  Text expanded;
  for (char byte : rule) {
    if (byte >= '\x02' && byte <= '\x05') {
      expanded += kPlaceholders[byte - '\x02'];
    } else {
      expanded += byte;
    }
  }
  return expanded;
}

bool SameEntries(const runtime::SearchResult& a, const runtime::SearchResult& b) {
  return a.Entries() == b.Entries();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool caseSensitive = (data[0] & 1) != 0;
  const collect::RuleSyntax syntax = (data[0] & 2) != 0 ? collect::RuleSyntax::Literal : collect::RuleSyntax::Pattern;
  const std::vector<std::string> fields = fuzz::SplitFields(fuzz::InputBytes(data + 1, size - 1));
  const Text rule = ExpandPlaceholders(fuzz::FieldAt(fields, 0));
  const Text page = fuzz::FieldAt(fields, 1);

  runtime::Regex regex;
  if (!regex.Create(collect::TranslateMatchRule(rule, syntax), caseSensitive ? runtime::Case::Sensitive : runtime::Case::Insensitive)) return 0;
  if (!regex.UsesTemplateMatcher()) return 0;
  const runtime::SearchReport fast = regex.Search(page, {});
  fuzz::Require(fast.outcome == runtime::SearchOutcome::Complete, "the template matcher always finishes");

  // The engine's complexity limit grows with the page, not with the rule, and a rule of hundreds of
  // holes can keep it busy for minutes under instrumentation: it gets a second, after which the
  // comparison holds for the matches it found.
  const runtime::SearchReport engine =
      regex.WithBacktrackingOnly().Search(page, {std::chrono::seconds(1), nullptr});
  if (engine.outcome == runtime::SearchOutcome::Complete) {
    fuzz::Require(fast.matches.size() == engine.matches.size(), "as many matches as the engine finds");
  } else {
    fuzz::Require(fast.matches.size() >= engine.matches.size(),
                  "at least the matches the engine found before it gave up");
  }
  for (std::size_t i = 0; i < engine.matches.size() && i < fast.matches.size(); ++i) {
    fuzz::Require(SameEntries(fast.matches[i], engine.matches[i]), "the same match, group for group");
  }
  return 0;
}
