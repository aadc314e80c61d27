// The address-generator window as data, in layout order.
#include "window/url_generator_layout.h"

// Members a designated initializer leaves out keep their defaults, which is the point here;
// GCC 12 warns about them all the same.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace window {

namespace {

constexpr unsigned kShownFocusable = kVisible | kFocusable;

WindowLayout Build() {
  WindowLayout layout;
  layout.title = "生成列表网址";
  layout.outer = {50, 50, 737, 334};
  // Each heading stands above its box, centred on it, as wide as the gaps beside the box allow.
  layout.controls = {
      {.kind = ControlKind::EditBox, .name = "编辑框5", .geometry = {0, 48, 728, 224},
       .flags = kShownFocusable, .styles = kMultiLine | kVerticalScrollBar},
      {.kind = ControlKind::EditBox, .name = "编辑框4", .geometry = {321, 21, 358, 20},
       .flags = kShownFocusable, .styles = kTextCentred,
       .content = "http://www.example.com/*.html"},
      {.kind = ControlKind::EditBox, .name = "编辑框3", .geometry = {39, 21, 35, 20},
       .flags = kShownFocusable, .styles = kTextCentred | kDigitsAndMinusOnly, .content = "1"},
      {.kind = ControlKind::Button, .name = "按钮1", .geometry = {680, 19, 48, 24},
       .flags = kShownFocusable, .content = "生成", .bindings = {{kEventClick, "GenerateAddresses"}}},
      {.kind = ControlKind::EditBox, .name = "编辑框2", .geometry = {229, 21, 35, 20},
       .flags = kShownFocusable, .styles = kTextCentred, .content = "10"},
      {.kind = ControlKind::EditBox, .name = "编辑框1", .geometry = {134, 21, 35, 20},
       .flags = kShownFocusable, .styles = kTextCentred, .content = "1"},
      {.kind = ControlKind::Label, .name = "标签1", .geometry = {9, 2, 95, 18}, .styles = kHeading,
       .content = "步长"},
      {.kind = ControlKind::Label, .name = "标签2", .geometry = {104, 2, 95, 18},
       .styles = kHeading, .content = "id起始值"},
      {.kind = ControlKind::Label, .name = "标签3", .geometry = {200, 2, 93, 18},
       .styles = kHeading, .content = "id结束值"},
      {.kind = ControlKind::Label, .name = "标签4", .geometry = {320, 2, 360, 18},
       .styles = kHeading, .content = "合成规则"},
      {.kind = ControlKind::Button, .name = "按钮2", .geometry = {624, 276, 104, 26},
       .flags = kShownFocusable, .styles = kDisabledWhileRunning | kClosesWindow,
       .content = "填入列表网址", .bindings = {{kEventClick, "FillAddressBox"}}},
  };
  return layout;
}

}  // namespace

const WindowLayout& UrlGeneratorLayout() {
  static const WindowLayout layout = Build();
  return layout;
}

}  // namespace window
