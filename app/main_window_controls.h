// Names of the main window's controls that the commands address, as the layout names them.
#pragma once

namespace app {

namespace Control {
inline constexpr const char* kRule = "正则框";
inline constexpr const char* kAddresses = "列表网址框";
inline constexpr const char* kCookie = "cookie框";
inline constexpr const char* kGbk = "gbk";
inline constexpr const char* kBefore = "采集前";
inline constexpr const char* kAfter = "采集后";
inline constexpr const char* kPageText = "测试编辑框";
inline constexpr const char* kResultList = "测试列表框";
inline constexpr const char* kStatusBox = "状态框";
inline constexpr const char* kStatusBar = "状态条1";
inline constexpr const char* kSeparator = "分隔符号框";
inline constexpr const char* kSeparatorChoice = "组合框1";
inline constexpr const char* kStartButton = "按钮_测试配置";
inline constexpr const char* kExportButton = "导出";
inline constexpr const char* kTestButton = "处理";

// The boxes a run takes its settings from: read-only while it runs.
inline constexpr const char* kSettingBoxes[] = {kAddresses, kCookie, kBefore, kAfter, kRule, kGbk};
}  // namespace Control

}  // namespace app
