// How the program's logic reaches the windows: properties of named controls, the report list and
// status bar operations, edit-box append, message boxes, pop-up menus, modal windows, the event
// pump and the support for a collection run. The shell installs one implementation (Qt widgets,
// or controls held in memory for the headless front end and for tests).
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <variant>

#include "runtime/text.h"

namespace runtime {

enum class Window { MainWindow, UrlGeneratorWindow };

// Property numbers of the controls.
namespace Property {
constexpr int kVisible = 5;            // logical: 0 hidden, 1 shown
constexpr int kContent = 8;            // text
constexpr int kColumnDefinitions = 17; // byte set of column records (report list)
constexpr int kChecked = 18;           // integer: 1 checked, 0 not
constexpr int kCurrentSelection = 19;  // integer: 0-based item, -1 none
}  // namespace Property

// An integer or logical value (int), or a text or byte set (Text).
using PropertyValue = std::variant<int, Text>;

class ControlAccess {
public:
  virtual ~ControlAccess() = default;

  // Current value of a property; a window that is not loaded or a control that does not exist
  // is a runtime error. Multi-line edit boxes give CR LF line breaks.
  virtual PropertyValue ReadProperty(Window window, std::string_view control, int property) = 0;
  virtual void WriteProperty(Window window, std::string_view control, int property,
                             const PropertyValue& value) = 0;
  // Appends text at the end of an edit box and scrolls the end into view.
  virtual void EditBoxAppend(Window window, std::string_view control, const Text& text) = 0;

  // Shows a message box; flags are the message-box style word (icon in bits 4-7). Returns the
  // 0-based button: OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6.
  virtual int MessageBox(const Text& message, int flags, const std::optional<Text>& caption) = 0;
  // Opens a menu of the window as a pop-up menu; without x and y at the pointer moved 3 px right
  // and down. Returns when the menu has closed (after the chosen item's handler has run).
  virtual void PopupMenu(Window window, std::string_view menu, std::optional<int> x,
                         std::optional<int> y) = 0;
  // Creates and shows a window from its layout and returns at once, the window still open; a
  // modal window takes the input of the program's other windows until it closes.
  virtual bool LoadWindow(Window window, bool modal) = 0;
  // Dispatches the pending events and returns when the queue is empty.
  virtual void ProcessEvents() = 0;
  // Puts the text on the clipboard; false when the clipboard cannot be used.
  virtual bool SetClipboardText(const Text& text) = 0;

  // Report list operations on the named list (see ListView below for the meanings).
  virtual int ListInsertColumn(Window window, std::string_view list, std::optional<int> position,
                               std::optional<Text> caption, std::optional<int> width,
                               std::optional<int> alignment, std::optional<int> imageIndex,
                               std::optional<bool> imageOnRight) = 0;
  virtual int ListInsertItem(Window window, std::string_view list, std::optional<int> position,
                             std::optional<Text> text, std::optional<int> imageIndex) = 0;
  virtual void ListSetItemText(Window window, std::string_view list, int row,
                               std::optional<int> column, std::optional<Text> text) = 0;
  virtual Text ListGetItemText(Window window, std::string_view list, int row,
                               std::optional<int> column) = 0;
  virtual int ListGetItemCount(Window window, std::string_view list) = 0;
  virtual void ListDeleteAllItems(Window window, std::string_view list) = 0;
  virtual int ListGetColumnCount(Window window, std::string_view list) = 0;
  virtual void StatusBarSetPartText(Window window, std::string_view bar, int part,
                                    std::optional<Text> text) = 0;

  // Runs work on a worker thread and returns when it has finished; meanwhile the window keeps
  // repainting and reacting. work must not touch controls.
  virtual void RunInBackground(const std::function<void()>& work) = 0;
  // A collection run begins (true) or ends (false): while it runs, the commands that would start
  // another run or change the list are disabled and ignored, and the list area shows the progress.
  virtual void SetRunning(bool running) = 0;
  // Progress of the run: pages done of pageCount, and how many of them failed.
  virtual void ShowRunProgress(int pagesDone, int pageCount, int pagesFailed) = 0;
  // True once the user asked the run to stop after the current page, or closed the window.
  virtual bool StopRequested() = 0;
  // True once the main window is closing: a download in flight must be abandoned. Safe to call
  // from the worker thread.
  virtual bool AbortRequested() = 0;
};

// The installed implementation; using it before one is installed is a programming error.
ControlAccess& Controls();
void InstallControls(ControlAccess* controls);

// Convenience forms over Controls().
PropertyValue ReadProperty(Window window, std::string_view control, int property);
Text ReadText(Window window, std::string_view control, int property = Property::kContent);
int ReadInteger(Window window, std::string_view control, int property);
void WriteProperty(Window window, std::string_view control, int property, const PropertyValue& value);
void EditBoxAppend(Window window, std::string_view control, const Text& text);
int MessageBox(const Text& message, int flags, const std::optional<Text>& caption = std::nullopt);
void PopupMenu(Window window, std::string_view menu, std::optional<int> x = std::nullopt,
               std::optional<int> y = std::nullopt);
bool LoadWindow(Window window, bool modal);
void ProcessEvents();
bool SetClipboardText(const Text& text);

namespace ListView {
// Appends (position absent or negative) a column; caption default "", width default 50 (negative
// counts as 0). Returns the new column's index.
int InsertColumn(Window window, std::string_view list, std::optional<int> position = std::nullopt,
                 std::optional<Text> caption = std::nullopt, std::optional<int> width = std::nullopt,
                 std::optional<int> alignment = std::nullopt,
                 std::optional<int> imageIndex = std::nullopt,
                 std::optional<bool> imageOnRight = std::nullopt);
// Inserts a row (appended when position is absent or negative). Returns its index.
int InsertItem(Window window, std::string_view list, std::optional<int> position = std::nullopt,
               std::optional<Text> text = std::nullopt, std::optional<int> imageIndex = std::nullopt);
// Sets cell (row, column); column default 0, an absent text clears the cell.
void SetItemText(Window window, std::string_view list, int row, std::optional<int> column,
                 std::optional<Text> text);
// The text of cell (row, column), whole; empty for a cell that does not exist.
Text GetItemText(Window window, std::string_view list, int row, std::optional<int> column = std::nullopt);
int GetItemCount(Window window, std::string_view list);
// Removes every row; the columns stay.
void DeleteAllItems(Window window, std::string_view list);
int GetColumnCount(Window window, std::string_view list);
}  // namespace ListView

namespace StatusBar {
// Replaces the text of a part; nothing happens for a part index outside the bar.
void SetPartText(Window window, std::string_view bar, int part, std::optional<Text> text = std::nullopt);
}  // namespace StatusBar

}  // namespace runtime
