// Window layouts as data: the units of a window (controls and menu entries) with their kind,
// name, geometry, parent, flags, texts, styles, colours and event bindings. Each window is built
// from its table; the bindings name the window's commands.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace window {

enum class ControlKind {
  EditBox,
  Label,
  Button,
  CheckBox,
  ComboBox,
  GroupBox,
  StatusBar,
  ReportList
};

// Event numbers raised by the controls.
constexpr int kEventClick = 0;       // button clicked; combo-box item chosen
constexpr int kEventRightClick = 5;  // report list clicked with the right mouse button

// Unit flags.
constexpr unsigned kVisible = 1u << 0;
constexpr unsigned kFocusable = 1u << 2;

// Styles of a control.
constexpr unsigned kMultiLine = 1u << 0;
constexpr unsigned kVerticalScrollBar = 1u << 1;
constexpr unsigned kReadOnly = 1u << 2;
constexpr unsigned kTextCentred = 1u << 3;
constexpr unsigned kDigitsAndMinusOnly = 1u << 4;  // typed characters limited to 0-9 and '-'
constexpr unsigned kCaptionLeft = 1u << 5;         // check box: caption left of the box
constexpr unsigned kDropDownWithEdit = 1u << 6;    // combo box: drop-down list with an edit field
constexpr unsigned kBeneathOthers = 1u << 7;       // meant to be covered by a control above it
// The command starts a run or changes the list or the settings: disabled and ignored while a
// run is in progress.
constexpr unsigned kDisabledWhileRunning = 1u << 8;
constexpr unsigned kClosesWindow = 1u << 9;  // button: its window closes once the click is handled
// Label placed in the window itself: a heading above the row of controls beneath it. When the
// font needs more height than the layout gives, the headings grow, every control below them
// moves down as far, and so does the window's bottom edge.
constexpr unsigned kHeading = 1u << 10;

struct Geometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
};

struct EventBinding {
  int event = kEventClick;
  std::string_view handler;  // a command of the window
};

struct StatusPartLayout {
  std::string_view text;
  int width = 0;  // -1: to the right edge
};

// Texts are UTF-8 as typed in the source; the window converts them to the program's code page.
struct ControlLayout {
  ControlKind kind = ControlKind::Label;
  std::string_view name;
  std::string_view parent;  // empty: the window itself; otherwise a group box
  Geometry geometry;
  unsigned flags = kVisible;
  unsigned styles = 0;
  std::string_view content;  // caption or default content; CR LF between lines
  std::vector<std::string_view> items;
  std::optional<Rgb> textColour;
  std::optional<Rgb> backgroundColour;
  std::vector<StatusPartLayout> parts;
  std::vector<EventBinding> bindings;
};

// A menu entry: level 0 opens a top-level menu, level 1 is an item of the top-level menu before it.
struct MenuLayout {
  std::string_view name;
  std::string_view caption;
  int level = 0;
  bool hidden = false;
  std::string_view handler;  // empty: none
  unsigned styles = 0;
};

// How far the edges of a control move when its window is larger than its default size, in
// quarters of the extra width (left, right) or height (top, bottom): 0 stays, 2 keeps to the
// middle, 4 keeps to the window's right or bottom edge.
struct EdgeShares {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

constexpr int kWholeShare = 4;  // the share of an edge that moves as far as the window grows

struct GrowthRule {
  std::string_view control;
  EdgeShares shares;
};

// A key that clicks a button of the window or chooses one of its menu items, whichever of the
// window's controls has the focus.
struct KeyBinding {
  std::string_view key;  // as Qt writes key sequences: "F5", "Ctrl+T"
  std::string_view button;
  std::string_view menuItem;  // used when button is empty
};

struct WindowLayout {
  std::string_view title;
  Geometry outer;                       // stored position and outer size, frame included
  std::vector<ControlLayout> controls;  // layout order: an earlier control lies above a later one
  std::vector<MenuLayout> menus;
  // Empty: the window keeps its default size. Otherwise the default size is the smallest, and
  // when the window grows the named controls follow their rules; the others keep their place.
  std::vector<GrowthRule> growth;
  std::vector<KeyBinding> keys;
};

// The frame around the client area of a window of the outer size given in a layout: a 4-pixel
// border on the left, right and bottom, and a 4-pixel border plus a 20-pixel title bar on top.
constexpr int kFrameSide = 4;
constexpr int kFrameTop = 24;

// Width and height of the client area of a window.
Geometry ClientArea(const WindowLayout& layout);

// The control of a layout by name; null when there is none.
const ControlLayout* FindControl(const WindowLayout& layout, std::string_view name);
// The menu entry of a layout by name; null when there is none.
const MenuLayout* FindMenu(const WindowLayout& layout, std::string_view name);
// The items of the top-level menu of that name, in order.
std::vector<const MenuLayout*> MenuItems(const WindowLayout& layout, std::string_view menu);
// The handler bound to an event of a control; empty when none is bound.
std::string_view BoundHandler(const ControlLayout& control, int event);

}  // namespace window
