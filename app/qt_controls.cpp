// Qt widgets behind the control-access interface.
#include "app/qt_controls.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMenu>
#include <QPushButton>
#include <exception>
#include <thread>

#include "app/control_widgets.h"
#include "app/main_window_controls.h"
#include "app/main_window_session.h"
#include "app/menu_item_looks.h"
#include "app/property_support.h"
#include "app/qt_message_box.h"
#include "app/qt_text.h"
#include "app/report_list_view.h"
#include "app/rule_preview_panel.h"
#include "app/run_panel.h"
#include "app/shell_errors.h"
#include "app/status_bar_widget.h"
#include "app/widget_properties.h"

namespace app {

namespace {

// The pop-up menu's corner lies this far right of and below the mouse pointer.
constexpr int kPopupOffset = 3;
// ProcessEvents stops after this many passes even if timers keep the queue busy.
constexpr int kMaxEventPasses = 100;
// Where the run panel sits: beside "处理中，请稍候.." in the result list's area, moving with it.
constexpr QRect kRunPanelGeometry(470, 240, 172, 24);
constexpr std::string_view kWaitLabel = "标签1";

// A setting box during a run: its text can be selected and scrolled but not changed.
void HoldSetting(QWidget* box, bool held) {
  if (auto* lines = qobject_cast<QPlainTextEdit*>(box)) {
    lines->setReadOnly(held);
  } else if (auto* line = qobject_cast<QLineEdit*>(box)) {
    line->setReadOnly(held);
  } else if (box != nullptr) {
    box->setEnabled(!held);
  }
}

}  // namespace

QtControls::QtControls() : dispatcher_([this] { return running_; }) {
  dispatcher_.SetAfterOutermost([this] { AfterOutermostHandler(); });
}

QtControls::~QtControls() {
  lastList_ = {};
  delete generator_.data();
  delete main_.data();
}

LayoutWindow* QtControls::WindowOf(runtime::Window window) const {
  return window == runtime::Window::MainWindow ? main_.data() : generator_.data();
}

QtControls::Found QtControls::Find(runtime::Window window, std::string_view control) const {
  const LayoutWindow* loaded = WindowOf(window);
  if (loaded == nullptr) {
    ControlNotReachable();
  }
  const ControlLayout* layout = FindControl(loaded->Layout(), control);
  QWidget* widget = loaded->Widget(control);
  if (layout == nullptr || widget == nullptr) {
    ControlNotReachable();
  }
  return {layout, widget};
}

ReportListView& QtControls::ListOf(runtime::Window window, std::string_view list) const {
  if (lastList_.view != nullptr && lastList_.window == window && lastList_.name == list) {
    return *lastList_.view;
  }
  auto* view = qobject_cast<ReportListView*>(Find(window, list).widget);
  if (view == nullptr) {
    PropertyNotSupported();
  }
  lastList_ = {window, std::string(list), view};
  return *view;
}

runtime::PropertyValue QtControls::ReadProperty(runtime::Window window, std::string_view control,
                                                int property) {
  const Found found = Find(window, control);
  if (!Supports(found.layout->kind, property)) {
    PropertyNotSupported();
  }
  return ReadWidgetProperty(*found.layout, found.widget, property);
}

void QtControls::WriteProperty(runtime::Window window, std::string_view control, int property,
                               const runtime::PropertyValue& value) {
  const Found found = Find(window, control);
  if (!Supports(found.layout->kind, property)) {
    PropertyNotSupported();
  }
  WriteWidgetProperty(*found.layout, found.widget, property, value);
}

void QtControls::EditBoxAppend(runtime::Window window, std::string_view control,
                               const runtime::Text& text) {
  const Found found = Find(window, control);
  if (found.layout->kind != ControlKind::EditBox) {
    PropertyNotSupported();
  }
  AppendEditBoxText(found.widget, text.substr(0, text.find('\0')));
}

int QtControls::MessageBox(const runtime::Text& message, int flags,
                           const std::optional<runtime::Text>& caption) {
  MessageRecord record{message, flags, caption.value_or(DefaultCaption()), kAnswerOk};
  if (!nextAnswers_.empty()) {
    record.answer = nextAnswers_.front();
    nextAnswers_.pop_front();
  } else {
    QWidget* owner = generator_ ? generator_.data() : main_.data();
    record.answer = ShowQtMessageBox(owner, message, flags, record.caption);
  }
  messages_.push_back(record);
  return record.answer;
}

void QtControls::PopupMenu(runtime::Window window, std::string_view menu, std::optional<int> x,
                           std::optional<int> y) {
  LayoutWindow* loaded = WindowOf(window);
  if (loaded == nullptr) {
    WindowNotLoaded();
  }
  const WindowLayout& layout = loaded->Layout();
  if (FindMenu(layout, menu) == nullptr) {
    ControlNotReachable();
  }
  QMenu popup(loaded);
  for (const MenuLayout* item : MenuItems(layout, menu)) {
    const MenuItemLook look = LookOf(*item);
    if (!look.shown) continue;
    QAction* action = popup.addAction(ToQString(look.caption));
    action->setObjectName(FromLayout(item->name));
    action->setEnabled(!(running_ && (item->styles & kDisabledWhileRunning) != 0));
  }
  QPoint position = QCursor::pos() + QPoint(kPopupOffset, kPopupOffset);
  if (x) position.setX(*x);
  if (y) position.setY(*y);
  lastPopupPosition_ = position;
  const QAction* chosen = popup.exec(position);
  if (chosen != nullptr) {
    dispatcher_.MenuItem(layout, chosen->objectName().toStdString());
  }
}

bool QtControls::LoadWindow(runtime::Window window, bool modal) {
  LayoutWindow* loaded = WindowOf(window);
  if (loaded == nullptr) {
    loaded = Create(window);
  }
  // Modal without an event loop of its own: the caller goes on, a run among them.
  if (modal) {
    loaded->setWindowModality(Qt::ApplicationModal);
  }
  loaded->show();
  loaded->activateWindow();
  return true;
}

LayoutWindow* QtControls::Create(runtime::Window window) {
  auto* created = new LayoutWindow(LayoutOf(window));
  created->setAttribute(Qt::WA_DeleteOnClose);
  created->SetEventHandler([this, created](std::string_view control, int event) {
    dispatcher_.ControlEvent(created->Layout(), control, event);
  });
  created->SetMenuItemHandler(
      [this, created](std::string_view item) { dispatcher_.MenuItem(created->Layout(), item); });
  if (window == runtime::Window::MainWindow) {
    main_ = created;
    created->SetCloseGuard([this] { return MayCloseMainWindow(); });
    created->SetClosedHandler([this] {
      main_ = nullptr;
      runPanel_ = nullptr;
      lastList_ = {};
    });
    auto* panel = new RunPanel(created, [this] { stop_ = true; });
    created->Attach(panel, kRunPanelGeometry, kWaitLabel);
    panel->hide();
    if (QWidget* list = created->Widget("测试列表框")) {
      panel->stackUnder(list);
    }
    runPanel_ = panel;
    created->BindKey(
        QKeySequence(Qt::Key_Escape), [this] { runPanel_->StopButton()->click(); },
        [this] { return running_ && runPanel_; });
    auto* session = new MainWindowSession(created);
    new RulePreviewPanel(created->WidgetAs<QLineEdit>(Control::kRule), *session, created);
  } else {
    generator_ = created;
    created->SetClosedHandler([this] {
      generator_ = nullptr;
      lastList_ = {};
    });
    created->BindKey(QKeySequence(Qt::Key_Escape), [created] { created->close(); });
    EnableRunCommands(created, !running_);
  }
  return created;
}

void QtControls::ProcessEvents() {
  QCoreApplication::sendPostedEvents();
  QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance();
  for (int pass = 0; events != nullptr && pass < kMaxEventPasses; ++pass) {
    if (!events->processEvents(QEventLoop::AllEvents)) {
      break;
    }
  }
}

bool QtControls::SetClipboardText(const runtime::Text& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) {
    return false;
  }
  clipboard->setText(ToQString(text.substr(0, text.find('\0'))));
  return true;
}

int QtControls::ListInsertColumn(runtime::Window window, std::string_view list,
                                 std::optional<int> position, std::optional<runtime::Text> caption,
                                 std::optional<int> width, std::optional<int> alignment,
                                 std::optional<int> imageIndex, std::optional<bool> imageOnRight) {
  return ListOf(window, list)
      .List()
      .InsertColumn(position, std::move(caption), width, alignment, imageIndex, imageOnRight);
}

int QtControls::ListInsertItem(runtime::Window window, std::string_view list,
                               std::optional<int> position, std::optional<runtime::Text> text,
                               std::optional<int>) {
  return ListOf(window, list)
      .List()
      .InsertItem(position, text ? std::string_view(*text) : std::string_view());
}

void QtControls::ListSetItemText(runtime::Window window, std::string_view list, int row,
                                 std::optional<int> column, std::optional<runtime::Text> text) {
  ListOf(window, list)
      .List()
      .SetItemText(row, column.value_or(0), text ? std::string_view(*text) : std::string_view());
}

runtime::Text QtControls::ListGetItemText(runtime::Window window, std::string_view list, int row,
                                          std::optional<int> column) {
  return ListOf(window, list).List().GetItemText(row, column.value_or(0));
}

int QtControls::ListGetItemCount(runtime::Window window, std::string_view list) {
  return ListOf(window, list).List().ItemCount();
}

void QtControls::ListDeleteAllItems(runtime::Window window, std::string_view list) {
  ListOf(window, list).List().DeleteAllItems();
}

int QtControls::ListGetColumnCount(runtime::Window window, std::string_view list) {
  return ListOf(window, list).List().ColumnCount();
}

void QtControls::StatusBarSetPartText(runtime::Window window, std::string_view bar, int part,
                                      std::optional<runtime::Text> text) {
  auto* widget = qobject_cast<StatusBarWidget*>(Find(window, bar).widget);
  if (widget == nullptr) {
    PropertyNotSupported();
  }
  widget->Data().SetPartText(part, std::move(text));
}

void QtControls::RunInBackground(const std::function<void()>& work) {
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  // An application that is quitting ends every loop at once; keep serving events meanwhile.
  while (!done) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  worker.join();
  if (failure) {
    std::rethrow_exception(failure);
  }
}

void QtControls::SetRunning(bool running) {
  running_ = running;
  if (running) {
    stop_ = false;
  }
  EnableRunCommands(main_, !running);
  EnableRunCommands(generator_, !running);
  if (runPanel_) {
    runPanel_->Reset();
    runPanel_->setVisible(running);
  }
}

void QtControls::ShowRunProgress(int pagesDone, int pageCount, int pagesFailed) {
  if (runPanel_) {
    runPanel_->ShowProgress(pagesDone, pageCount, pagesFailed);
  }
}

bool QtControls::StopRequested() { return stop_; }

bool QtControls::AbortRequested() { return abort_; }

bool QtControls::MayCloseMainWindow() {
  if (dispatcher_.Depth() == 0) {
    return true;
  }
  // A handler is still running: it must end first. The window closes when it has returned.
  abort_ = true;
  stop_ = true;
  closePending_ = true;
  return false;
}

void QtControls::AfterOutermostHandler() {
  if (closePending_ && main_) {
    closePending_ = false;
    QMetaObject::invokeMethod(
        main_.data(),
        [window = main_] {
          if (window) window->close();
        },
        Qt::QueuedConnection);
  }
}

void QtControls::EnableRunCommands(LayoutWindow* window, bool enabled) {
  if (window == nullptr) {
    return;
  }
  std::vector<QWidget*> commands;
  for (const ControlLayout& control : window->Layout().controls) {
    if ((control.styles & kDisabledWhileRunning) != 0) commands.push_back(window->Widget(control.name));
  }
  if (window != main_) {
    for (QWidget* command : commands) command->setEnabled(enabled);
    return;
  }
  // A focused widget that is disabled would hand focus on to the next box with its text
  // selected, where the next keystroke would replace it: the window holds the focus instead,
  // and it goes back to the widget when the run ends.
  QWidget* focused = QApplication::focusWidget();
  if (!enabled && focused != nullptr && main_->isAncestorOf(focused) && !focused->inherits("QLineEdit") &&
      !focused->inherits("QPlainTextEdit")) {
    focusBeforeRun_ = focused;
    main_->setFocus(Qt::OtherFocusReason);
  }
  for (const char* name : Control::kSettingBoxes) HoldSetting(main_->Widget(name), !enabled);
  for (QWidget* command : commands) command->setEnabled(enabled);
  if (enabled && focusBeforeRun_) {
    focusBeforeRun_->setFocus(Qt::OtherFocusReason);
    focusBeforeRun_ = nullptr;
  }
}

}  // namespace app
