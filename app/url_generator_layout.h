// The layout table of the address-generator window.
#pragma once

#include "app/layout.h"

namespace app {

// UrlGeneratorWindow: writes a numbered series of list-page addresses from a pattern.
const WindowLayout& UrlGeneratorLayout();

}  // namespace app
