// The configuration test: the first address fetched, cut and cleaned, its text shown.
#pragma once

#include "runtime/text.h"

namespace collect {

// Click handler of "测试配置".
void TestConfiguration();

// The first line of the address box: the text before the first CR LF, or the whole text when it
// holds a single line.
runtime::Text FirstAddress(const runtime::Text& addresses);

}  // namespace collect
