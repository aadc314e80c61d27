// Translation of the user's match rule into a regular expression.
#pragma once

#include "runtime/text.h"

namespace collect {

// The rule with its placeholders replaced, case-sensitively and on character boundaries:
// "[var]" -> "(.*?)", "[var0]" -> ".*?", "[int]" -> "(\d*)", "[int0]" -> "\d*", and the named
// "[var:NAME]" and "[int:NAME]" exactly as "[var]" and "[int]" (WithoutPlaceholderNames). Everything
// else, including characters with a meaning in a regular expression, stays exactly as typed.
runtime::Text TranslateMatchRule(const runtime::Text& rule);

}  // namespace collect
