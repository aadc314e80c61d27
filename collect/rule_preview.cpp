// The rule tried on the tested page.
#include "collect/rule_preview.h"

#include <algorithm>

#include "collect/collection_engine.h"
#include "collect/match_rule.h"
#include "collect/rule_captions.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"

namespace collect {

using runtime::T;
using runtime::Text;

namespace {

// Why a rule copied from a page may find nothing, and the two ways out; empty when the rule holds
// no character with a meaning in a regular expression.
Text PatternHint(const Text& rule) {
  const Text characters = PatternCharacters(rule);
  if (characters.empty()) return Text();
  Text named;
  Text escaped;
  for (char character : characters) {
    const Text separator = named.empty() ? Text() : Text(" ");
    named += separator + character;
    escaped += separator + '\\' + character;
  }
  return T("规则中的 ") + named + T(" 在正则表达式中另有含义：要按原样匹配，请写成 ") + escaped +
         T("，或在“工具箱 ▼”中勾选“按原文匹配”");
}

}  // namespace

RulePreview PreviewRule(const Text& pageText, const Text& rule, const Text& address, int maxRows,
                        RuleSyntax syntax) {
  RulePreview preview;
  preview.problem = RuleProblem(rule, syntax);
  const bool readAsPattern = syntax == RuleSyntax::Pattern;
  if (!preview.problem.empty()) {
    if (readAsPattern && preview.problem != EmptyRuleMessage()) preview.hint = PatternHint(rule);
    return preview;
  }
  runtime::Regex regex;
  regex.Create(TranslateMatchRule(rule, syntax), runtime::Case::Insensitive);
  const int groupCount = regex.GetSubexpressionCount();
  runtime::SearchLimits limits;
  limits.budget = kDefaultMatchBudget;
  const runtime::SearchReport report = regex.Search(pageText, limits);
  const std::vector<runtime::SearchResult>& matches = report.matches;
  preview.count = static_cast<int>(matches.size());
  preview.tooComplex = report.outcome != runtime::SearchOutcome::Complete;
  preview.captions = RuleCaptions(rule, syntax);
  const std::size_t listed = std::min(matches.size(), static_cast<std::size_t>(std::max(maxRows, 0)));
  for (std::size_t i = 0; i < listed; ++i) {
    preview.records.push_back(RecordOf(matches[i], pageText, groupCount, address));
  }
  if (preview.count == 0 && readAsPattern) preview.hint = PatternHint(rule);
  return preview;
}

RulePreview FailedPagePreview(const Text& reason) {
  RulePreview preview;
  preview.problem = TestFailedMessage(reason);
  return preview;
}

Text PreviewHeadline(const RulePreview& preview) {
  Text line = preview.problem;
  if (line.empty()) {
    line = T("测试页取到 ") + runtime::ToText(preview.count) + T(" 条纪录");
    const int listed = static_cast<int>(preview.records.size());
    const Text note =
        JoinedNotes(preview.tooComplex ? TooComplexNote(preview.count) : Text(),
                    listed < preview.count ? T("列出前 ") + runtime::ToText(listed) + T(" 条") : Text());
    if (!note.empty()) line += T("（") + note + T("）");
  }
  if (!preview.hint.empty()) line += "\n" + preview.hint;
  return line;
}

}  // namespace collect
