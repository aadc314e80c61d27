// The main window's commands over the engine.
#include "app/main_window_commands.h"

#include "app/fetching_dialog.h"
#include "app/main_window_controls.h"
#include "app/main_window_session.h"
#include "app/status_messages.h"
#include "app/window_run_observer.h"
#include "collect/collection_engine.h"
#include "collect/result_export.h"
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

collect::ListState CurrentListState() {
  return {runtime::ListView::GetItemCount(Window::MainWindow, Control::kResultList),
          runtime::ListView::GetColumnCount(Window::MainWindow, Control::kResultList)};
}

// Runs the engine over the settings on a worker thread with the window live and its commands
// held; the list stays hidden meanwhile.
collect::RunSummary CollectInBackground(const collect::CollectionSettings& settings) {
  runtime::ControlAccess& controls = runtime::Controls();
  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kVisible, 0);
  controls.SetRunning(true);
  collect::ListState start = CurrentListState();
  collect::RunSummary summary;
  WindowRunObserver observer;
  collect::WebFetcher fetcher;
  RunEngineWork([&] { summary = collect::RunCollection(settings, fetcher, observer, start); });
  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kVisible, 1);
  ShowStatusMessage(collect::FinalMessage(summary));
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

collect::CollectionSettings ReadCollectionSettings() {
  collect::CollectionSettings settings;
  runtime::TextArray lines = runtime::SplitText(ReadMain(Control::kAddresses), Text("\r\n"));
  settings.addresses = lines.Items();
  settings.cookie = ReadMain(Control::kCookie);
  settings.before = ReadMain(Control::kBefore);
  settings.after = ReadMain(Control::kAfter);
  settings.rule = ReadMain(Control::kRule);
  const bool gbk = runtime::ReadInteger(Window::MainWindow, Control::kGbk, Property::kChecked) == 1;
  settings.encoding = gbk ? collect::PageEncoding::Gbk : collect::PageEncoding::Utf8;
  settings.fetching = SessionFetching();
  return settings;
}

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
  // The rule preview tries the rule on this page, not on the page-text box, which runs and
  // exports overwrite.
  if (MainWindowSession* session = MainWindowSession::Current(); session != nullptr && !outcome.stopped) {
    session->KeepTestedPage({address, outcome.pageText});
  }
}

void ExportResults() {
  int rowCount = runtime::ListView::GetItemCount(Window::MainWindow, Control::kResultList);
  int columnCount = runtime::ListView::GetColumnCount(Window::MainWindow, Control::kResultList);
  Text separator = ReadMain(Control::kSeparator);
  Text out = collect::FormatExport(
      rowCount, columnCount,
      [](int row, int column) {
        return runtime::ListView::GetItemText(Window::MainWindow, Control::kResultList, row, column);
      },
      separator);
  runtime::WriteProperty(Window::MainWindow, Control::kPageText, Property::kContent, out);
  runtime::SetClipboardText(out);
  ShowStatusMessage(runtime::T("已导出至右方编辑框成功，并已请复制内容！"));
}

}  // namespace app
