// Joining byte sets.
#pragma once

#include <initializer_list>
#include <string_view>

#include "runtime/text.h"

namespace web {

// The byte sets one after another, zero bytes included; empty ones add nothing.
runtime::ByteSet ConcatByteSets(std::initializer_list<std::string_view> parts);

}  // namespace web
