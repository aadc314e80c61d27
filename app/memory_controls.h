// The controls of the program's windows held in memory: the headless front end (`pelmo collect`)
// and the fast tests of the handlers. Built from the same layout tables as the Qt window.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/event_dispatcher.h"
#include "app/layout.h"
#include "app/message_box_style.h"
#include "runtime/control_access.h"
#include "runtime/report_list.h"
#include "runtime/status_bar.h"

namespace app {

class MemoryControls final : public runtime::ControlAccess {
public:
  using AppendSink = std::function<void(runtime::Window window, std::string_view control,
                                        const runtime::Text& text)>;
  using StatusBarSink = std::function<void(runtime::Window window, std::string_view bar, int part,
                                           const runtime::Text& text)>;
  using MessageSink = std::function<void(const MessageRecord& record)>;

  MemoryControls();
  ~MemoryControls() override;

  runtime::PropertyValue ReadProperty(runtime::Window window, std::string_view control,
                                      int property) override;
  void WriteProperty(runtime::Window window, std::string_view control, int property,
                     const runtime::PropertyValue& value) override;
  void EditBoxAppend(runtime::Window window, std::string_view control,
                     const runtime::Text& text) override;
  // Answers with the oldest answer set by SetNextAnswer, else with the default button.
  int MessageBox(const runtime::Text& message, int flags,
                 const std::optional<runtime::Text>& caption) override;
  // Records the menu; when a choice was set with SetNextMenuChoice, runs that item.
  void PopupMenu(runtime::Window window, std::string_view menu, std::optional<int> x,
                 std::optional<int> y) override;
  // Loads the window from its layout; a modal one runs its SetWhileOpen action and is unloaded.
  bool LoadWindow(runtime::Window window, bool modal) override;
  void ProcessEvents() override {}
  bool SetClipboardText(const runtime::Text& text) override;

  int ListInsertColumn(runtime::Window window, std::string_view list, std::optional<int> position,
                       std::optional<runtime::Text> caption, std::optional<int> width,
                       std::optional<int> alignment, std::optional<int> imageIndex,
                       std::optional<bool> imageOnRight) override;
  int ListInsertItem(runtime::Window window, std::string_view list, std::optional<int> position,
                     std::optional<runtime::Text> text, std::optional<int> imageIndex) override;
  void ListSetItemText(runtime::Window window, std::string_view list, int row,
                       std::optional<int> column, std::optional<runtime::Text> text) override;
  runtime::Text ListGetItemText(runtime::Window window, std::string_view list, int row,
                                std::optional<int> column) override;
  int ListGetItemCount(runtime::Window window, std::string_view list) override;
  void ListDeleteAllItems(runtime::Window window, std::string_view list) override;
  int ListGetColumnCount(runtime::Window window, std::string_view list) override;
  void StatusBarSetPartText(runtime::Window window, std::string_view bar, int part,
                            std::optional<runtime::Text> text) override;

  // Runs the work at once, on the calling thread.
  void RunInBackground(const std::function<void()>& work) override;
  void SetRunning(bool running) override;
  void ShowRunProgress(int page, int pageCount) override;
  bool StopRequested() override;
  bool AbortRequested() override;

  // Events, as a user would raise them. The window must be loaded.
  void Click(runtime::Window window, std::string_view control);
  void RightClick(runtime::Window window, std::string_view control);
  // Chooses item index of a combo box (its text goes to the edit field), then raises event 0.
  void ChooseItem(runtime::Window window, std::string_view comboBox, int index);
  // Chooses a menu item of the window (as from its pop-up menu).
  void ChooseMenuItem(runtime::Window window, std::string_view item);
  // The stop button of a run.
  void RequestStop();
  // The main window is being closed: the run in progress must end.
  void RequestAbort();

  // Seams and observations.
  void SetNextAnswer(int answer);
  const std::vector<MessageRecord>& Messages() const { return messages_; }
  void SetMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
  void SetNextMenuChoice(std::string item);
  const std::vector<std::string>& OpenedMenus() const { return openedMenus_; }
  void SetWhileOpen(runtime::Window window, std::function<void()> action);
  // Called with each text appended to an edit box, as it is appended.
  void SetAppendSink(AppendSink sink) { appendSink_ = std::move(sink); }
  // Called with each status-bar part text, as it is set.
  void SetStatusBarSink(StatusBarSink sink) { statusBarSink_ = std::move(sink); }
  const runtime::Text& ClipboardText() const { return clipboard_; }
  bool IsLoaded(runtime::Window window) const { return windows_.count(window) != 0; }
  bool Running() const { return running_; }
  // Whether the control takes input now: commands that would disturb a run are disabled during one.
  bool IsEnabled(runtime::Window window, std::string_view control);
  std::pair<int, int> RunProgress() const { return progress_; }
  const runtime::ReportList& List(runtime::Window window, std::string_view list);
  const runtime::StatusBarData& Bar(runtime::Window window, std::string_view bar);

private:
  struct Control {
    const ControlLayout* layout = nullptr;
    bool visible = true;
    runtime::Text content;
    int checked = 0;
    int selection = -1;
    std::unique_ptr<runtime::ReportList> list;
    std::unique_ptr<runtime::StatusBarData> bar;
  };
  struct LoadedWindow {
    const WindowLayout* layout = nullptr;
    std::map<std::string, Control, std::less<>> controls;
  };

  LoadedWindow& Loaded(runtime::Window window);
  Control& Find(runtime::Window window, std::string_view control);
  runtime::ReportList& ListOf(runtime::Window window, std::string_view list);
  static LoadedWindow Build(const WindowLayout& layout);

  std::map<runtime::Window, LoadedWindow> windows_;
  EventDispatcher dispatcher_;
  std::deque<int> nextAnswers_;
  std::vector<MessageRecord> messages_;
  MessageSink messageSink_;
  std::deque<std::string> nextMenuChoices_;
  std::vector<std::string> openedMenus_;
  std::map<runtime::Window, std::function<void()>> whileOpen_;
  AppendSink appendSink_;
  StatusBarSink statusBarSink_;
  runtime::Text clipboard_;
  bool running_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> abort_{false};
  std::pair<int, int> progress_{0, 0};
};

}  // namespace app
