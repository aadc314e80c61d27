// The steps that turn a downloaded body into the page text a rule is matched against.
#pragma once

#include "runtime/text.h"

namespace collect {

// The page text from the body: taken as it is (gbk) or converted from UTF-8; up to a zero byte.
runtime::Text PageTextFromBody(const runtime::ByteSet& body, bool gbk);

// The stretch between the markers when both are given; otherwise the page unchanged.
runtime::Text CutPage(const runtime::Text& page, const runtime::Text& before, const runtime::Text& after);

// Line feeds, carriage returns and tabs removed, then each pair of spaces made one.
runtime::Text NormalisePageText(const runtime::Text& page);

// The page text made from the body in the body's own storage: decoded (a UTF-8 page needs one
// more copy while it is converted), cut and cleaned as the three steps above do, so that a page
// never needs more than twice its size.
runtime::Text PreparePageText(runtime::ByteSet&& body, bool gbk, const runtime::Text& before,
                              const runtime::Text& after);

}  // namespace collect
