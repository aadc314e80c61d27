// The match rule tried on one prepared page while it is being written: how many records it finds
// there and the first of them, or why it cannot run.
#pragma once

#include <vector>

#include "collect/match_rule.h"
#include "collect/result_table.h"
#include "runtime/text.h"

namespace collect {

// How many records a preview lists at most.
inline constexpr int kPreviewRows = 5;

struct RulePreview {
  // Why the rule cannot run, as RuleProblem says it; empty when it ran.
  runtime::Text problem;
  // Records the rule finds on the page, as a run would count them.
  int count = 0;
  // The matching was given up after count records, as a run gives it up.
  bool tooComplex = false;
  // Captions of the result columns the run would fill ("文本 1" …), whole match first, address last.
  std::vector<runtime::Text> captions;
  // The first records in match order, cells as the run would fill them.
  std::vector<Record> records;
  // When the rule found nothing (or does not compile) and is read as a pattern: the characters
  // outside its placeholders that a regular expression reads as more than themselves, and the
  // two ways to match them as written. Empty otherwise.
  runtime::Text hint;
};

// Matches rule on pageText (already cut and cleaned) as a run matches a page at address, with the
// same time budget, keeping at most maxRows records, the rule read in the given syntax. A rule
// that is empty or does not compile gives only the problem (and the hint).
RulePreview PreviewRule(const runtime::Text& pageText, const runtime::Text& rule,
                        const runtime::Text& address, int maxRows = kPreviewRows,
                        RuleSyntax syntax = RuleSyntax::Pattern);

// The preview when the tested page could not be downloaded: no count, only the reason, as the
// status bar says it ("测试页下载失败（HTTP 404）"), in place of the problem.
RulePreview FailedPagePreview(const runtime::Text& reason);

// The preview's text above its records: the problem, or "测试页取到 N 条纪录" followed, in one
// parenthesis, by the run's note when the matching was given up and by "列出前 M 条" when not
// every record is listed; then the hint on a line of its own, when there is one:
// "规则中的 . ? 在正则表达式中另有含义：要按原样匹配，请写成 \. \?，或在“工具箱 ▼”中勾选“按原文匹配”".
runtime::Text PreviewHeadline(const RulePreview& preview);

}  // namespace collect
