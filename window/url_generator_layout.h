// The layout table of the address-generator window.
#pragma once

#include "window/layout.h"

namespace window {

// UrlGeneratorWindow: writes a numbered series of list-page addresses from a pattern.
const WindowLayout& UrlGeneratorLayout();

}  // namespace window
