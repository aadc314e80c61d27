// The control access of the program's windows in Qt: windows built from their layout tables,
// events routed to the bound handlers, properties, list and status-bar operations, message
// boxes, pop-up menus, modal windows, keys and the support of a collection run.
#pragma once

#include <QPoint>
#include <QPointer>
#include <atomic>
#include <deque>
#include <string>
#include <vector>

#include "app/event_dispatcher.h"
#include "app/layout_window.h"
#include "app/message_box_style.h"
#include "app/run_panel.h"
#include "runtime/control_access.h"

namespace app {

class ReportListView;

class QtControls final : public runtime::ControlAccess {
public:
  // Needs the QApplication. No window is loaded yet.
  QtControls();
  ~QtControls() override;
  QtControls(const QtControls&) = delete;
  QtControls& operator=(const QtControls&) = delete;

  runtime::PropertyValue ReadProperty(runtime::Window window, std::string_view control,
                                      int property) override;
  void WriteProperty(runtime::Window window, std::string_view control, int property,
                     const runtime::PropertyValue& value) override;
  void EditBoxAppend(runtime::Window window, std::string_view control,
                     const runtime::Text& text) override;
  // Answers with the oldest answer set by SetNextAnswer without showing anything; otherwise
  // shows the box over the program's active window.
  int MessageBox(const runtime::Text& message, int flags,
                 const std::optional<runtime::Text>& caption) override;
  void PopupMenu(runtime::Window window, std::string_view menu, std::optional<int> x,
                 std::optional<int> y) override;
  bool LoadWindow(runtime::Window window, bool modal) override;
  void ProcessEvents() override;
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

  // The work runs on a worker thread while this thread keeps dispatching events.
  void RunInBackground(const std::function<void()>& work) override;
  void SetRunning(bool running) override;
  void ShowRunProgress(int pagesDone, int pageCount, int pagesFailed) override;
  bool StopRequested() override;
  bool AbortRequested() override;

  // The window, or null when it is not loaded.
  LayoutWindow* WindowOf(runtime::Window window) const;
  // The progress label and stop button of a run (null before the main window is loaded).
  RunPanel* RunPanelOf() const { return runPanel_; }
  bool Running() const { return running_; }

  // Seams for tests: answers for the next message boxes, the boxes asked for, and where the
  // last pop-up menu opened.
  void SetNextAnswer(int answer) { nextAnswers_.push_back(answer); }
  const std::vector<MessageRecord>& Messages() const { return messages_; }
  QPoint LastPopupPosition() const { return lastPopupPosition_; }

private:
  struct Found {
    const ControlLayout* layout;
    QWidget* widget;
  };
  Found Find(runtime::Window window, std::string_view control) const;
  ReportListView& ListOf(runtime::Window window, std::string_view list) const;
  LayoutWindow* Create(runtime::Window window);
  bool MayCloseMainWindow();
  void AfterOutermostHandler();
  void EnableRunCommands(LayoutWindow* window, bool enabled);

  // The list last addressed: a run addresses one list a million times over. Forgotten whenever
  // a window closes, so the view it names is alive.
  struct ListCache {
    runtime::Window window = runtime::Window::MainWindow;
    std::string name;
    ReportListView* view = nullptr;
  };

  QPointer<LayoutWindow> main_;
  QPointer<LayoutWindow> generator_;
  QPointer<RunPanel> runPanel_;
  EventDispatcher dispatcher_;
  bool running_ = false;
  bool closePending_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> abort_{false};
  std::deque<int> nextAnswers_;
  std::vector<MessageRecord> messages_;
  QPoint lastPopupPosition_;
  mutable ListCache lastList_;
  QPointer<QWidget> focusBeforeRun_;
};

}  // namespace app
