// Translation of the user's match rule into a regular expression.
#pragma once

#include "runtime/text.h"

namespace collect {

// How a rule's text outside its placeholders is read: as a regular expression (Pattern: "." any
// character, "?" a quantifier, as the rule has always been read) or as plain text (Literal), the
// way a piece copied from a page's source means it.
enum class RuleSyntax { Pattern, Literal };

// The rule with its placeholders replaced, case-sensitively and on character boundaries:
// "[var]" -> "(.*?)", "[var0]" -> ".*?", "[int]" -> "(\d*)", "[int0]" -> "\d*", and the named
// "[var:NAME]" and "[int:NAME]" exactly as "[var]" and "[int]" (WithoutPlaceholderNames). Everything
// else, including characters with a meaning in a regular expression, stays exactly as typed.
runtime::Text TranslateMatchRule(const runtime::Text& rule);

// The rule translated as its syntax says: Pattern as above; Literal with the placeholders, named
// ones included, replaced alike and every other byte that has a meaning in a regular expression
// (. ? * + ( ) [ ] { } | ^ $ \) escaped with a backslash, so that the expression matches the
// rest of the rule as plain text.
runtime::Text TranslateMatchRule(const runtime::Text& rule, RuleSyntax syntax);

// The characters of the rule outside its placeholders that a regular expression reads as more
// than themselves (. ? * + ( ) [ ] { } | ^ $), each once, in the order they first appear; one
// escaped with a backslash does not count, nor does the backslash. Empty when there are none.
runtime::Text PatternCharacters(const runtime::Text& rule);

}  // namespace collect
