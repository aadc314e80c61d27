// Cutting values out of texts: the stretch between two markers, the value after a colon.
#pragma once

#include <optional>

#include "runtime/text.h"

namespace web {

// Where TextBetween's stretch lies (same arguments): its 0-based start and its length; nothing
// when either marker is missing.
struct TextSpan {
  std::size_t start = 0;
  std::size_t length = 0;
};
std::optional<TextSpan> FindTextBetween(const runtime::Text& text, const runtime::Text& leftMarker,
                                        const runtime::Text& rightMarker,
                                        std::optional<int> start = std::nullopt,
                                        runtime::Case letterCase = runtime::Case::Sensitive);

// The text strictly between the first leftMarker (searched from start, 1-based; absent = from
// the beginning) and the next rightMarker after it; empty when either is missing. In both markers
// "#引号" stands for a double quote. Case::Insensitive folds ASCII letters.
runtime::Text TextBetween(const runtime::Text& text, const runtime::Text& leftMarker,
                          const runtime::Text& rightMarker, std::optional<int> start = std::nullopt,
                          runtime::Case letterCase = runtime::Case::Sensitive);

// The marker as the cut looks for it: "#引号" stands for a double quote, since a marker box cannot
// easily hold one.
runtime::Text MarkerWithQuotes(const runtime::Text& marker);

// Everything after the first ":", trimmed of spaces; empty when there is no colon.
runtime::Text TextAfterColon(const runtime::Text& text);

}  // namespace web
