// Translation of the user's match rule into a regular expression.
#include "collect/match_rule.h"

#include <array>

#include "collect/rule_captions.h"
#include "runtime/text_operations.h"

namespace collect {

namespace {

struct Placeholder {
  const char* placeholder;
  const char* replacement;
};

// No placeholder is a prefix of another, so the order does not change the outcome.
constexpr std::array<Placeholder, 4> kPlaceholders{{
    {"[var]", "(.*?)"},
    {"[var0]", ".*?"},
    {"[int]", R"((\d*))"},
    {"[int0]", R"(\d*)"},
}};

}  // namespace

runtime::Text TranslateMatchRule(const runtime::Text& rule) {
  runtime::Text expression = WithoutPlaceholderNames(rule);
  for (const Placeholder& entry : kPlaceholders) {
    expression =
        runtime::ReplaceSubtext(expression, entry.placeholder, runtime::Text(entry.replacement),
                                std::nullopt, std::nullopt, runtime::Case::Sensitive);
  }
  return expression;
}

}  // namespace collect
