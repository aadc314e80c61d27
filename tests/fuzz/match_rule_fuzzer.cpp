// Fuzz target: a match rule translated, compiled and searched over a page as the collection run
// does it. Input: the rule, 0x01, the page. The matches are checked against a plain Boost search
// that starts at every position, so the literal-prefix skip can never change what is found.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <locale>
#include <optional>
#include <string_view>
#include <vector>

#include <boost/regex.hpp>

#include "collect/match_rule.h"
#include "collect/rule_captions.h"
#include "runtime/regex.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using runtime::SearchResult;
using runtime::SubMatch;
using runtime::Text;

using Reference = boost::basic_regex<char, boost::cpp_regex_traits<char>>;

// The whole-match and group positions of every match a search from each match's end finds,
// with the "C" locale's traits; nothing when the expression does not compile or the engine gives
// up, since then the two searches may stop at different places.
std::optional<std::vector<std::vector<SubMatch>>> ReferenceMatches(std::string_view pattern,
                                                                   std::string_view text) {
  try {
    Reference expression;
    expression.imbue(std::locale::classic());
    expression.assign(pattern.data(), pattern.data() + pattern.size(),
                      boost::regex_constants::perl | boost::regex_constants::icase);
    std::vector<std::vector<SubMatch>> matches;
    const char* from = text.data();
    const char* const end = text.data() + text.size();
    boost::match_results<const char*> match;
    while (!text.empty() && boost::regex_search(from, end, match, expression,
                                                boost::regex_constants::format_all, from)) {
      std::vector<SubMatch> entries(match.size());
      for (std::size_t i = 0; i < match.size(); ++i) {
        if (!match[i].matched) continue;
        entries[i] = {static_cast<int>(match[i].first - text.data()),
                      static_cast<int>(match[i].length()), true};
      }
      matches.push_back(std::move(entries));
      if (match[0].first == match[0].second) break;
      from = match[0].second;
    }
    return matches;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Every entry lies inside the text; matches come in order, apart, and only the last is empty.
void CheckPositions(const std::vector<SearchResult>& results, const runtime::Regex& regex,
                    const Text& page, int textLength) {
  int previousEnd = 0;
  for (std::size_t i = 0; i < results.size(); ++i) {
    const std::vector<SubMatch>& entries = results[i].Entries();
    fuzz::Require(entries.size() == static_cast<std::size_t>(regex.GetSubexpressionCount()) + 1,
                  "one entry per group and one for the whole match");
    for (const SubMatch& entry : entries) {
      if (!entry.matched) continue;
      fuzz::Require(
          entry.start >= 0 && entry.length >= 0 && entry.start + entry.length <= textLength,
          "every entry lies inside the searched text");
    }
    const SubMatch& whole = entries[0];
    fuzz::Require(whole.matched && whole.start >= previousEnd,
                  "a match begins where the previous one ended or later");
    fuzz::Require(whole.length > 0 || i + 1 == results.size(), "only the last match is empty");
    int start = -1;
    fuzz::Require(results[i].GetSubmatchText(page, 0, &start).size() ==
                          static_cast<std::size_t>(whole.length) &&
                      start == whole.start,
                  "the whole match's text is cut at its position");
    previousEnd = whole.start + whole.length;
  }
}

}  // namespace

// One rule and page: translate, compile case-insensitively, search, check the matches.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> fields = fuzz::SplitFields(fuzz::InputBytes(data, size));
  const Text rule = fuzz::FieldAt(fields, 0);
  const Text page = fuzz::FieldAt(fields, 1);

  // Read as written, any rule compiles, and one without a placeholder finds itself in a page that
  // holds it.
  runtime::Regex literal;
  const Text asWritten = collect::TranslateMatchRule(rule, collect::RuleSyntax::Literal);
  fuzz::Require(literal.Create(asWritten, runtime::Case::Insensitive), "a rule read as written always compiles");
  const std::string_view written = fuzz::BeforeZero(rule);
  if (!written.empty() && written.find('[') == std::string_view::npos &&
      fuzz::BeforeZero(page).find(written) != std::string_view::npos) {
    fuzz::Require(!literal.SearchAll(page).empty(), "a rule read as written finds itself");
  }

  const Text expression = collect::TranslateMatchRule(rule);
  if (rule.find('[') == Text::npos) fuzz::Require(expression == rule, "a rule without '[' stays");
  runtime::Regex regex;
  if (!regex.Create(expression, runtime::Case::Insensitive)) return 0;
  fuzz::Require(collect::RuleCaptions(rule).size() == static_cast<std::size_t>(regex.GetSubexpressionCount()) + 2,
                "a caption for every column");
  const std::vector<SearchResult> results = regex.SearchAll(page);
  const std::string_view text = fuzz::BeforeZero(page);
  CheckPositions(results, regex, page, static_cast<int>(text.size()));

  const auto reference = ReferenceMatches(fuzz::BeforeZero(expression), text);
  if (!reference) return 0;
  fuzz::Require(reference->size() == results.size(), "as many matches as a plain search finds");
  for (std::size_t i = 0; i < results.size(); ++i) {
    fuzz::Require(results[i].Entries() == (*reference)[i], "the same matches as a plain search");
  }
  return 0;
}
