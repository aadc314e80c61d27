// The main window's commands over the engine.
#include "app/main_window_commands.h"

#include "app/fetching_dialog.h"
#include "app/main_window_controls.h"
#include "app/main_window_session.h"
#include "app/status_messages.h"
#include "app/window_run_observer.h"
#include "app/window_project.h"
#include "collect/collection_engine.h"
#include "collect/result_export.h"
#include "collect/status_texts.h"
#include "runtime/address_list.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"
#include "runtime/text_operations.h"

namespace app {
namespace {

namespace Property = runtime::Property;
using runtime::Text;
using runtime::Window;

constexpr int kErrorIconOk = 0x10;

Text ReadMain(const char* control) { return runtime::ReadText(Window::MainWindow, control); }

// The result list as a table.
collect::ResultTable CurrentTable() {
  collect::ResultTable table;
  const int columns = runtime::ListView::GetColumnCount(Window::MainWindow, Control::kResultList);
  std::vector<Text> captions(static_cast<std::size_t>(columns));
  table.AddColumns(captions);
  std::vector<collect::Record> rows(
      static_cast<std::size_t>(runtime::ListView::GetItemCount(Window::MainWindow, Control::kResultList)));
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (int column = 0; column < columns; ++column) {
      rows[row].cells.push_back(
          runtime::ListView::GetItemText(Window::MainWindow, Control::kResultList, static_cast<int>(row), column));
    }
  }
  table.AddRows(rows);
  return table;
}

// Runs the engine over the settings on a worker thread with the window live and its commands
// held; the list stays hidden meanwhile.
collect::RunSummary CollectInBackground(const collect::CollectionSettings& settings) {
  runtime::ControlAccess& controls = runtime::Controls();
  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kVisible, 0);
  controls.SetRunning(true);
  const collect::ResultTable start = CurrentTable();
  collect::RunSummary summary;
  WindowRunObserver observer;
  collect::WebFetcher fetcher;
  RunEngineWork([&] { summary = collect::RunCollection(settings, fetcher, observer, start); });
  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kVisible, 1);
  controls.SetRunning(false);
  return summary;
}

// The addresses a run leaves to collect again: those that failed and, when it was stopped,
// those it did not finish.
std::vector<Text> LeftUncollected(const std::vector<Text>& addresses, const collect::RunSummary& summary) {
  std::vector<Text> left = summary.failedAddresses;
  if (summary.stopped) left.insert(left.end(), addresses.begin() + summary.pagesDone, addresses.end());
  return left;
}

void RememberFailures(std::vector<Text> addresses) {
  if (MainWindowSession* session = MainWindowSession::Current()) {
    session->SetFailedAddresses(std::move(addresses));
  }
}

}  // namespace

collect::CollectionSettings ReadCollectionSettings() { return collect::SettingsForRun(ReadWindowProject()); }

void ClearResultList() {
  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kColumnDefinitions, Text());
  runtime::ListView::DeleteAllItems(Window::MainWindow, Control::kResultList);
}

void StartProcessing() {
  const collect::CollectionSettings settings = ReadCollectionSettings();
  if (Text problem = collect::RuleProblem(settings.rule); !problem.empty()) {
    runtime::MessageBox(problem, kErrorIconOk);
    return;
  }
  runtime::WriteProperty(Window::MainWindow, Control::kPageText, Property::kContent, Text());
  ClearResultList();
  runtime::AddressList() = runtime::TextArray(settings.addresses);
  RememberFailures(CollectInBackground(settings).failedAddresses);
}

void RetryFailedAddresses() {
  const MainWindowSession* session = MainWindowSession::Current();
  if (session == nullptr || session->FailedAddresses().empty()) return;
  collect::CollectionSettings settings = ReadCollectionSettings();
  settings.addresses = session->FailedAddresses();
  if (Text problem = collect::RuleProblem(settings.rule); !problem.empty()) {
    runtime::MessageBox(problem, kErrorIconOk);
    return;
  }
  runtime::WriteProperty(Window::MainWindow, Control::kPageText, Property::kContent, Text());
  runtime::AddressList() = runtime::TextArray(settings.addresses);
  RememberFailures(LeftUncollected(settings.addresses, CollectInBackground(settings)));
}

MenuItemLook RetryMenuItemLook() {
  const MainWindowSession* session = MainWindowSession::Current();
  const int count = session == nullptr ? 0 : static_cast<int>(session->FailedAddresses().size());
  return {count > 0, runtime::T("重新采集失败的网址（") + runtime::ToText(count) + runtime::T("）")};
}

void TestConfiguration() {
  collect::CollectionSettings settings = ReadCollectionSettings();
  const Text address = collect::FirstAddress(ReadMain(Control::kAddresses));
  // The download keeps the window live; the test counts as a run so that no command starts
  // another one meanwhile.
  runtime::ControlAccess& controls = runtime::Controls();
  controls.SetRunning(true);
  controls.ShowRunProgress(0, 1, 0);
  WindowRunObserver observer;
  collect::WebFetcher fetcher;
  collect::PageOutcome outcome;
  RunEngineWork([&] { outcome = collect::TestPage(address, settings, fetcher, observer); });
  controls.SetRunning(false);
  if (const Text message = collect::TestedPageMessage(address, outcome.warning); !message.empty()) {
    ShowStatusMessage(message);
  }
  // The rule preview tries the rule on this page, not on the page-text box, which runs and
  // exports overwrite.
  if (MainWindowSession* session = MainWindowSession::Current(); session != nullptr && !outcome.stopped) {
    session->KeepTestedPage({address, outcome.pageText});
  }
}

void ExportResults() {
  Text out = collect::FormatExport(CurrentTable(), ReadMain(Control::kSeparator));
  runtime::WriteProperty(Window::MainWindow, Control::kPageText, Property::kContent, out);
  runtime::SetClipboardText(out);
  ShowStatusMessage(collect::ExportedToBoxMessage());
}

}  // namespace app
