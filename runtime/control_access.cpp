// The installed control-access implementation and the convenience forms that forward to it.
#include "runtime/control_access.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/text_operations.h"

namespace runtime {

namespace {

ControlAccess* installed = nullptr;

}  // namespace

ControlAccess& Controls() {
  if (installed == nullptr) {
    std::fputs("control access used before the shell installed one\n", stderr);
    std::abort();
  }
  return *installed;
}

void InstallControls(ControlAccess* controls) { installed = controls; }

PropertyValue ReadProperty(Window window, std::string_view control, int property) {
  return Controls().ReadProperty(window, control, property);
}

Text ReadText(Window window, std::string_view control, int property) {
  const PropertyValue value = ReadProperty(window, control, property);
  if (const int* number = std::get_if<int>(&value)) {
    return ToText(*number);
  }
  return std::get<Text>(value);
}

int ReadInteger(Window window, std::string_view control, int property) {
  const PropertyValue value = ReadProperty(window, control, property);
  if (const Text* text = std::get_if<Text>(&value)) {
    return ToInteger(*text);
  }
  return std::get<int>(value);
}

void WriteProperty(Window window, std::string_view control, int property,
                   const PropertyValue& value) {
  Controls().WriteProperty(window, control, property, value);
}

void EditBoxAppend(Window window, std::string_view control, const Text& text) {
  Controls().EditBoxAppend(window, control, text);
}

int MessageBox(const Text& message, int flags, const std::optional<Text>& caption) {
  return Controls().MessageBox(message, flags, caption);
}

void PopupMenu(Window window, std::string_view menu, std::optional<int> x, std::optional<int> y) {
  Controls().PopupMenu(window, menu, x, y);
}

bool LoadWindow(Window window, bool modal) { return Controls().LoadWindow(window, modal); }

void ProcessEvents() { Controls().ProcessEvents(); }

bool SetClipboardText(const Text& text) { return Controls().SetClipboardText(text); }

namespace ListView {

int InsertColumn(Window window, std::string_view list, std::optional<int> position,
                 std::optional<Text> caption, std::optional<int> width,
                 std::optional<int> alignment, std::optional<int> imageIndex,
                 std::optional<bool> imageOnRight) {
  return Controls().ListInsertColumn(window, list, position, std::move(caption), width, alignment,
                                     imageIndex, imageOnRight);
}

int InsertItem(Window window, std::string_view list, std::optional<int> position,
               std::optional<Text> text, std::optional<int> imageIndex) {
  return Controls().ListInsertItem(window, list, position, std::move(text), imageIndex);
}

void SetItemText(Window window, std::string_view list, int row, std::optional<int> column,
                 std::optional<Text> text) {
  Controls().ListSetItemText(window, list, row, column, std::move(text));
}

Text GetItemText(Window window, std::string_view list, int row, std::optional<int> column) {
  return Controls().ListGetItemText(window, list, row, column);
}

int GetItemCount(Window window, std::string_view list) {
  return Controls().ListGetItemCount(window, list);
}

void DeleteAllItems(Window window, std::string_view list) {
  Controls().ListDeleteAllItems(window, list);
}

int GetColumnCount(Window window, std::string_view list) {
  return Controls().ListGetColumnCount(window, list);
}

}  // namespace ListView

namespace StatusBar {

void SetPartText(Window window, std::string_view bar, int part, std::optional<Text> text) {
  Controls().StatusBarSetPartText(window, bar, part, std::move(text));
}

}  // namespace StatusBar

}  // namespace runtime
