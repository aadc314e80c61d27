// In-memory windows: property values initialised from the layout tables, list and status-bar
// data, and the seams that stand in for the user.
#include "app/memory_controls.h"

#include <algorithm>

#include "app/property_support.h"
#include "app/shell_errors.h"
#include "runtime/code_page.h"

namespace app {

namespace {

runtime::Text UpToZero(const runtime::Text& text) { return text.substr(0, text.find('\0')); }

}  // namespace

MemoryControls::MemoryControls() : dispatcher_([this] { return running_; }) {}

MemoryControls::~MemoryControls() = default;

MemoryControls::LoadedWindow MemoryControls::Build(const WindowLayout& layout) {
  LoadedWindow window;
  window.layout = &layout;
  for (const ControlLayout& unit : layout.controls) {
    Control control;
    control.layout = &unit;
    control.visible = (unit.flags & kVisible) != 0;
    control.content = runtime::T(unit.content);
    control.checked = (unit.styles & kChecked) != 0 ? 1 : 0;
    if (unit.kind == ControlKind::ReportList) {
      control.list = std::make_unique<runtime::ReportList>();
    }
    if (unit.kind == ControlKind::StatusBar) {
      std::vector<runtime::StatusBarPart> parts;
      for (const StatusPartLayout& part : unit.parts) {
        parts.push_back({part.width, runtime::T(part.text)});
      }
      control.bar = std::make_unique<runtime::StatusBarData>(std::move(parts));
    }
    window.controls.emplace(std::string(unit.name), std::move(control));
  }
  return window;
}

MemoryControls::LoadedWindow& MemoryControls::Loaded(runtime::Window window) {
  const auto found = windows_.find(window);
  if (found == windows_.end()) {
    ControlNotReachable();
  }
  return found->second;
}

MemoryControls::Control& MemoryControls::Find(runtime::Window window, std::string_view control) {
  LoadedWindow& loaded = Loaded(window);
  const auto found = loaded.controls.find(control);
  if (found == loaded.controls.end()) {
    ControlNotReachable();
  }
  return found->second;
}

runtime::ReportList& MemoryControls::ListOf(runtime::Window window, std::string_view list) {
  Control& control = Find(window, list);
  if (!control.list) {
    PropertyNotSupported();
  }
  return *control.list;
}

runtime::PropertyValue MemoryControls::ReadProperty(runtime::Window window,
                                                    std::string_view control, int property) {
  Control& found = Find(window, control);
  if (!Supports(found.layout->kind, property)) {
    PropertyNotSupported();
  }
  switch (property) {
    case runtime::Property::kVisible: return found.visible ? 1 : 0;
    case runtime::Property::kColumnDefinitions: return found.list->ColumnDefinitions();
    case runtime::Property::kChecked: return found.checked;
    case runtime::Property::kCurrentSelection: return found.selection;
    default: return found.content;
  }
}

void MemoryControls::WriteProperty(runtime::Window window, std::string_view control, int property,
                                   const runtime::PropertyValue& value) {
  Control& found = Find(window, control);
  if (!Supports(found.layout->kind, property)) {
    PropertyNotSupported();
  }
  switch (property) {
    case runtime::Property::kVisible: found.visible = AsInteger(value) != 0; break;
    case runtime::Property::kColumnDefinitions:
      found.list->SetColumnDefinitions(AsText(value));
      break;
    case runtime::Property::kChecked: found.checked = AsInteger(value) != 0 ? 1 : 0; break;
    case runtime::Property::kCurrentSelection: {
      const int index = AsInteger(value);
      const auto& items = found.layout->items;
      found.selection = index >= 0 && index < static_cast<int>(items.size()) ? index : -1;
      found.content = found.selection < 0 ? runtime::Text() : runtime::T(items[found.selection]);
      break;
    }
    default: found.content = UpToZero(AsText(value)); break;
  }
}

void MemoryControls::EditBoxAppend(runtime::Window window, std::string_view control,
                                   const runtime::Text& text) {
  Control& found = Find(window, control);
  if (found.layout->kind != ControlKind::EditBox) {
    PropertyNotSupported();
  }
  const runtime::Text appended = UpToZero(text);
  found.content += appended;
  if (appendSink_) {
    appendSink_(window, control, appended);
  }
}

int MemoryControls::MessageBox(const runtime::Text& message, int flags,
                               const std::optional<runtime::Text>& caption) {
  MessageRecord record{message, flags, caption.value_or(DefaultCaption()), DefaultAnswer(flags)};
  if (!nextAnswers_.empty()) {
    record.answer = nextAnswers_.front();
    nextAnswers_.pop_front();
  }
  messages_.push_back(record);
  if (messageSink_) {
    messageSink_(record);
  }
  return record.answer;
}

void MemoryControls::PopupMenu(runtime::Window window, std::string_view menu, std::optional<int>,
                               std::optional<int>) {
  const WindowLayout& layout = *Loaded(window).layout;
  if (FindMenu(layout, menu) == nullptr) {
    ControlNotReachable();
  }
  openedMenus_.emplace_back(menu);
  if (nextMenuChoices_.empty()) {
    return;
  }
  const std::string choice = nextMenuChoices_.front();
  nextMenuChoices_.pop_front();
  for (const MenuLayout* item : MenuItems(layout, menu)) {
    if (item->name == choice) {
      dispatcher_.MenuItem(layout, choice);
      return;
    }
  }
}

bool MemoryControls::LoadWindow(runtime::Window window, bool modal) {
  if (windows_.count(window) == 0) {
    windows_.emplace(window, Build(LayoutOf(window)));
  }
  if (!modal) {
    return true;
  }
  const auto action = whileOpen_.find(window);
  if (action != whileOpen_.end() && action->second) {
    const std::function<void()> whileOpen = action->second;
    whileOpen();
  }
  windows_.erase(window);
  return true;
}

bool MemoryControls::SetClipboardText(const runtime::Text& text) {
  clipboard_ = UpToZero(text);
  return true;
}

int MemoryControls::ListInsertColumn(runtime::Window window, std::string_view list,
                                     std::optional<int> position,
                                     std::optional<runtime::Text> caption, std::optional<int> width,
                                     std::optional<int> alignment, std::optional<int> imageIndex,
                                     std::optional<bool> imageOnRight) {
  return ListOf(window, list)
      .InsertColumn(position, std::move(caption), width, alignment, imageIndex, imageOnRight);
}

int MemoryControls::ListInsertItem(runtime::Window window, std::string_view list,
                                   std::optional<int> position, std::optional<runtime::Text> text,
                                   std::optional<int>) {
  return ListOf(window, list)
      .InsertItem(position, text ? std::string_view(*text) : std::string_view());
}

void MemoryControls::ListSetItemText(runtime::Window window, std::string_view list, int row,
                                     std::optional<int> column, std::optional<runtime::Text> text) {
  ListOf(window, list)
      .SetItemText(row, column.value_or(0), text ? std::string_view(*text) : std::string_view());
}

runtime::Text MemoryControls::ListGetItemText(runtime::Window window, std::string_view list,
                                              int row, std::optional<int> column) {
  return ListOf(window, list).GetItemText(row, column.value_or(0));
}

int MemoryControls::ListGetItemCount(runtime::Window window, std::string_view list) {
  return ListOf(window, list).ItemCount();
}

void MemoryControls::ListDeleteAllItems(runtime::Window window, std::string_view list) {
  ListOf(window, list).DeleteAllItems();
}

int MemoryControls::ListGetColumnCount(runtime::Window window, std::string_view list) {
  return ListOf(window, list).ColumnCount();
}

void MemoryControls::StatusBarSetPartText(runtime::Window window, std::string_view bar, int part,
                                          std::optional<runtime::Text> text) {
  Control& control = Find(window, bar);
  if (!control.bar) {
    PropertyNotSupported();
  }
  if (control.bar->SetPartText(part, std::move(text)) && statusBarSink_) {
    statusBarSink_(window, bar, part, control.bar->PartText(part));
  }
}

void MemoryControls::RunInBackground(const std::function<void()>& work) { work(); }

void MemoryControls::SetRunning(bool running) {
  running_ = running;
  if (running) {
    stop_ = false;
    progress_ = {0, 0};
  }
}

void MemoryControls::ShowRunProgress(int page, int pageCount) { progress_ = {page, pageCount}; }

bool MemoryControls::StopRequested() { return stop_; }

bool MemoryControls::AbortRequested() { return abort_; }

void MemoryControls::Click(runtime::Window window, std::string_view control) {
  if (!IsLoaded(window)) {
    EventWindowNotFound();
  }
  dispatcher_.ControlEvent(*Loaded(window).layout, control, kEventClick);
}

void MemoryControls::RightClick(runtime::Window window, std::string_view control) {
  if (!IsLoaded(window)) {
    EventWindowNotFound();
  }
  dispatcher_.ControlEvent(*Loaded(window).layout, control, kEventRightClick);
}

void MemoryControls::ChooseItem(runtime::Window window, std::string_view comboBox, int index) {
  WriteProperty(window, comboBox, runtime::Property::kCurrentSelection, index);
  Click(window, comboBox);
}

void MemoryControls::ChooseMenuItem(runtime::Window window, std::string_view item) {
  if (!IsLoaded(window)) {
    EventWindowNotFound();
  }
  dispatcher_.MenuItem(*Loaded(window).layout, item);
}

void MemoryControls::RequestStop() { stop_ = true; }

void MemoryControls::RequestAbort() {
  abort_ = true;
  stop_ = true;
}

void MemoryControls::SetNextAnswer(int answer) { nextAnswers_.push_back(answer); }

void MemoryControls::SetNextMenuChoice(std::string item) {
  nextMenuChoices_.push_back(std::move(item));
}

void MemoryControls::SetWhileOpen(runtime::Window window, std::function<void()> action) {
  whileOpen_[window] = std::move(action);
}

bool MemoryControls::IsEnabled(runtime::Window window, std::string_view control) {
  const unsigned styles = Find(window, control).layout->styles;
  return !(running_ && (styles & kDisabledWhileRunning) != 0);
}

const runtime::ReportList& MemoryControls::List(runtime::Window window, std::string_view list) {
  return ListOf(window, list);
}

const runtime::StatusBarData& MemoryControls::Bar(runtime::Window window, std::string_view bar) {
  Control& control = Find(window, bar);
  if (!control.bar) {
    PropertyNotSupported();
  }
  return *control.bar;
}

}  // namespace app
