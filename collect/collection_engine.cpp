// The collection engine: the run, one page, the rule check and the final message.
#include "collect/collection_engine.h"

#include <memory>

#include "collect/charset_declaration.h"
#include "collect/failure_reason.h"
#include "collect/match_budgets.h"
#include "collect/match_rule.h"
#include "collect/page_downloads.h"
#include "collect/page_text.h"
#include "runtime/code_page.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

// Where the run stands: the list's rows and columns, and the compiled rule.
struct RunState {
  runtime::Regex regex;
  int groupCount = 0;
  ListState list;
};

// GBK unless the page is to be read as UTF-8, or declares UTF-8 and is read as it declares.
bool ReadAsGbk(PageEncoding encoding, DeclaredCharset declared) {
  if (encoding == PageEncoding::Auto) return declared != DeclaredCharset::Utf8;
  return encoding == PageEncoding::Gbk;
}

// Decoded, cut and cleaned, with the reason when the download failed.
PageOutcome PrepareOutcome(const Text& address, web::FetchResponse&& response,
                           const CollectionSettings& settings) {
  PageOutcome outcome;
  outcome.address = address;
  outcome.stopped = response.failure == web::FetchFailure::Cancelled;
  outcome.finalAttempt = response.failure == web::FetchFailure::TransferTooLong || response.waitedRetryAfter;
  outcome.reason = FailureReason(response, settings.maxPageBytes);
  outcome.failed = !outcome.reason.empty();
  if (response.failure == web::FetchFailure::PageTooLarge) response.body.clear();
  const DeclaredCharset declared = DeclaredPageCharset(response.headerBlock, response.body);
  const bool gbk = ReadAsGbk(settings.encoding, declared);
  if (settings.encoding != PageEncoding::Auto) outcome.warning = CharsetWarning(declared, gbk);
  outcome.pageText = PreparePageText(std::move(response.body), gbk, settings.before, settings.after);
  return outcome;
}

// The records of the page's matches: each sub-match, then the address.
std::vector<Record> RecordsOf(const PageOutcome& outcome) {
  std::vector<Record> records;
  records.reserve(outcome.matches.size());
  for (const runtime::SearchResult& match : outcome.matches) {
    records.push_back(RecordOf(match, outcome.pageText, outcome.groupCount, outcome.address));
  }
  return records;
}

// Prepared and matched: all of one attempt but what the observer hears. A stopped attempt is not
// matched. The matching has what is left of the page's budget and ends early when the run is
// stopped (the attempt then counts as stopped) or when it is given up (the matches before it
// stand, and the attempt is the page's last).
PageOutcome PrepareAttempt(const Text& address, web::FetchResponse&& response, const CollectionSettings& settings,
                           const runtime::Regex& regex, MatchBudgets& budgets, const RunObserver& observer) {
  PageOutcome outcome = PrepareOutcome(address, std::move(response), settings);
  outcome.groupCount = regex.GetSubexpressionCount();
  if (outcome.stopped) return outcome;
  const MatchBudgets::Grant grant = budgets.Take(address);
  runtime::SearchLimits limits;
  limits.budget = grant.budget;
  limits.stopRequested = [&observer] { return observer.StopRequested(); };
  runtime::SearchReport report = regex.Search(outcome.pageText, limits);
  if (report.outcome == runtime::SearchOutcome::Cancelled) {
    outcome.stopped = true;
    return outcome;
  }
  outcome.matches = std::move(report.matches);
  outcome.tooComplex = report.outcome == runtime::SearchOutcome::TooComplex;
  outcome.finalAttempt = outcome.finalAttempt || outcome.tooComplex;
  if (grant.firstAttempt && WorthAnotherAttempt(outcome)) budgets.Leave(address, grant.budget - report.spent);
  return outcome;
}

// Everything the list and the status channels show of one matched attempt.
int ReportAttempt(PageOutcome& outcome, RunState& state, RunObserver& observer) {
  const int count = static_cast<int>(outcome.matches.size());
  const Text matchNote = outcome.tooComplex ? TooComplexNote(count) : Text();
  if (count == 0) observer.StatusMessage(T("匹配结果为0,请检查正则匹配规则!"));
  const int needed = state.groupCount + 2;
  if (state.list.columnCount < needed) {
    observer.ColumnsAdded(ColumnCaptions(state.list.columnCount + 1, needed));
    state.list.columnCount = needed;
  }
  if (count > 0) {
    observer.RecordsFound(RecordsOf(outcome));
    state.list.rowCount += count;
  }
  observer.StatusLine(CountLine(outcome.address, count, outcome.reason, JoinedNotes(outcome.warning, matchNote)));
  observer.StatusMessage(T("匹配成功，共") + runtime::ToText(count) + T("条"));
  return count;
}

// One prepared attempt at a page, told to the observer. Returns the match count, or -1 when the
// run was stopped during the download or the matching.
int CollectAttempt(PageOutcome& outcome, RunState& state, RunObserver& observer) {
  if (observer.StopRequested()) return -1;
  observer.StatusMessage(PrintableAddress(outcome.address));
  // A download that failed while the user stopped the run was cut short by the stop.
  if (outcome.stopped || (outcome.failed && observer.StopRequested())) return -1;
  observer.PageText(outcome.pageText);
  const int count = ReportAttempt(outcome, state, observer);
  // The records hold their own copies: the page's text and matches go once told.
  Text().swap(outcome.pageText);
  outcome.matches.clear();
  return count;
}

}  // namespace

std::vector<Text> ColumnCaptions(int first, int last) {
  std::vector<Text> captions;
  for (int k = first; k <= last; ++k) captions.push_back(T("文本 ") + runtime::ToText(k));
  return captions;
}

Record RecordOf(const runtime::SearchResult& match, const Text& pageText, int groupCount,
                const Text& address) {
  Record record;
  record.cells.reserve(static_cast<std::size_t>(groupCount) + 2);
  for (int group = 0; group <= groupCount; ++group) {
    record.cells.push_back(match.GetSubmatchText(pageText, group));
  }
  record.cells.push_back(address);
  return record;
}

Text FirstAddress(const Text& addresses) {
  int lineEnd = runtime::FindText(addresses, "\r\n");
  return lineEnd == -1 ? addresses : runtime::TextLeft(addresses, lineEnd - 1);
}

Text RuleProblem(const Text& rule) {
  // The rule is a text: it ends at its first zero byte.
  if (rule.empty() || rule.front() == '\0') return T("正则匹配规则不能为空!");
  runtime::Regex regex;
  if (regex.Create(TranslateMatchRule(rule), false)) return Text();
  return T("匹配规则有误: ") + runtime::ToText(regex.LastError());
}

Text CookieProblem(const Text& cookie) {
  if (cookie.size() <= web::kMaxCookieBytes) return Text();
  return T("Cookie 不能超过 ") + runtime::ToText(static_cast<std::int64_t>(web::kMaxCookieBytes / 1024)) +
         T(" KB（现为 ") + runtime::ToText(static_cast<std::int64_t>(cookie.size())) + T(" 字节）");
}

web::FetchRequest PageRequest(const Text& address, const CollectionSettings& settings,
                              const RunObserver& observer) {
  web::FetchRequest request;
  request.address = address;
  request.cookies = settings.cookie;
  request.extraHeaders = Text("User-Agent: ") + kUserAgent;
  request.settings.maxBodyBytes = settings.maxPageBytes;
  request.honourRetryAfter = true;
  request.settings.cancelRequested = [&observer] { return observer.StopRequested(); };
  return request;
}

PageOutcome TestPage(const Text& address, const CollectionSettings& settings, Fetcher& fetcher,
                     RunObserver& observer) {
  observer.StatusMessage(PrintableAddress(address));
  web::FetchResponse response = DownloadPage(address, settings, fetcher, observer);
  PageOutcome outcome = PrepareOutcome(address, std::move(response), settings);
  if (outcome.stopped) return outcome;
  observer.PageText(outcome.pageText);
  if (!outcome.warning.empty())
    observer.StatusMessage(PrintableAddress(address) + T("（") + outcome.warning + T("）"));
  return outcome;
}

RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher,
                         RunObserver& observer, ListState start) {
  RunSummary summary;
  summary.pageCount = static_cast<int>(settings.addresses.size());
  RunState state;
  state.list = start;
  state.regex.Create(TranslateMatchRule(settings.rule), false);
  state.groupCount = state.regex.GetSubexpressionCount();
  observer.StatusLine(T("新的一轮开始处理.."));

  const runtime::Regex& regex = state.regex;
  MatchBudgets budgets(settings.addresses, settings.matchBudget);
  PreparePage prepare = [&settings, &regex, &budgets, &observer](const Text& address, web::FetchResponse&& response) {
    return PrepareAttempt(address, std::move(response), settings, regex, budgets, observer);
  };
  std::unique_ptr<PageDownloads> downloads =
      MakePageDownloads(settings, fetcher, observer, std::move(prepare), AheadBudget(settings.maxPageBytes));
  for (int index = 0; index < summary.pageCount && !observer.StopRequested(); ++index) {
    const Text& address = settings.addresses[static_cast<std::size_t>(index)];
    observer.PageStarted({index + 1, summary.pageCount, summary.pagesDone, summary.pagesFailed});
    PageOutcome outcome = downloads->First(index);
    const bool askAgain = WorthAnotherAttempt(outcome);
    int count = CollectAttempt(outcome, state, observer);
    if (count == 0 && askAgain && !observer.StopRequested()) {
      outcome = downloads->Again(index);
      count = CollectAttempt(outcome, state, observer);
    }
    if (count < 0) break;
    ++summary.pagesDone;
    if (outcome.failed) {
      ++summary.pagesFailed;
      summary.failedAddresses.push_back(address);
    }
  }
  summary.stopped = summary.pagesDone < summary.pageCount;
  summary.rowCount = state.list.rowCount;
  return summary;
}

Text FinalMessage(const RunSummary& summary) {
  const Text rows = runtime::ToText(summary.rowCount);
  if (summary.stopped) {
    return T("已停止：处理了 ") + runtime::ToText(summary.pagesDone) + " / " +
           runtime::ToText(summary.pageCount) + T(" 个网址，共") + rows + T("条数据");
  }
  Text message = T("共") + rows + T("条数据");
  if (summary.pagesFailed > 0) {
    message += T("，") + runtime::ToText(summary.pagesFailed) + T("个网址下载失败");
  }
  return message;
}

}  // namespace collect
