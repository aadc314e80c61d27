// The main window: built from its layout table, holding its controls as typed widgets. Its
// commands read a project from the boxes, run the engine on a worker thread and write what the
// engine tells into the list, the status box and the status bar. The layout's event bindings name
// the commands; no other way leads to them.
#pragma once

#include <QPoint>
#include <QPointer>
#include <atomic>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "collect/collection_project.h"
#include "collect/progress_meter.h"
#include "collect/run_journal.h"
#include "collect/run_observer.h"
#include "runtime/current_time.h"
#include "runtime/text.h"
#include "window/layout_window.h"
#include "window/main_window_session.h"
#include "window/message_boxes.h"
#include "window/run_panel.h"
#include "window/url_generator_window.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace window {

class ReportListView;
class RulePreviewPanel;
class StatusBarWidget;

// The controls the commands use, by their layout names.
struct MainWindowControls {
  QPlainTextEdit* addresses = nullptr;     // 列表网址框
  QPlainTextEdit* cookie = nullptr;        // cookie框
  QLineEdit* before = nullptr;             // 采集前
  QLineEdit* after = nullptr;              // 采集后
  QLineEdit* rule = nullptr;               // 正则框
  QCheckBox* gbk = nullptr;                // gbk
  QLineEdit* separator = nullptr;          // 分隔符号框
  QComboBox* separatorChoice = nullptr;    // 组合框1
  QPushButton* start = nullptr;            // 按钮_测试配置 ("开始处理")
  QPushButton* test = nullptr;             // 处理 ("测试配置")
  QPushButton* exportButton = nullptr;     // 导出 ("导出结果")
  QPushButton* toolbox = nullptr;          // 导出1 ("工具箱 ▼")
  ReportListView* list = nullptr;          // 测试列表框
  QLabel* waiting = nullptr;               // 标签1 ("处理中，请稍候..")
  QPlainTextEdit* statusBox = nullptr;     // 状态框
  QPlainTextEdit* pageText = nullptr;      // 测试编辑框
  StatusBarWidget* statusBar = nullptr;    // 状态条1
};

// The menu entry that looks different with the program's state: shown or not, its caption, and
// whether it carries a check mark and can be chosen.
struct MenuItemLook {
  bool shown = true;
  runtime::Text caption;
  bool checkable = false;
  bool checked = false;
  bool enabled = true;
};

class MainWindow final : public LayoutWindow {
  Q_OBJECT

public:
  // The window at its layout's geometry, showing the defaults of a project. It deletes itself
  // when it closes.
  MainWindow();
  ~MainWindow() override;

  const MainWindowControls& Controls() const { return controls_; }

  // The settings as the window holds them: the boxes as typed; the encoding Auto when
  // "按页面声明的编码读取" is on, otherwise the gbk box as Gbk (ticked) or Utf8; the rule's syntax
  // Literal when "按原文匹配" is on; the fetching limits of "下载设置…", the settings of
  // "翻页与详细页…" and the store of "采集库…" and "只采集新纪录".
  collect::CollectionProject ReadProject() const;
  // Every field into its box, the two settings of the 工具箱 menu, and the fetching limits and the
  // next-page and detail settings for the next runs. Auto turns "按页面声明的编码读取" on and shows
  // the gbk box ticked (pages that declare nothing are read as GBK) and disabled, since the
  // declaration decides.
  void ShowProject(const collect::CollectionProject& project);

  // Commands, as the layout binds them.
  // "开始处理": refuses settings that cannot run (RefusedToRun), clears the list and collects every
  // address of the address box with the settings as they are now.
  void StartProcessing();
  // "测试配置": refuses a cookie over 64 KB; the first address downloaded and prepared into the
  // page-text box.
  void TestConfiguration();
  // "导出结果": the export text into the page-text box and onto the clipboard.
  void ExportResults();
  // "清空列表": every column and every row of the list removed.
  void ClearResultList();
  // A choice of "组合框1": "　表格" empties the separator box, "　Tab键" puts one space in it,
  // "　----" puts "----"; any other selection leaves it.
  void ChooseSeparator();
  // "工具箱 ▼" and a right click in the list: their pop-up menus at the mouse pointer.
  void ShowToolboxMenu();
  void ShowListMenu();
  // "生成有序列表网址": the address generator, modal, returning while it is open.
  void OpenUrlGenerator();
  // "下载设置…": the fetching limits for the rest of the session.
  void ChooseFetching();
  // "翻页与详细页…": the next-page and detail settings of the next runs, tried on the page of the
  // last "测试配置" with the dialog's test button.
  void ChooseLinks();
  // "重新采集失败的网址（N）": the pages the last run (or retry) failed to collect, collected
  // again with the settings as they are now, their rows added after those of the list.
  void RetryFailedAddresses();
  // "打开项目…": a project file fills every setting; one that cannot be read gets a warning box
  // naming the file and the fault, and nothing changes.
  void OpenProject();
  // "保存项目…": the settings into a file the user names (".pelmo.json" added to a name without
  // an extension); a failure gets a warning box.
  void SaveProjectAs();
  // "导出到文件…": the list written as CSV, an Excel workbook, TSV, JSON Lines, HTML or the export
  // text (all texts in UTF-8), chosen by the file's extension, replacing the file whole; the
  // status bar names it.
  void ExportToFile();
  // "恢复默认设置": the settings of a new project.
  void RestoreDefaultSettings();
  // "按原文匹配": turns over whether the rule's text outside its placeholders matches as written.
  void ToggleLiteralRule();
  // "按页面声明的编码读取": turns over whether pages are read as they declare; while it is on the
  // gbk box only says how pages that declare nothing are read (GBK), and is disabled.
  void ToggleDeclaredEncoding();
  // "继续上次的采集（i / n）": the store's unfinished run carried on with the settings as they are
  // (they must be those it began with; otherwise a warning box and nothing runs), the rows of the
  // pages it processed shown first.
  void ResumeLastRun();
  // "只采集新纪录": runs leave out the records an earlier run in the store collected, or no longer.
  void ToggleOnlyNew();
  // "采集库…": the store runs are kept in, chosen by file (made by the next run when new; one that
  // is no store gets a warning box and changes nothing); the last run it holds fills the list.
  void ChooseRunStore();

  // Runs the command a layout binds to handler, with the run's guard: a command the layout marks
  // with kDisabledWhileRunning does nothing while a run is in progress.
  void RunCommand(std::string_view handler, unsigned styles);
  // Runs a command of this window or of the address generator under the same guard. A close
  // asked for while a command runs waits until the outermost one has returned.
  void RunGuarded(unsigned styles, const std::function<void()>& command);
  // Opens a menu of the layout as a pop-up menu: at the pointer moved 3 pixels right and down,
  // unless x or y is given. Returns when it has closed and its chosen item has run.
  void PopupMenu(std::string_view menu, std::optional<int> x = std::nullopt,
                 std::optional<int> y = std::nullopt);
  // Appends generated addresses to the address box on a line of their own; the last line's break
  // is left out, so that no empty address follows.
  void AppendAddresses(runtime::Text lines);

  // The two status channels: a line at the end of the status box; a message in the status bar's
  // second part with the time stamp in its third.
  void AppendStatusLine(const runtime::Text& line);
  void ShowStatusMessage(const runtime::Text& message);

  // A run begins (true) or ends (false): the commands that would start another run or change the
  // list are disabled and ignored, the setting boxes are read-only, the focus stays where it was
  // and the list area shows the progress with "停止".
  void SetRunning(bool running);
  bool Running() const { return running_; }
  // Where the run stands, in the run panel.
  void ShowRunProgress(const collect::ProgressFigures& figures);
  // The rows of the list are kept outside the window (copied by "导出结果", written by "导出到文件…",
  // or held in the run store of "采集库…"): closing the window no longer asks before discarding
  // them, until the next run adds rows.
  void MarkRowsKept() { rowsKept_ = true; }
  // True once "停止" was pressed or the window was asked to close during a command: the run ends
  // after the page in hand and the downloads in flight are abandoned. Safe from any thread.
  bool StopRequested() const { return stop_; }

  MessageBoxes& Boxes() { return boxes_; }
  RunPanel* Panel() const { return runPanel_; }
  // The address generator while it is open; null otherwise.
  UrlGeneratorWindow* Generator() const { return generator_; }
  MainWindowSession& Session() { return session_; }
  // Where the last pop-up menu opened.
  QPoint LastPopupPosition() const { return lastPopupPosition_; }
  // Seam for tests: the clock of the status bar's time stamp (empty: the system clock).
  void SetStatusClock(std::function<runtime::DateTime()> clock) { clock_ = std::move(clock); }

private:
  struct Command;
  // The command a layout's binding names; null for a name this window does not have.
  static const Command* FindCommand(std::string_view handler);
  void CheckBindings() const;
  void FindControls();
  void HoldSettings(bool held);
  void EnableRunCommands(LayoutWindow* window, bool enabled);
  bool MayClose();
  // Asks before a close would stop a run or discard rows kept nowhere else; true when nothing is
  // at stake or the user agrees.
  bool CloseAgreed();
  void AfterOutermostCommand();
  MenuItemLook LookOf(const MenuLayout& item) const;
  MenuItemLook RetryMenuItemLook() const;
  MenuItemLook ResumeMenuItemLook() const;
  MenuItemLook OnlyNewMenuItemLook() const;
  // Shows in the error box why the settings cannot run (the rule, the next-page and detail
  // settings, the cookie: the first problem); true when they cannot, and nothing is downloaded.
  bool RefusedToRun(const collect::CollectionSettings& settings);
  MenuItemLook LiteralRuleMenuItemLook() const;
  MenuItemLook DeclaredEncodingMenuItemLook() const;
  // The gbk box enabled unless a run holds the settings or the declared encoding decides.
  void ShowEncodingChoice();
  // Runs the engine over the settings on a worker thread, the list hidden and the commands held;
  // with a journal, the run is kept in it.
  collect::RunSummary CollectInBackground(const collect::CollectionSettings& settings,
                                          collect::RunJournal* journal = nullptr);
  // A run over the settings into the emptied list, kept in the store when there is one: a new run,
  // or the unfinished run resumedRun carried on. A store that cannot serve gets a warning box, and
  // nothing changes.
  void CollectIntoList(const collect::CollectionSettings& settings, int resumedRun);

  MainWindowControls controls_;
  MainWindowSession session_;
  collect::FetchPoliteness fetching_;
  collect::NextPageSettings next_;
  collect::DetailSettings detail_;
  collect::RuleSyntax ruleSyntax_ = collect::RuleSyntax::Pattern;
  bool readAsDeclared_ = false;
  RulePreviewPanel* rulePreview_ = nullptr;
  collect::StoreChoice store_;
  MessageBoxes boxes_;
  QPointer<RunPanel> runPanel_;
  QPointer<UrlGeneratorWindow> generator_;
  std::function<runtime::DateTime()> clock_;
  QPoint lastPopupPosition_;
  QPointer<QWidget> focusBeforeRun_;
  int depth_ = 0;
  bool running_ = false;
  bool collecting_ = false;  // a run (not a configuration test) is in progress
  bool rowsKept_ = true;
  bool askingToClose_ = false;
  bool closeAgreed_ = false;
  bool closePending_ = false;
  std::atomic<bool> stop_{false};
};

}  // namespace window
