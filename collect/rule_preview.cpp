// The rule tried on the tested page.
#include "collect/rule_preview.h"

#include <algorithm>

#include "collect/collection_engine.h"
#include "collect/match_rule.h"
#include "collect/rule_captions.h"
#include "runtime/code_page.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"

namespace collect {

using runtime::T;
using runtime::Text;

RulePreview PreviewRule(const Text& pageText, const Text& rule, const Text& address, int maxRows) {
  RulePreview preview;
  preview.problem = RuleProblem(rule);
  if (!preview.problem.empty()) return preview;
  runtime::Regex regex;
  regex.Create(TranslateMatchRule(rule), runtime::Case::Insensitive);
  const int groupCount = regex.GetSubexpressionCount();
  const std::vector<runtime::SearchResult> matches = regex.SearchAll(pageText);
  preview.count = static_cast<int>(matches.size());
  preview.captions = RuleCaptions(rule);
  const std::size_t listed = std::min(matches.size(), static_cast<std::size_t>(std::max(maxRows, 0)));
  for (std::size_t i = 0; i < listed; ++i) {
    preview.records.push_back(RecordOf(matches[i], pageText, groupCount, address));
  }
  return preview;
}

Text PreviewHeadline(const RulePreview& preview) {
  if (!preview.problem.empty()) return preview.problem;
  Text line = T("测试页取到 ") + runtime::ToText(preview.count) + T(" 条纪录");
  const int listed = static_cast<int>(preview.records.size());
  if (listed < preview.count) line += T("（列出前 ") + runtime::ToText(listed) + T(" 条）");
  return line;
}

}  // namespace collect
