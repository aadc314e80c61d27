// The address-generator window as data, in layout order.
#include "app/url_generator_layout.h"

// Members a designated initializer leaves out keep their defaults, which is the point here;
// GCC 12 warns about them all the same.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace app {

namespace {

constexpr unsigned kShownFocusable = kVisible | kFocusable;

WindowLayout Build() {
  WindowLayout layout;
  layout.window = runtime::Window::UrlGeneratorWindow;
  layout.title = "生成列表网址";
  layout.outer = {50, 50, 737, 305};
  layout.controls = {
      {.kind = ControlKind::EditBox, .name = "编辑框5", .geometry = {0, 48, 728, 224},
       .flags = kShownFocusable, .styles = kMultiLine | kVerticalScrollBar},
      {.kind = ControlKind::EditBox, .name = "编辑框4", .geometry = {321, 14, 358, 20},
       .flags = kShownFocusable, .styles = kTextCentred,
       .content = "http://www.example.com/*.html"},
      {.kind = ControlKind::EditBox, .name = "编辑框3", .geometry = {39, 14, 35, 20},
       .flags = kShownFocusable, .styles = kTextCentred | kDigitsAndMinusOnly, .content = "1"},
      {.kind = ControlKind::Button, .name = "按钮1", .geometry = {680, 11, 48, 24},
       .flags = kShownFocusable, .content = "生成", .bindings = {{kEventClick, "GenerateAddresses"}}},
      {.kind = ControlKind::EditBox, .name = "编辑框2", .geometry = {229, 14, 35, 20},
       .flags = kShownFocusable, .styles = kTextCentred, .content = "10"},
      {.kind = ControlKind::EditBox, .name = "编辑框1", .geometry = {134, 14, 35, 20},
       .flags = kShownFocusable, .styles = kTextCentred, .content = "1"},
      {.kind = ControlKind::Label, .name = "标签1", .geometry = {9, 7, 600, 32},
       .styles = kBeneathOthers,
       .content = "步长        id起始值        id结束值       合成规则"},
  };
  return layout;
}

}  // namespace

const WindowLayout& UrlGeneratorLayout() {
  static const WindowLayout layout = Build();
  return layout;
}

}  // namespace app
