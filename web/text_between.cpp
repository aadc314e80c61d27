// Cutting values out of texts: the stretch between two markers, the value after a colon.
#include "web/text_between.h"

#include <algorithm>

#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace web {

using runtime::Text;

Text MarkerWithQuotes(const Text& marker) {
  static const Text kQuoteWord = runtime::T("#引号");
  return runtime::ReplaceSubtext(marker, kQuoteWord, Text("\""), std::nullopt, std::nullopt, runtime::Case::Sensitive);
}

std::optional<TextSpan> FindTextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker,
                                        std::optional<int> start, runtime::Case letterCase) {
  Text left = MarkerWithQuotes(leftMarker);
  Text right = MarkerWithQuotes(rightMarker);
  int leftPosition = runtime::FindText(text, left, start, letterCase);
  if (leftPosition == -1) return std::nullopt;
  int from = leftPosition + runtime::TextLength(left);
  int rightPosition = runtime::FindText(text, right, from, letterCase);
  if (rightPosition == -1) return std::nullopt;
  // An empty right marker is found at the start of the text: the stretch is then empty.
  return TextSpan{static_cast<std::size_t>(from - 1), static_cast<std::size_t>(std::max(0, rightPosition - from))};
}

Text TextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker,
                 std::optional<int> start, runtime::Case letterCase) {
  std::optional<TextSpan> span = FindTextBetween(text, leftMarker, rightMarker, start, letterCase);
  return span ? text.substr(span->start, span->length) : Text();
}

Text TextAfterColon(const Text& text) {
  int colon = runtime::FindText(text, ":");
  if (colon == -1) return Text();
  return runtime::TrimSpaces(runtime::TextRight(text, runtime::TextLength(text) - colon));
}

}  // namespace web
