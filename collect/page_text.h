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

// The page text the three steps above make, in one pass over the body: a GBK body is cut and
// cleaned in its own storage; a UTF-8 body is cut where the markers' UTF-8 bytes are (when that is
// sure to be the same place) and only the stretch between them converted and cleaned, a piece at
// a time, a large body giving back its memory as the conversion passes it. A page thus never
// needs much more than its own size.
runtime::Text PreparePageText(runtime::ByteSet&& body, bool gbk, const runtime::Text& before,
                              const runtime::Text& after);

}  // namespace collect
