// The match rule tried on one prepared page while it is being written: how many records it finds
// there and the first of them, or why it cannot run.
#pragma once

#include <vector>

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
};

// Matches rule on pageText (already cut and cleaned) as a run matches a page at address, with the
// same time budget, keeping at most maxRows records. A rule that is empty or does not compile
// gives only the problem.
RulePreview PreviewRule(const runtime::Text& pageText, const runtime::Text& rule,
                        const runtime::Text& address, int maxRows = kPreviewRows);

// The preview's line above its records: the problem, or "测试页取到 N 条纪录" followed, in one
// parenthesis, by the run's note when the matching was given up and by "列出前 M 条" when not
// every record is listed.
runtime::Text PreviewHeadline(const RulePreview& preview);

}  // namespace collect
