// The steps that turn a downloaded body into the page text a rule is matched against.
#pragma once

#include <optional>
#include <string>

#include "runtime/text.h"

namespace collect {

// The page text made from the body, up to a zero byte: taken as it is (gbk) or converted from
// UTF-8; cut to the stretch between the markers when both are given (see web::TextBetween); then
// line feeds, carriage returns and tabs removed and each pair of spaces made one. All in one pass
// over the body: a GBK body is cut and cleaned in its own storage; a UTF-8 body is cut where the
// markers' UTF-8 bytes are (when that is sure to be the same place) and only the stretch between
// them converted and cleaned, a piece at a time, a large body giving back its memory as the
// conversion passes it. A page thus never needs much more than its own size.
runtime::Text PreparePageText(runtime::ByteSet&& body, bool gbk, const runtime::Text& before,
                              const runtime::Text& after);

// A UTF-8 body cut and cleaned as PreparePageText cuts and cleans it, left in UTF-8: the text it
// would convert, character for character (no byte of a UTF-8 character is a blank, and the
// conversion makes none). Only when the markers can be searched for in the UTF-8 bytes, where
// PreparePageText too cuts before converting; then body is taken. Nothing (body untouched)
// otherwise.
std::optional<std::string> CleanUtf8PageText(runtime::ByteSet& body, const runtime::Text& before,
                                             const runtime::Text& after);

}  // namespace collect
