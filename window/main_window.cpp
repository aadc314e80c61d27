// The main window: its controls, its project in and out of the boxes, its commands' guard, its
// pop-up menus, its status channels and its state during a run.
#include "window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/runtime_error.h"
#include "runtime/text_operations.h"
#include "window/control_widgets.h"
#include "window/main_window_layout.h"
#include "window/qt_text.h"
#include "window/report_list_view.h"
#include "window/rule_preview_panel.h"
#include "window/run_panel.h"
#include "window/status_bar_widget.h"
#include "window/url_generator_window.h"

namespace window {

struct MainWindow::Command {
  std::string_view handler;
  void (MainWindow::*run)();
  // The look of the menu items bound to it, when it depends on the program's state.
  MenuItemLook (MainWindow::*look)() const = nullptr;
};

namespace {

// The pop-up menu's corner lies this far right of and below the mouse pointer.
constexpr int kPopupOffset = 3;
// Where the run panel sits: beside "处理中，请稍候.." in the result list's area, moving with it.
constexpr QRect kRunPanelGeometry(470, 240, 386, 24);
constexpr std::string_view kWaitLabel = "标签1";
// A warning with the buttons 是 and 否, 否 the default.
constexpr int kWarningYesNo = 0x30 | 0x04 | 0x100;
constexpr int kMessagePart = 1;
constexpr int kStampPart = 2;

template <typename T>
T* Child(const QWidget& window, const char* name) {
  return window.findChild<T*>(QString::fromUtf8(name));
}

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

const MainWindow::Command* MainWindow::FindCommand(std::string_view handler) {
  static const Command kCommands[] = {
      {"StartProcessing", &MainWindow::StartProcessing},
      {"TestConfiguration", &MainWindow::TestConfiguration},
      {"ExportResults", &MainWindow::ExportResults},
      {"ClearResultList", &MainWindow::ClearResultList},
      {"ChooseSeparator", &MainWindow::ChooseSeparator},
      {"ShowToolboxMenu", &MainWindow::ShowToolboxMenu},
      {"ShowListMenu", &MainWindow::ShowListMenu},
      {"OpenUrlGenerator", &MainWindow::OpenUrlGenerator},
      {"ChooseFetching", &MainWindow::ChooseFetching},
      {"ChooseLinks", &MainWindow::ChooseLinks},
      {"RetryFailedAddresses", &MainWindow::RetryFailedAddresses, &MainWindow::RetryMenuItemLook},
      {"OpenProject", &MainWindow::OpenProject},
      {"SaveProjectAs", &MainWindow::SaveProjectAs},
      {"ExportToFile", &MainWindow::ExportToFile},
      {"RestoreDefaultSettings", &MainWindow::RestoreDefaultSettings},
      {"ResumeLastRun", &MainWindow::ResumeLastRun, &MainWindow::ResumeMenuItemLook},
      {"ToggleOnlyNew", &MainWindow::ToggleOnlyNew, &MainWindow::OnlyNewMenuItemLook},
      {"ChooseRunStore", &MainWindow::ChooseRunStore},
      {"ToggleLiteralRule", &MainWindow::ToggleLiteralRule, &MainWindow::LiteralRuleMenuItemLook},
      {"ToggleDeclaredEncoding", &MainWindow::ToggleDeclaredEncoding, &MainWindow::DeclaredEncodingMenuItemLook},
  };
  for (const Command& command : kCommands) {
    if (command.handler == handler) return &command;
  }
  return nullptr;
}

MainWindow::MainWindow() : LayoutWindow(MainWindowLayout()) {
  setAttribute(Qt::WA_DeleteOnClose);
  CheckBindings();
  FindControls();
  SetEventHandler([this](std::string_view control, int event) {
    const ControlLayout* unit = FindControl(Layout(), control);
    RunCommand(BoundHandler(*unit, event), unit->styles);
  });
  SetMenuItemHandler([this](std::string_view item) {
    const MenuLayout* entry = FindMenu(Layout(), item);
    RunCommand(entry->handler, entry->styles);
  });
  SetCloseGuard([this] { return MayClose(); });
  auto* panel = new RunPanel(this, [this] { stop_ = true; });
  Attach(panel, kRunPanelGeometry, kWaitLabel);
  panel->hide();
  panel->stackUnder(controls_.list);
  runPanel_ = panel;
  BindKey(
      QKeySequence(Qt::Key_Escape), [this] { runPanel_->StopButton()->click(); },
      [this] { return running_ && runPanel_; });
  rulePreview_ = new RulePreviewPanel(controls_.rule, session_, this);
  ShowProject(collect::CollectionProject{});
}

MainWindow::~MainWindow() = default;

void MainWindow::CheckBindings() const {
  std::vector<std::string_view> handlers;
  for (const ControlLayout& control : Layout().controls) {
    for (const EventBinding& binding : control.bindings) handlers.push_back(binding.handler);
  }
  for (const MenuLayout& menu : Layout().menus) handlers.push_back(menu.handler);
  for (std::string_view handler : handlers) {
    if (!handler.empty() && FindCommand(handler) == nullptr) {
      runtime::ReportRuntimeError(runtime::T("未找到引发事件的窗口组件"), 0);
    }
  }
}

void MainWindow::FindControls() {
  controls_.addresses = Child<QPlainTextEdit>(*this, "列表网址框");
  controls_.cookie = Child<QPlainTextEdit>(*this, "cookie框");
  controls_.before = Child<QLineEdit>(*this, "采集前");
  controls_.after = Child<QLineEdit>(*this, "采集后");
  controls_.rule = Child<QLineEdit>(*this, "正则框");
  controls_.gbk = Child<QCheckBox>(*this, "gbk");
  controls_.separator = Child<QLineEdit>(*this, "分隔符号框");
  controls_.separatorChoice = Child<QComboBox>(*this, "组合框1");
  controls_.start = Child<QPushButton>(*this, "按钮_测试配置");
  controls_.test = Child<QPushButton>(*this, "处理");
  controls_.exportButton = Child<QPushButton>(*this, "导出");
  controls_.toolbox = Child<QPushButton>(*this, "导出1");
  controls_.list = Child<ReportListView>(*this, "测试列表框");
  controls_.waiting = Child<QLabel>(*this, "标签1");
  controls_.statusBox = Child<QPlainTextEdit>(*this, "状态框");
  controls_.pageText = Child<QPlainTextEdit>(*this, "测试编辑框");
  controls_.statusBar = Child<StatusBarWidget>(*this, "状态条1");
}

collect::CollectionProject MainWindow::ReadProject() const {
  collect::CollectionProject project;
  project.addressText = EditBoxText(controls_.addresses);
  project.cookie = EditBoxText(controls_.cookie);
  project.before = EditBoxText(controls_.before);
  project.after = EditBoxText(controls_.after);
  project.rule = EditBoxText(controls_.rule);
  project.separator = EditBoxText(controls_.separator);
  project.ruleSyntax = ruleSyntax_;
  if (readAsDeclared_) {
    project.encoding = collect::PageEncoding::Auto;
  } else {
    project.encoding = controls_.gbk->isChecked() ? collect::PageEncoding::Gbk : collect::PageEncoding::Utf8;
  }
  project.fetching = fetching_;
  project.next = next_;
  project.detail = detail_;
  project.store = store_;
  return project;
}

void MainWindow::ShowProject(const collect::CollectionProject& project) {
  SetEditBoxText(controls_.addresses, project.addressText);
  SetEditBoxText(controls_.cookie, project.cookie);
  SetEditBoxText(controls_.before, project.before);
  SetEditBoxText(controls_.after, project.after);
  SetEditBoxText(controls_.rule, project.rule);
  SetEditBoxText(controls_.separator, project.separator);
  controls_.gbk->setChecked(project.encoding != collect::PageEncoding::Utf8);
  readAsDeclared_ = project.encoding == collect::PageEncoding::Auto;
  ShowEncodingChoice();
  ruleSyntax_ = project.ruleSyntax;
  rulePreview_->SetRuleSyntax(ruleSyntax_);
  fetching_ = project.fetching;
  next_ = project.next;
  detail_ = project.detail;
  store_ = project.store;
}

void MainWindow::ToggleLiteralRule() {
  const bool literal = ruleSyntax_ == collect::RuleSyntax::Literal;
  ruleSyntax_ = literal ? collect::RuleSyntax::Pattern : collect::RuleSyntax::Literal;
  rulePreview_->SetRuleSyntax(ruleSyntax_);
}

MenuItemLook MainWindow::LiteralRuleMenuItemLook() const {
  MenuItemLook look{true, runtime::T("按原文匹配")};
  look.checkable = true;
  look.checked = ruleSyntax_ == collect::RuleSyntax::Literal;
  return look;
}

void MainWindow::ToggleDeclaredEncoding() {
  readAsDeclared_ = !readAsDeclared_;
  ShowEncodingChoice();
}

MenuItemLook MainWindow::DeclaredEncodingMenuItemLook() const {
  MenuItemLook look{true, runtime::T("按页面声明的编码读取")};
  look.checkable = true;
  look.checked = readAsDeclared_;
  return look;
}

void MainWindow::ShowEncodingChoice() {
  controls_.gbk->setEnabled(!running_ && !readAsDeclared_);
  const QString declared =
      QStringLiteral("已勾选“按页面声明的编码读取”（工具箱 ▼）：页面按其声明的编码读取，未声明编码的页面按 GBK 读取");
  controls_.gbk->setToolTip(readAsDeclared_ ? declared : QString());
}

void MainWindow::RunCommand(std::string_view handler, unsigned styles) {
  const Command* command = handler.empty() ? nullptr : FindCommand(handler);
  if (command == nullptr) return;
  RunGuarded(styles, [this, command] { (this->*command->run)(); });
}

void MainWindow::RunGuarded(unsigned styles, const std::function<void()>& command) {
  if ((styles & kDisabledWhileRunning) != 0 && running_) return;
  ++depth_;
  struct Unwind {
    MainWindow& window;
    ~Unwind() {
      if (--window.depth_ == 0) window.AfterOutermostCommand();
    }
  } unwind{*this};
  command();
}

MenuItemLook MainWindow::LookOf(const MenuLayout& item) const {
  const Command* command = item.handler.empty() ? nullptr : FindCommand(item.handler);
  if (command == nullptr || command->look == nullptr) return {true, runtime::T(item.caption)};
  return (this->*command->look)();
}

void MainWindow::PopupMenu(std::string_view menu, std::optional<int> x, std::optional<int> y) {
  QMenu popup(this);
  for (const MenuLayout* item : MenuItems(Layout(), menu)) {
    const MenuItemLook look = LookOf(*item);
    if (!look.shown) continue;
    QAction* action = popup.addAction(ToQString(look.caption));
    action->setObjectName(FromLayout(item->name));
    action->setCheckable(look.checkable);
    action->setChecked(look.checked);
    action->setEnabled(look.enabled && !(running_ && (item->styles & kDisabledWhileRunning) != 0));
  }
  QPoint position = QCursor::pos() + QPoint(kPopupOffset, kPopupOffset);
  if (x) position.setX(*x);
  if (y) position.setY(*y);
  lastPopupPosition_ = position;
  const QAction* chosen = popup.exec(position);
  if (chosen == nullptr) return;
  const MenuLayout* entry = FindMenu(Layout(), chosen->objectName().toStdString());
  if (entry != nullptr) RunCommand(entry->handler, entry->styles);
}

void MainWindow::ShowToolboxMenu() { PopupMenu("工具箱"); }

void MainWindow::ShowListMenu() { PopupMenu("列表框"); }

void MainWindow::AppendAddresses(runtime::Text lines) {
  constexpr std::string_view kLineBreak = "\r\n";
  if (lines.ends_with(kLineBreak)) lines.resize(lines.size() - kLineBreak.size());
  if (lines.empty()) return;
  const runtime::Text addresses = EditBoxText(controls_.addresses);
  if (!addresses.empty() && !addresses.ends_with(kLineBreak)) lines.insert(0, kLineBreak);
  AppendEditBoxText(controls_.addresses, lines);
}

void MainWindow::AppendStatusLine(const runtime::Text& line) { AppendEditBoxText(controls_.statusBox, line + "\r\n"); }

void MainWindow::ShowStatusMessage(const runtime::Text& message) {
  controls_.statusBar->SetPartText(kMessagePart, " " + message);
  const runtime::DateTime now = clock_ ? clock_() : runtime::CurrentTime();
  controls_.statusBar->SetPartText(kStampPart, " " + collect::StatusStamp(now));
}

void MainWindow::SetRunning(bool running) {
  running_ = running;
  if (running) stop_ = false;
  EnableRunCommands(this, !running);
  EnableRunCommands(generator_, !running);
  if (runPanel_) {
    runPanel_->Reset();
    runPanel_->setVisible(running);
  }
}

void MainWindow::ShowRunProgress(const collect::ProgressFigures& figures) {
  if (runPanel_) runPanel_->ShowProgress(figures);
}

void MainWindow::EnableRunCommands(LayoutWindow* window, bool enabled) {
  if (window == nullptr) return;
  std::vector<QWidget*> commands;
  for (const ControlLayout& control : window->Layout().controls) {
    if ((control.styles & kDisabledWhileRunning) != 0) commands.push_back(window->Widget(control.name));
  }
  if (window != this) {
    for (QWidget* command : commands) command->setEnabled(enabled);
    return;
  }
  // A focused widget that is disabled would hand focus on to the next box with its text
  // selected, where the next keystroke would replace it: the window holds the focus instead,
  // and it goes back to the widget when the run ends.
  QWidget* focused = QApplication::focusWidget();
  if (!enabled && focused != nullptr && isAncestorOf(focused) && !focused->inherits("QLineEdit") &&
      !focused->inherits("QPlainTextEdit")) {
    focusBeforeRun_ = focused;
    setFocus(Qt::OtherFocusReason);
  }
  HoldSettings(!enabled);
  for (QWidget* command : commands) command->setEnabled(enabled);
  if (enabled && focusBeforeRun_) {
    focusBeforeRun_->setFocus(Qt::OtherFocusReason);
    focusBeforeRun_ = nullptr;
  }
}

void MainWindow::HoldSettings(bool held) {
  for (QWidget* box : std::initializer_list<QWidget*>{controls_.addresses, controls_.cookie, controls_.before,
                                                      controls_.after, controls_.rule}) {
    HoldSetting(box, held);
  }
  // The gbk box follows the declared-encoding choice as well as the run.
  ShowEncodingChoice();
}

bool MainWindow::CloseAgreed() {
  runtime::Text question;
  const int rows = controls_.list->Table().RowCount();
  if (collecting_) {
    question = runtime::T("正在采集，关闭窗口将停止采集，并丢弃列表中的数据。确定关闭吗？");
  } else if (!rowsKept_ && rows > 0) {
    question = runtime::T("列表中的 ") + runtime::ToText(rows) +
               runtime::T(" 条数据尚未导出，关闭窗口将丢弃它们。确定关闭吗？");
  } else {
    return true;
  }
  // The box waits in an event loop of its own, where a second close must not ask again.
  askingToClose_ = true;
  const int answer = boxes_.Show(this, question, kWarningYesNo);
  askingToClose_ = false;
  return answer == kAnswerYes;
}

bool MainWindow::MayClose() {
  if (askingToClose_) return false;
  if (!closeAgreed_ && !CloseAgreed()) return false;
  closeAgreed_ = true;
  if (depth_ == 0) return true;
  // A command is still running: it must end first. The window closes when it has returned.
  stop_ = true;
  closePending_ = true;
  return false;
}

void MainWindow::AfterOutermostCommand() {
  if (!closePending_) return;
  closePending_ = false;
  QMetaObject::invokeMethod(
      this,
      [window = QPointer<MainWindow>(this)] {
        if (window) window->close();
      },
      Qt::QueuedConnection);
}

}  // namespace window
