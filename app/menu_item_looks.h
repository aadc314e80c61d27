// Menu items whose caption or presence depends on the program's state: a source named after the
// item's handler says, each time the menu opens, whether the item shows and with what caption.
#pragma once

#include <functional>
#include <string_view>

#include "app/layout.h"
#include "runtime/text.h"

namespace app {

struct MenuItemLook {
  bool shown = true;
  runtime::Text caption;
};

using MenuItemLookSource = std::function<MenuItemLook()>;

// Binds the look of the menu items that run handler to source, replacing any earlier source; an
// empty source gives them back their layout look.
void RegisterMenuItemLook(std::string_view handler, MenuItemLookSource source);

// The item as it should appear now: its source's answer, or shown with its layout caption.
MenuItemLook LookOf(const MenuLayout& item);

}  // namespace app
