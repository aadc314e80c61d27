// Storage of the menu items' look sources.
#include "app/menu_item_looks.h"

#include <map>
#include <string>

#include "runtime/code_page.h"

namespace app {

namespace {

std::map<std::string, MenuItemLookSource, std::less<>>& Sources() {
  static std::map<std::string, MenuItemLookSource, std::less<>> sources;
  return sources;
}

}  // namespace

void RegisterMenuItemLook(std::string_view handler, MenuItemLookSource source) {
  Sources().insert_or_assign(std::string(handler), std::move(source));
}

MenuItemLook LookOf(const MenuLayout& item) {
  const auto found = Sources().find(item.handler);
  if (item.handler.empty() || found == Sources().end() || !found->second) {
    return {true, runtime::T(item.caption)};
  }
  return found->second();
}

}  // namespace app
