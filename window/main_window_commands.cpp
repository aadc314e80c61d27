// The main window's commands over the engine: a run, a retry of the failed pages, the
// configuration test and the export to the clipboard.
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <initializer_list>

#include "collect/collection_engine.h"
#include "collect/result_export.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "window/control_widgets.h"
#include "window/main_window.h"
#include "window/qt_text.h"
#include "window/report_list_view.h"
#include "window/window_run_observer.h"

namespace window {
namespace {

using runtime::Text;

constexpr int kErrorIconOk = 0x10;

// The addresses a run leaves to collect again: those that failed and, when it was stopped,
// those it did not finish.
std::vector<Text> LeftUncollected(const std::vector<Text>& addresses, const collect::RunSummary& summary) {
  std::vector<Text> left = summary.failedAddresses;
  if (summary.stopped) left.insert(left.end(), addresses.begin() + summary.pagesDone, addresses.end());
  return left;
}

// Shows the first problem that keeps the settings from running in the error box; true when one
// did (nothing is then downloaded).
bool Refused(MessageBoxes& boxes, QWidget* owner, std::initializer_list<Text> problems) {
  for (const Text& problem : problems) {
    if (problem.empty()) continue;
    boxes.Show(owner, problem, kErrorIconOk);
    return true;
  }
  return false;
}

}  // namespace

bool MainWindow::RefusedToRun(const collect::CollectionSettings& settings) {
  return Refused(boxes_, this,
                 {collect::RuleProblem(settings.rule, settings.ruleSyntax), collect::LinkSettingsProblem(settings),
                  collect::CookieProblem(settings.cookie)});
}

collect::RunSummary MainWindow::CollectInBackground(const collect::CollectionSettings& settings,
                                                    collect::RunJournal* journal) {
  controls_.list->setVisible(false);
  SetRunning(true);
  collecting_ = true;
  rowsKept_ = false;
  collect::RunSummary summary;
  WindowRunObserver observer(*this);
  collect::WebFetcher fetcher;
  ShowRunProgress(collect::ProgressFigures::Start(static_cast<int>(settings.addresses.size())));
  QTimer progress;
  progress.setInterval(collect::kProgressInterval);
  connect(&progress, &QTimer::timeout, this, [this, &observer] { ShowRunProgress(observer.Progress()); });
  progress.start();
  // The engine reads the table's size before it tells anything; until then nothing changes it.
  const collect::ResultTable& table = controls_.list->Table();
  RunEngineWork([&] { summary = collect::RunCollection(settings, fetcher, observer, table, journal); });
  progress.stop();
  controls_.list->setVisible(true);
  collecting_ = false;
  SetRunning(false);
  return summary;
}

void MainWindow::StartProcessing() {
  const collect::CollectionSettings settings = collect::SettingsForRun(ReadProject());
  if (RefusedToRun(settings)) return;
  CollectIntoList(settings, 0);
}

void MainWindow::RetryFailedAddresses() {
  if (session_.failedAddresses.empty()) return;
  collect::CollectionSettings settings = collect::SettingsForRun(ReadProject());
  settings.addresses = session_.failedAddresses;
  if (RefusedToRun(settings)) return;
  SetEditBoxText(controls_.pageText, Text());
  session_.failedAddresses = LeftUncollected(settings.addresses, CollectInBackground(settings));
}

MenuItemLook MainWindow::RetryMenuItemLook() const {
  const int count = static_cast<int>(session_.failedAddresses.size());
  return {count > 0, runtime::T("重新采集失败的网址（") + runtime::ToText(count) + runtime::T("）")};
}

void MainWindow::TestConfiguration() {
  const collect::CollectionProject project = ReadProject();
  const collect::CollectionSettings settings = collect::SettingsForRun(project);
  if (Refused(boxes_, this, {collect::CookieProblem(settings.cookie)})) return;
  const Text address = collect::FirstAddress(project.addressText);
  // The download keeps the window live; the test counts as a run so that no command starts
  // another one meanwhile.
  SetRunning(true);
  ShowRunProgress(collect::ProgressFigures::Start(1));
  WindowRunObserver observer(*this);
  collect::WebFetcher fetcher;
  collect::PageOutcome outcome;
  RunEngineWork([&] { outcome = collect::TestPage(address, settings, fetcher, observer); });
  SetRunning(false);
  if (outcome.stopped) return;
  if (outcome.failed) {
    AppendStatusLine(collect::TestFailedLine(address, outcome.reason));
    ShowStatusMessage(collect::TestFailedMessage(outcome.reason));
  } else if (const Text message = collect::TestedPageMessage(address, outcome.warning); !message.empty()) {
    ShowStatusMessage(message);
  }
  // The rule preview tries the rule on this page, not on the page-text box, which runs and
  // exports overwrite.
  session_.testedPage = std::make_shared<const TestedPage>(
      TestedPage{address, outcome.PageText(), outcome.wholePageText, outcome.reason});
}

void MainWindow::ExportResults() {
  const Text out = collect::FormatExport(controls_.list->Table(), EditBoxText(controls_.separator));
  SetEditBoxText(controls_.pageText, out);
  if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    clipboard->setText(ToQString(std::string_view(out).substr(0, out.find('\0'))));
  }
  MarkRowsKept();
  ShowStatusMessage(collect::ExportedToBoxMessage());
}

void MainWindow::ClearResultList() { controls_.list->Model().Clear(); }

void MainWindow::ChooseSeparator() {
  static const char* const kSeparators[] = {"", " ", "----"};
  const int selection = controls_.separatorChoice->currentIndex();
  if (selection < 0 || selection > 2) return;
  SetEditBoxText(controls_.separator, Text(kSeparators[selection]));
}

}  // namespace window
