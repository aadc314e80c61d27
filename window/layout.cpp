// Look-ups in the window layouts.
#include "window/layout.h"

namespace window {

Geometry ClientArea(const WindowLayout& layout) {
  return {0, 0, layout.outer.width - 2 * kFrameSide, layout.outer.height - kFrameTop - kFrameSide};
}

const ControlLayout* FindControl(const WindowLayout& layout, std::string_view name) {
  for (const ControlLayout& control : layout.controls) {
    if (control.name == name) return &control;
  }
  return nullptr;
}

const MenuLayout* FindMenu(const WindowLayout& layout, std::string_view name) {
  for (const MenuLayout& menu : layout.menus) {
    if (menu.name == name) return &menu;
  }
  return nullptr;
}

std::vector<const MenuLayout*> MenuItems(const WindowLayout& layout, std::string_view menu) {
  std::vector<const MenuLayout*> items;
  bool inside = false;
  for (const MenuLayout& entry : layout.menus) {
    if (entry.level == 0) {
      inside = entry.name == menu;
    } else if (inside) {
      items.push_back(&entry);
    }
  }
  return items;
}

std::string_view BoundHandler(const ControlLayout& control, int event) {
  for (const EventBinding& binding : control.bindings) {
    if (binding.event == event) return binding.handler;
  }
  return {};
}

}  // namespace window
