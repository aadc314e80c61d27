// The main window as data, in layout order. The setting boxes hold no text of their own here: the
// window shows the defaults of a collection project in them (collect/collection_project.h).
#include "window/main_window_layout.h"

// Members a designated initializer leaves out keep their defaults, which is the point here;
// GCC 12 warns about them all the same.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace window {

namespace {

constexpr std::string_view kGroup = "分组框1";
constexpr unsigned kShownFocusable = kVisible | kFocusable;

// How the controls follow a growing window: the setting boxes widen, the buttons keep to the
// right edge, the result list takes the extra height, the rows below it keep to the bottom.
constexpr EdgeShares kToRight{.left = kWholeShare, .right = kWholeShare};
constexpr EdgeShares kToBottom{.top = kWholeShare, .bottom = kWholeShare};
constexpr EdgeShares kWiden{.right = kWholeShare};

WindowLayout Build() {
  WindowLayout layout;
  layout.title = "Pelmo网页信息采集助手 v1.0";
  layout.outer = {50, 50, 866, 544};
  layout.controls = {
      {.kind = ControlKind::Button, .name = "导出1", .geometry = {280, 339, 60, 26},
       .flags = kShownFocusable, .content = "工具箱 ▼",
       .bindings = {{kEventClick, "ShowToolboxMenu"}}},
      {.kind = ControlKind::ComboBox, .name = "组合框1", .geometry = {105, 343, 72, 20},
       .flags = kShownFocusable, .styles = kDropDownWithEdit, .content = "常用符号",
       // Each item begins with a full-width space (GBK A1 A1).
       .items = {"\u3000表格", "\u3000Tab键", "\u3000----"},
       .bindings = {{kEventClick, "ChooseSeparator"}}},
      {.kind = ControlKind::Label, .name = "标签2", .geometry = {3, 340, 37, 24}, .content = "分隔符"},
      {.kind = ControlKind::Label, .name = "标签9", .parent = kGroup, .geometry = {6, 99, 48, 24},
       .content = "匹配规则"},
      {.kind = ControlKind::EditBox, .name = "正则框", .parent = kGroup,
       .geometry = {61, 100, 728, 24}, .flags = kShownFocusable},
      {.kind = ControlKind::Button, .name = "按钮_测试配置", .parent = kGroup,
       .geometry = {791, 98, 60, 26}, .flags = kShownFocusable, .styles = kDisabledWhileRunning,
       .content = "开始处理", .bindings = {{kEventClick, "StartProcessing"}}},
      {.kind = ControlKind::Button, .name = "处理", .parent = kGroup, .geometry = {791, 68, 60, 26},
       .flags = kShownFocusable, .styles = kDisabledWhileRunning, .content = "测试配置",
       .bindings = {{kEventClick, "TestConfiguration"}}},
      {.kind = ControlKind::Label, .name = "标签4", .parent = kGroup, .geometry = {473, 69, 48, 24},
       .content = "列表区域"},
      {.kind = ControlKind::EditBox, .name = "采集前", .parent = kGroup,
       .geometry = {524, 72, 125, 20}, .flags = kShownFocusable},
      {.kind = ControlKind::EditBox, .name = "采集后", .parent = kGroup,
       .geometry = {663, 72, 125, 20}, .flags = kShownFocusable},
      {.kind = ControlKind::Label, .name = "标签12", .parent = kGroup, .geometry = {652, 76, 8, 10},
       .content = "一"},
      {.kind = ControlKind::Label, .name = "标签5", .parent = kGroup, .geometry = {476, 25, 45, 24},
       .content = "COOKIE"},
      {.kind = ControlKind::EditBox, .name = "cookie框", .parent = kGroup,
       .geometry = {524, 10, 329, 51}, .flags = kShownFocusable,
       .styles = kMultiLine | kVerticalScrollBar},
      {.kind = ControlKind::CheckBox, .name = "gbk", .parent = kGroup,
       .geometry = {383, 68, 65, 24}, .flags = kShownFocusable, .styles = kCaptionLeft, .content = "gbk编码",
       .backgroundColour = Rgb{236, 236, 236}},
      {.kind = ControlKind::Label, .name = "列表网址", .parent = kGroup, .geometry = {8, 42, 48, 24},
       .content = "列表网址"},
      {.kind = ControlKind::EditBox, .name = "列表网址框", .parent = kGroup,
       .geometry = {61, 11, 408, 85}, .flags = kShownFocusable,
       .styles = kMultiLine | kVerticalScrollBar},
      {.kind = ControlKind::GroupBox, .name = kGroup, .geometry = {3, -4, 856, 132}},
      {.kind = ControlKind::EditBox, .name = "状态框", .geometry = {3, 368, 354, 126},
       .flags = kShownFocusable, .styles = kMultiLine | kVerticalScrollBar | kReadOnly,
       .textColour = Rgb{0, 96, 192}},
      {.kind = ControlKind::EditBox, .name = "分隔符号框", .geometry = {48, 342, 56, 22},
       .flags = kShownFocusable},
      {.kind = ControlKind::Button, .name = "导出", .geometry = {176, 339, 60, 26},
       .flags = kShownFocusable, .styles = kDisabledWhileRunning, .content = "导出结果",
       .bindings = {{kEventClick, "ExportResults"}}},
      {.kind = ControlKind::StatusBar, .name = "状态条1", .geometry = {0, 496, 914, 20},
       .parts = {{" 状态 ", 38}, {"", 700}, {"2017", -1}}},
      {.kind = ControlKind::EditBox, .name = "测试编辑框", .geometry = {360, 339, 496, 149},
       .flags = kShownFocusable, .styles = kMultiLine | kVerticalScrollBar},
      {.kind = ControlKind::ReportList, .name = "测试列表框", .geometry = {2, 130, 856, 206},
       .flags = kShownFocusable, .bindings = {{kEventRightClick, "ShowListMenu"}}},
      {.kind = ControlKind::Label, .name = "标签1", .geometry = {336, 240, 128, 24},
       .styles = kBeneathOthers, .content = "处理中，请稍候.."},
  };
  layout.menus = {
      {.name = "列表框", .caption = "列表框", .level = 0, .hidden = true},
      {.name = "清空列表", .caption = "清空列表", .level = 1, .handler = "ClearResultList",
       .styles = kDisabledWhileRunning},
      {.name = "导出列表到文件", .caption = "导出到文件…", .level = 1, .handler = "ExportToFile",
       .styles = kDisabledWhileRunning},
      {.name = "工具箱", .caption = "工具箱", .level = 0, .hidden = true},
      {.name = "生成有序列表网址", .caption = "生成有序列表网址", .level = 1,
       .handler = "OpenUrlGenerator"},
      {.name = "下载设置", .caption = "下载设置…", .level = 1, .handler = "ChooseFetching"},
      {.name = "按原文匹配", .caption = "按原文匹配", .level = 1, .handler = "ToggleLiteralRule",
       .styles = kDisabledWhileRunning},
      {.name = "按页面声明的编码读取", .caption = "按页面声明的编码读取", .level = 1,
       .handler = "ToggleDeclaredEncoding", .styles = kDisabledWhileRunning},
      {.name = "翻页与详细页", .caption = "翻页与详细页…", .level = 1, .handler = "ChooseLinks",
       .styles = kDisabledWhileRunning},
      // Shown only after a run in which pages failed, with their number (the window decides).
      {.name = "重新采集失败的网址", .caption = "重新采集失败的网址", .level = 1,
       .handler = "RetryFailedAddresses", .styles = kDisabledWhileRunning},
      {.name = "打开项目", .caption = "打开项目…", .level = 1, .handler = "OpenProject",
       .styles = kDisabledWhileRunning},
      {.name = "保存项目", .caption = "保存项目…", .level = 1, .handler = "SaveProjectAs",
       .styles = kDisabledWhileRunning},
      {.name = "导出到文件", .caption = "导出到文件…", .level = 1, .handler = "ExportToFile",
       .styles = kDisabledWhileRunning},
      {.name = "恢复默认设置", .caption = "恢复默认设置", .level = 1,
       .handler = "RestoreDefaultSettings", .styles = kDisabledWhileRunning},
      // Shown only when the store holds an unfinished run, with its progress (the window decides).
      {.name = "继续上次的采集", .caption = "继续上次的采集", .level = 1, .handler = "ResumeLastRun",
       .styles = kDisabledWhileRunning},
      {.name = "只采集新纪录", .caption = "只采集新纪录", .level = 1, .handler = "ToggleOnlyNew",
       .styles = kDisabledWhileRunning},
      {.name = "采集库", .caption = "采集库…", .level = 1, .handler = "ChooseRunStore",
       .styles = kDisabledWhileRunning},
  };
  // The address box, the labels beside it and the cookie box share the width with the marker
  // boxes: the first half of the extra width goes to the address box, the second to the cookie
  // box and the two markers.
  layout.growth = {
      {kGroup, kWiden},
      {"列表网址框", {.right = 2}},
      {"gbk", {.left = 2, .right = 2}},
      {"标签4", {.left = 2, .right = 2}},
      {"标签5", {.left = 2, .right = 2}},
      {"cookie框", {.left = 2, .right = 4}},
      {"采集前", {.left = 2, .right = 3}},
      {"标签12", {.left = 3, .right = 3}},
      {"采集后", {.left = 3, .right = 4}},
      {"处理", kToRight},
      {"按钮_测试配置", kToRight},
      {"正则框", kWiden},
      {"测试列表框", {.right = 4, .bottom = 4}},
      {"标签1", {.left = 2, .right = 2, .top = 2, .bottom = 2}},
      {"标签2", kToBottom},
      {"分隔符号框", kToBottom},
      {"组合框1", kToBottom},
      {"导出", kToBottom},
      {"导出1", kToBottom},
      {"状态框", {.right = 2, .top = 4, .bottom = 4}},
      {"测试编辑框", {.left = 2, .right = 4, .top = 4, .bottom = 4}},
      {"状态条1", {.right = 4, .top = 4, .bottom = 4}},
  };
  layout.keys = {
      {"F5", "按钮_测试配置"},
      {"Ctrl+T", "处理"},
      {"Ctrl+E", "导出"},
      {.key = "Ctrl+O", .menuItem = "打开项目"},
      {.key = "Ctrl+S", .menuItem = "保存项目"},
  };
  return layout;
}

}  // namespace

const WindowLayout& MainWindowLayout() {
  static const WindowLayout layout = Build();
  return layout;
}

}  // namespace window
