// The steps that turn a downloaded body into the page text a rule is matched against.
#pragma once

#include "runtime/text.h"

namespace collect {

// The page text made from the body in the body's own storage, so that a page never needs more
// than twice its size: taken as it is (gbk) or converted from UTF-8 (one more copy while it is
// converted), up to a zero byte; cut to the stretch between the markers when both are given (see
// web::TextBetween); then line feeds, carriage returns and tabs removed and each pair of spaces
// made one.
runtime::Text PreparePageText(runtime::ByteSet&& body, bool gbk, const runtime::Text& before,
                              const runtime::Text& after);

}  // namespace collect
