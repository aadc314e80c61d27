// The collection engine: the run, one page, the rule check and the final message.
#include "collect/collection_engine.h"

#include <memory>

#include "collect/charset_declaration.h"
#include "collect/failure_reason.h"
#include "collect/match_rule.h"
#include "collect/page_downloads.h"
#include "collect/page_text.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

// Where the run stands: the table's rows and columns, and the compiled rule.
struct RunState {
  runtime::Regex regex;
  int groupCount = 0;
  int rowCount = 0;
  int columnCount = 0;
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
  // A failed page's body is the server's error page, whose declaration says nothing of the list.
  if (settings.encoding != PageEncoding::Auto && !outcome.failed) outcome.warning = CharsetWarning(declared, gbk);
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
// matched.
PageOutcome PrepareAttempt(const Text& address, web::FetchResponse&& response, const CollectionSettings& settings,
                           const runtime::Regex& regex) {
  PageOutcome outcome = PrepareOutcome(address, std::move(response), settings);
  outcome.groupCount = regex.GetSubexpressionCount();
  if (!outcome.stopped) outcome.matches = regex.SearchAll(outcome.pageText);
  return outcome;
}

// Everything the table and the status channels hear of one matched attempt.
int ReportAttempt(PageOutcome& outcome, int attempt, RunState& state, RunObserver& observer) {
  const int count = static_cast<int>(outcome.matches.size());
  const int needed = state.groupCount + 2;
  if (state.columnCount < needed) {
    observer.ColumnsAdded(ColumnCaptions(state.columnCount + 1, needed));
    state.columnCount = needed;
  }
  if (count > 0) {
    observer.RecordsFound(RecordsOf(outcome));
    state.rowCount += count;
  }
  observer.AttemptFinished({outcome.address, attempt, count, outcome.reason, outcome.warning});
  return count;
}

// One prepared attempt at a page, told to the observer. Returns the match count, or -1 when the
// run was stopped during the download.
int CollectAttempt(PageOutcome& outcome, int attempt, RunState& state, RunObserver& observer) {
  if (observer.StopRequested()) return -1;
  observer.AttemptStarted({outcome.address, attempt});
  // A download that failed while the user stopped the run was cut short by the stop.
  if (outcome.stopped || (outcome.failed && observer.StopRequested())) return -1;
  observer.PageText(outcome.pageText);
  const int count = ReportAttempt(outcome, attempt, state, observer);
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

Text RuleProblem(const Text& rule, RuleSyntax syntax) {
  // The rule is a text: it ends at its first zero byte.
  if (rule.empty() || rule.front() == '\0') return EmptyRuleMessage();
  runtime::Regex regex;
  if (regex.Create(TranslateMatchRule(rule, syntax), runtime::Case::Insensitive)) return Text();
  return BrokenRuleMessage(runtime::ToText(regex.LastError()));
}

Text CookieProblem(const Text& cookie) {
  if (cookie.size() <= web::kMaxCookieBytes) return Text();
  return CookieTooLongMessage(static_cast<std::int64_t>(cookie.size()));
}

PageOutcome TestPage(const Text& address, const CollectionSettings& settings, Fetcher& fetcher,
                     RunObserver& observer) {
  observer.AttemptStarted({address, 1});
  web::FetchResponse response = DownloadPage(address, settings, fetcher, observer);
  PageOutcome outcome = PrepareOutcome(address, std::move(response), settings);
  if (outcome.stopped) return outcome;
  observer.PageText(outcome.pageText);
  return outcome;
}

RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher,
                         RunObserver& observer, const ResultTable& table) {
  RunSummary summary;
  summary.pageCount = static_cast<int>(settings.addresses.size());
  RunState state;
  state.rowCount = table.RowCount();
  state.columnCount = table.ColumnCount();
  state.regex.Create(TranslateMatchRule(settings.rule, settings.ruleSyntax), runtime::Case::Insensitive);
  state.groupCount = state.regex.GetSubexpressionCount();
  observer.RunStarted(summary.pageCount);

  const runtime::Regex& regex = state.regex;
  PreparePage prepare = [&settings, &regex](const Text& address, web::FetchResponse&& response) {
    return PrepareAttempt(address, std::move(response), settings, regex);
  };
  std::unique_ptr<PageDownloads> downloads =
      MakePageDownloads(settings, fetcher, observer, std::move(prepare), AheadBudget(settings.maxPageBytes));
  for (int index = 0; index < summary.pageCount && !observer.StopRequested(); ++index) {
    const Text& address = settings.addresses[static_cast<std::size_t>(index)];
    observer.PageStarted({index + 1, summary.pageCount, summary.pagesDone, summary.pagesFailed});
    PageOutcome outcome = downloads->First(index);
    const bool askAgain = WorthAnotherAttempt(outcome);
    int count = CollectAttempt(outcome, 1, state, observer);
    if (count == 0 && askAgain && !observer.StopRequested()) {
      outcome = downloads->Again(index);
      count = CollectAttempt(outcome, 2, state, observer);
    }
    if (count < 0) break;
    ++summary.pagesDone;
    if (outcome.failed) {
      ++summary.pagesFailed;
      summary.failedAddresses.push_back(address);
    }
  }
  summary.stopped = summary.pagesDone < summary.pageCount;
  summary.rowCount = state.rowCount;
  // The downloads still running are abandoned before the run is told to be over.
  downloads.reset();
  observer.RunFinished(summary);
  return summary;
}

}  // namespace collect
