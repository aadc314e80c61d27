// The collection run and its per-page routine.
#include "collect/collection_run.h"

#include "collect/main_window_controls.h"
#include "collect/match_rule.h"
#include "collect/page_text.h"
#include "collect/status_messages.h"
#include "runtime/address_list.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"
#include "web/http_request.h"
#include "web/text_between.h"
#include "web/utf8_text.h"

namespace collect {
namespace {

namespace Property = runtime::Property;
using runtime::Text;
using runtime::Window;

constexpr int kErrorIconOk = 0x10;
constexpr int kGetMethod = 0;

Text ReadMain(const char* control) { return runtime::ReadText(Window::MainWindow, control); }

// The page body, fetched on a worker thread while the window stays responsive. Closing the
// window abandons the download in flight.
runtime::ByteSet DownloadPage(const Text& address, const Text& cookie) {
  web::TransferSettings settings;
  settings.cancelRequested = [] { return runtime::Controls().AbortRequested(); };
  runtime::ByteSet body;
  runtime::Controls().RunInBackground([&] {
    body = web::HttpRequest(address, kGetMethod, std::nullopt, cookie, nullptr,
                            Text("User-Agent: ") + kUserAgent, nullptr, std::nullopt, std::nullopt,
                            std::nullopt, settings);
  });
  return body;
}

// Reads the settings the page depends on afresh, so a change made during a run counts from the
// next page on, and prepares the page text.
Text PreparePageText(const Text& address) {
  Text cookie = ReadMain(Control::kCookie);
  runtime::ByteSet body = DownloadPage(address, cookie);
  bool gbk = runtime::ReadInteger(Window::MainWindow, Control::kGbk, Property::kChecked) == 1;
  Text page = PageTextFromBody(body, gbk);
  page = CutPage(page, ReadMain(Control::kBefore), ReadMain(Control::kAfter));
  return NormalisePageText(page);
}

void AddResultColumns(int count) {
  for (int k = 1; k <= count; ++k) {
    runtime::ListView::InsertColumn(Window::MainWindow, Control::kResultList, std::nullopt,
                                    runtime::T("文本 ") + runtime::ToText(k), kColumnWidth);
  }
}

void AddResultRows(const std::vector<runtime::SearchResult>& matches, int groupCount,
                   const Text& page, const Text& address) {
  for (const runtime::SearchResult& match : matches) {
    int row = runtime::ListView::InsertItem(Window::MainWindow, Control::kResultList);
    for (int group = 0; group <= groupCount; ++group) {
      runtime::ListView::SetItemText(Window::MainWindow, Control::kResultList, row, group,
                                     match.GetSubmatchText(page, group));
    }
    runtime::ListView::SetItemText(Window::MainWindow, Control::kResultList, row, groupCount + 1,
                                   address);
  }
}

}  // namespace

void ClearResultList() {
  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kColumnDefinitions,
                         Text());
  runtime::ListView::DeleteAllItems(Window::MainWindow, Control::kResultList);
}

int CollectPage(const Text& address, std::optional<bool> testOnly) {
  runtime::Regex regex;
  ShowStatusMessage(address);
  Text expression = TranslateMatchRule(ReadMain(Control::kRule));
  Text page = PreparePageText(address);
  runtime::WriteProperty(Window::MainWindow, Control::kPageText, Property::kContent, page);
  if (testOnly.value_or(false)) return -1;

  regex.Create(expression, false);
  std::vector<runtime::SearchResult> matches = regex.SearchAll(page);
  int count = static_cast<int>(matches.size());
  if (count == 0) ShowStatusMessage(runtime::T("匹配结果为0,请检查正则匹配规则!"));
  int groupCount = regex.GetSubexpressionCount();
  if (runtime::ListView::GetItemCount(Window::MainWindow, Control::kResultList) < 2) {
    AddResultColumns(groupCount + 2);
  }
  AddResultRows(matches, groupCount, page, address);
  AppendStatusLine(address + runtime::T("取到 ") + runtime::ToText(count) + runtime::T(" 条纪录"));
  ShowStatusMessage(runtime::T("匹配成功，共") + runtime::ToText(count) + runtime::T("条"));
  return count;
}

void StartProcessing() {
  if (ReadMain(Control::kRule).empty()) {
    runtime::MessageBox(runtime::T("正则匹配规则不能为空!"), kErrorIconOk);
    return;
  }
  runtime::ControlAccess& controls = runtime::Controls();
  runtime::WriteProperty(Window::MainWindow, Control::kPageText, Property::kContent, Text());
  ClearResultList();
  runtime::AddressList() = runtime::SplitText(ReadMain(Control::kAddresses), Text("\r\n"));
  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kVisible, 0);
  controls.SetRunning(true);
  AppendStatusLine(runtime::T("新的一轮开始处理.."));

  int addressCount = runtime::AddressList().Count();
  for (int i = 1; i <= addressCount && !controls.StopRequested(); ++i) {
    controls.ShowRunProgress(i, addressCount);
    const Text& address = runtime::AddressList().At(i);
    if (CollectPage(address) == 0 && !controls.StopRequested()) {
      CollectPage(address);
      runtime::ProcessEvents();
    }
  }

  runtime::WriteProperty(Window::MainWindow, Control::kResultList, Property::kVisible, 1);
  int rowCount = runtime::ListView::GetItemCount(Window::MainWindow, Control::kResultList);
  ShowStatusMessage(runtime::T("共") + runtime::ToText(rowCount) + runtime::T("条数据"));
  controls.SetRunning(false);
}

}  // namespace collect
