// Named placeholders of a match rule ("[var:标题]", "[int:编号]") and the column captions they
// give: a name stands only in the caption, never in the expression.
#pragma once

#include <cstddef>
#include <vector>

#include "collect/match_rule.h"
#include "runtime/text.h"

namespace collect {

// One "[var:NAME]" or "[int:NAME]" of a rule: where it lies (0-based bytes), and its name (any
// text without "]", possibly empty).
struct NamedPlaceholder {
  std::size_t start = 0;
  std::size_t length = 0;
  bool digits = false;  // "[int:…]"; "[var:…]" otherwise
  runtime::Text name;
};

// The named placeholders of the rule from left to right, each beginning on a character boundary
// and ending at the first "]" on a character boundary after its colon.
std::vector<NamedPlaceholder> FindNamedPlaceholders(const runtime::Text& rule);

// The rule with each named placeholder written without its name ("[var:标题]" -> "[var]"), so
// that it translates exactly as the unnamed one.
runtime::Text WithoutPlaceholderNames(const runtime::Text& rule);

// The name of each capture group of the rule's expression (TranslateMatchRule), in group order:
// a named placeholder's name, empty for every other group ([var], [int], the user's own
// parentheses). As many as the compiled expression has groups (none when it does not compile).
std::vector<runtime::Text> GroupNames(const runtime::Text& rule, RuleSyntax syntax = RuleSyntax::Pattern);

// The captions of columns that hold groups: each group's name, or "文本 k" for an unnamed group
// (and an empty name), k counting the columns from firstColumn.
std::vector<runtime::Text> GroupCaptions(const std::vector<runtime::Text>& names, int firstColumn);

// The captions of a rule's result columns: "文本 1" for the whole match, GroupCaptions of its
// groups from column 2, and "文本 G+2" for the page address.
std::vector<runtime::Text> RuleCaptions(const runtime::Text& rule, RuleSyntax syntax = RuleSyntax::Pattern);

}  // namespace collect
