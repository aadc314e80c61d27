// The collection engine: the run, one page, the rule check and the final message.
#include "collect/collection_engine.h"

#include <algorithm>
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
  // Where processed pages are kept and earlier records looked up; null without a store.
  RunJournal* journal = nullptr;
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
  outcome.status = response.status;
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

// What the table and the status channels hear of an attempt: the columns the table lacks, the
// records to tell and the attempt's end.
void TellAttempt(const AttemptResult& result, std::vector<Record> told, RunState& state, RunObserver& observer) {
  const int needed = state.groupCount + 2;
  if (state.columnCount < needed) {
    observer.ColumnsAdded(ColumnCaptions(state.columnCount + 1, needed));
    state.columnCount = needed;
  }
  if (!told.empty()) {
    state.rowCount += static_cast<int>(told.size());
    observer.RecordsFound(std::move(told));
  }
  observer.AttemptFinished(result);
}

// The page's records but those collected before. They are moved out unless the journal keeps
// the page.
std::vector<Record> RecordsToTell(JournalPage& page, bool keep) {
  const bool all = std::find(page.collectedBefore.begin(), page.collectedBefore.end(), true) ==
                   page.collectedBefore.end();
  if (all && !keep) return std::move(page.records);
  std::vector<Record> told;
  for (std::size_t i = 0; i < page.records.size(); ++i) {
    if (!page.collectedBefore[i]) told.push_back(page.records[i]);
  }
  return told;
}

// One prepared attempt at a page, told to the observer and noted in page. Returns the match
// count, or -1 when the run was stopped during the download.
int CollectAttempt(PageOutcome& outcome, int attempt, RunState& state, RunObserver& observer, JournalPage& page) {
  if (observer.StopRequested()) return -1;
  observer.AttemptStarted({outcome.address, attempt});
  // A download that failed while the user stopped the run was cut short by the stop.
  if (outcome.stopped || (outcome.failed && observer.StopRequested())) return -1;
  observer.PageText(outcome.pageText);
  const int count = static_cast<int>(outcome.matches.size());
  page.status = outcome.status;
  page.attempts.push_back({outcome.address, attempt, count, outcome.reason, outcome.warning});
  page.records = RecordsOf(outcome);
  page.collectedBefore =
      state.journal ? state.journal->CollectedBefore(page.records) : std::vector<bool>(page.records.size());
  TellAttempt(page.attempts.back(), RecordsToTell(page, state.journal != nullptr), state, observer);
  // The records hold their own copies: the page's text and matches go once told.
  Text().swap(outcome.pageText);
  outcome.matches.clear();
  return count;
}

// A page the run being resumed processed, told again as it was first told (but for its text,
// which is not kept). Returns its last attempt's count.
int ReplayPage(JournalPage& page, RunState& state, RunObserver& observer) {
  int count = 0;
  for (const AttemptResult& attempt : page.attempts) {
    observer.AttemptStarted({attempt.address, attempt.attempt});
    const bool last = &attempt == &page.attempts.back();
    TellAttempt(attempt, last ? RecordsToTell(page, false) : std::vector<Record>(), state, observer);
    count = attempt.rowsFound;
  }
  return count;
}

// The pages the run being resumed processed, by position: they are not downloaded.
std::vector<bool> ProcessedPages(const CollectionSettings& settings, RunJournal* journal) {
  std::vector<bool> processed(settings.addresses.size());
  if (journal == nullptr) return processed;
  for (std::size_t page = 0; page < processed.size(); ++page) {
    processed[page] = journal->Processed(static_cast<int>(page), settings.addresses[page]);
  }
  return processed;
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

RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher, RunObserver& observer,
                         const ResultTable& table, RunJournal* journal) {
  RunSummary summary;
  summary.pageCount = static_cast<int>(settings.addresses.size());
  RunState state;
  state.rowCount = table.RowCount();
  state.columnCount = table.ColumnCount();
  state.journal = journal;
  state.regex.Create(TranslateMatchRule(settings.rule, settings.ruleSyntax), runtime::Case::Insensitive);
  state.groupCount = state.regex.GetSubexpressionCount();
  const std::vector<bool> processed = ProcessedPages(settings, journal);
  observer.RunStarted(summary.pageCount);

  const runtime::Regex& regex = state.regex;
  PreparePage prepare = [&settings, &regex](const Text& address, web::FetchResponse&& response) {
    return PrepareAttempt(address, std::move(response), settings, regex);
  };
  std::unique_ptr<PageDownloads> downloads = MakePageDownloads(settings, fetcher, observer, std::move(prepare),
                                                               AheadBudget(settings.maxPageBytes), processed);
  for (int index = 0; index < summary.pageCount && !observer.StopRequested(); ++index) {
    const Text& address = settings.addresses[static_cast<std::size_t>(index)];
    observer.PageStarted({index + 1, summary.pageCount, summary.pagesDone, summary.pagesFailed});
    JournalPage page;
    int count = -1;
    if (processed[static_cast<std::size_t>(index)]) {
      std::optional<JournalPage> stored = journal->Replay(index);
      if (stored) {
        page = std::move(*stored);
        count = ReplayPage(page, state, observer);
      }
    } else {
      page.address = address;
      PageOutcome outcome = downloads->First(index);
      const bool askAgain = WorthAnotherAttempt(outcome);
      count = CollectAttempt(outcome, 1, state, observer, page);
      if (count == 0 && askAgain && !observer.StopRequested()) {
        outcome = downloads->Again(index);
        count = CollectAttempt(outcome, 2, state, observer, page);
      }
    }
    if (count < 0) break;
    ++summary.pagesDone;
    if (!page.attempts.back().failureReason.empty()) {
      ++summary.pagesFailed;
      summary.failedAddresses.push_back(address);
    }
    summary.rowsCollectedBefore +=
        static_cast<int>(std::count(page.collectedBefore.begin(), page.collectedBefore.end(), true));
    if (journal && !processed[static_cast<std::size_t>(index)] && !journal->Write(index, std::move(page))) break;
  }
  summary.stopped = summary.pagesDone < summary.pageCount;
  summary.rowCount = state.rowCount;
  // The downloads still running are abandoned before the run is told to be over.
  downloads.reset();
  observer.RunFinished(summary);
  return summary;
}

}  // namespace collect
