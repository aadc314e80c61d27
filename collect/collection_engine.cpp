// The collection engine: the run, one page, the rule check and the final message.
#include "collect/collection_engine.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "collect/match_budgets.h"
#include "collect/match_rule.h"
#include "collect/page_downloads.h"
#include "collect/page_preparation.h"
#include "collect/rule_captions.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;

// One run: the pages in order, told to the observer. With a journal, the list pages the run being
// resumed processed (a prefix of the run's list pages in processing order) are told again from it,
// and each page processed is handed to it.
class Run {
public:
  Run(const CollectionSettings& settings, RunObserver& observer, const ResultTable& table, RunJournal* journal)
      : settings_(settings), observer_(observer), journal_(journal), rules_(CompileRules(settings)),
        budgets_(settings.matchBudget) {
    rowCount_ = table.RowCount();
    columnCount_ = table.ColumnCount();
    RunCaptions captions = CaptionsOfRun(settings, rules_.groupCount);
    listCaptions_ = std::move(captions.list);
    detailCaptions_ = std::move(captions.detail);
    progress_.pageCount = static_cast<int>(settings.addresses.size());
    progress_.followsNextPages = rules_.followsNext;
    progress_.fetchesDetailPages = rules_.fetchesDetails;
    if (rules_.followsNext) visited_.insert(settings.addresses.begin(), settings.addresses.end());
  }

  RunSummary Go(Fetcher& fetcher) {
    fetcher_ = &fetcher;
    RunSummary summary;
    summary.pageCount = static_cast<int>(settings_.addresses.size());
    observer_.RunStarted(summary.pageCount);
    // Without pages to tell from the journal, the downloads start with the run; otherwise once
    // those pages are told, where they end.
    if (!Replays(0, summary.pageCount > 0 ? settings_.addresses.front() : Text())) StartDownloads(DownloadsStart());
    for (int start = 0; start < summary.pageCount && !observer_.StopRequested(); ++start) {
      if (!CollectFrom(start, summary)) break;
      ++summary.pagesDone;
    }
    summary.stopped = summary.pagesDone < summary.pageCount;
    summary.rowCount = rowCount_;
    summary.pagesFailed = progress_.pagesFailed;
    summary.detailPagesFailed = progress_.detailPagesFailed;
    // The downloads still running are abandoned before the run is told to be over.
    downloads_.reset();
    observer_.RunFinished(summary);
    return summary;
  }

private:
  // Whether the list page at this position of the processing order is told from the journal.
  bool Replays(int position, const Text& address) const {
    return journal_ != nullptr && journal_->Processed(position, address);
  }

  void StartDownloads(const DownloadsStart& start) {
    // A page's matching has what is left of its budget and ends within milliseconds of a stop.
    PreparePage prepare = [this](const ListPage& page, int attempt, web::FetchResponse&& response) {
      const runtime::SearchLimits matching{budgets_.Take(page, attempt), [this] { return observer_.StopRequested(); }};
      PageOutcome outcome = PrepareAttempt(page.address, std::move(response), settings_, rules_, matching);
      if (attempt == 1 && WorthAnotherAttempt(outcome)) {
        budgets_.Leave(page, std::max(runtime::SearchClock::duration::zero(), matching.budget - outcome.matchingTime));
      }
      return outcome;
    };
    PrepareDetailPage prepareDetail;
    if (rules_.fetchesDetails) {
      prepareDetail = [this](const Text& address, web::FetchResponse&& response) {
        const runtime::SearchLimits limits{settings_.matchBudget, [this] { return observer_.StopRequested(); }};
        return PrepareDetail(address, std::move(response), settings_, rules_.detail, limits);
      };
    }
    downloads_ = MakePageDownloads(settings_, *fetcher_, observer_, std::move(prepare),
                                   AheadBudget(settings_.maxPageBytes), std::move(prepareDetail), start);
  }

  // The address start and the next pages followed from it. False when the run was stopped, or
  // the journal could not read or keep a page.
  bool CollectFrom(int start, RunSummary& summary) {
    ListPage page{start, 0, settings_.addresses[static_cast<std::size_t>(start)]};
    while (true) {
      progress_.page = progress_.pagesDone + 1;
      observer_.PageStarted(progress_);
      const int position = progress_.pagesDone;
      const bool replayed = Replays(position, page.address);
      JournalPage entry;
      if (!(replayed ? ReplayPage(position, entry) : CollectPage(page, entry))) return false;
      ++progress_.pagesDone;
      if (!entry.attempts.back().failureReason.empty()) {
        ++progress_.pagesFailed;
        summary.failedAddresses.push_back(page.address);
      }
      summary.rowsCollectedBefore +=
          static_cast<int>(std::count(entry.collectedBefore.begin(), entry.collectedBefore.end(), true));
      Text next = entry.nextAddress;
      if (journal_ && !replayed && !journal_->Write(position, std::move(entry))) return false;
      if (!Follows(page, next)) return true;
      if (observer_.StopRequested()) return false;
      ++progress_.pageCount;
      page = {start, page.depth + 1, std::move(next)};
    }
  }

  // Whether the next page is followed: there is one, the limit is not reached, and it was not
  // met before in this run (as an address of the run or as a next page).
  bool Follows(const ListPage& page, const Text& next) {
    return !next.empty() && page.depth < rules_.maxNext && visited_.insert(next).second;
  }

  // A list page downloaded and told, its first attempt and, when that found nothing, its second;
  // noted in entry. False when the run was stopped meanwhile.
  bool CollectPage(const ListPage& page, JournalPage& entry) {
    if (!downloads_) {
      StartDownloads({page, {visited_.begin(), visited_.end()}, {knownDetails_.begin(), knownDetails_.end()}});
    }
    entry.address = page.address;
    entry.depth = page.depth;
    PageOutcome outcome = downloads_->First(page);
    const bool askAgain = WorthAnotherAttempt(outcome);
    int count = CollectAttempt(outcome, 1, page, entry);
    if (count == 0 && askAgain && !observer_.StopRequested()) {
      outcome = downloads_->Again(page);
      count = CollectAttempt(outcome, 2, page, entry);
    }
    if (count < 0) return false;
    entry.nextAddress = std::move(outcome.nextAddress);
    return true;
  }

  // One prepared attempt at a page, told to the observer and noted in entry. Returns the match
  // count, or -1 when the run was stopped during the download or the matching.
  int CollectAttempt(PageOutcome& outcome, int attempt, const ListPage& page, JournalPage& entry) {
    if (observer_.StopRequested()) return -1;
    observer_.AttemptStarted({outcome.address, attempt});
    // A download that failed while the user stopped the run was cut short by the stop.
    if (outcome.stopped || (outcome.failed && observer_.StopRequested())) return -1;
    if (observer_.WantsPageText()) {
      observer_.PageText(outcome.textInUtf8 ? runtime::Utf8ToText(outcome.PageText()) : outcome.PageText());
    }
    return ReportAttempt(outcome, attempt, page, entry);
  }

  // Everything the table and the status channels hear of one matched attempt; -1 when the run was
  // stopped while its detail pages were downloaded.
  int ReportAttempt(PageOutcome& outcome, int attempt, const ListPage& page, JournalPage& entry) {
    const int count = static_cast<int>(outcome.records.Size());
    AddMissingColumns();
    entry.status = outcome.status;
    entry.records = std::move(outcome.records);
    if (count > 0 && rules_.fetchesDetails && !AddDetailCells(entry, outcome, page)) return -1;
    entry.collectedBefore =
        journal_ ? journal_->CollectedBefore(entry.records) : std::vector<bool>(entry.records.Size());
    // A matching given up keeps its rows; its note goes with the warning, so that a resumed run
    // tells it as it was first told.
    const Text matchNote = outcome.tooComplex ? TooComplexNote(count) : Text();
    entry.attempts.push_back({outcome.address, attempt, count, outcome.reason, JoinedNotes(outcome.warning, matchNote)});
    TellRecords(RecordsToTell(entry, journal_ != nullptr));
    observer_.AttemptFinished(entry.attempts.back());
    return count;
  }

  // A page the run being resumed processed, told again as it was first told (its page text aside,
  // which is not kept): its attempts, its last attempt's detail pages and records. False when the
  // journal cannot read it.
  bool ReplayPage(int position, JournalPage& entry) {
    std::optional<JournalPage> stored = journal_->Replay(position);
    if (!stored || stored->attempts.empty()) return false;
    entry = std::move(*stored);
    for (const AttemptResult& attempt : entry.attempts) {
      observer_.AttemptStarted({attempt.address, attempt.attempt});
      AddMissingColumns();
      if (&attempt == &entry.attempts.back()) {
        ReplayDetails(entry);
        TellRecords(RecordsToTell(entry, false));
      }
      observer_.AttemptFinished(attempt);
    }
    return true;
  }

  // The detail pages a page took, told again with the progress as it was then; their cells, which
  // the records they were taken for hold, serve later records with the same link.
  void ReplayDetails(const JournalPage& entry) {
    for (const DetailPageResult& detail : entry.details) {
      if (!detail.address.empty() && knownDetails_.insert(detail.address).second) ++progress_.detailPageCount;
    }
    for (DetailPageResult detail : entry.details) {
      if (!detail.address.empty()) {
        ++progress_.detailPagesDone;
        if (!detail.failureReason.empty()) ++progress_.detailPagesFailed;
        detailCells_.emplace(detail.address, DetailCellsOf(entry.records, detail.record));
      }
      detail.listAddress = entry.address;
      detail.progress = progress_;
      observer_.DetailPageFinished(detail);
    }
  }

  // The detail cells of the 1-based record: its last cells.
  std::vector<Text> DetailCellsOf(const RecordList& records, int record) const {
    if (record < 1 || static_cast<std::size_t>(record) > records.Size()) return {};
    const auto index = static_cast<std::size_t>(record) - 1;
    const int cellCount = records.CellCount(index);
    std::vector<Text> cells;
    for (int cell = std::max(0, cellCount - rules_.detailGroupCount); cell < cellCount; ++cell) {
      cells.emplace_back(records.Cell(index, cell));
    }
    return cells;
  }

  void TellRecords(RecordList told) {
    if (told.Empty()) return;
    rowCount_ += static_cast<int>(told.Size());
    observer_.RecordsFound(std::move(told));
  }

  // The page's records but those collected before; moved out unless the journal keeps the page,
  // which it takes, with the page's text, once the page is done.
  static RecordList RecordsToTell(JournalPage& entry, bool keep) {
    const bool all = std::find(entry.collectedBefore.begin(), entry.collectedBefore.end(), true) ==
                     entry.collectedBefore.end();
    if (all && !keep) return std::move(entry.records);
    return entry.records.Without(entry.collectedBefore);
  }

  void AddMissingColumns() {
    const int listColumns = rules_.groupCount + 2;
    if (columnCount_ < listColumns) {
      observer_.ColumnsAdded(std::vector<Text>(listCaptions_.begin() + columnCount_, listCaptions_.end()));
      columnCount_ = listColumns;
    }
    const int allColumns = listColumns + static_cast<int>(detailCaptions_.size());
    if (columnCount_ < allColumns) {
      observer_.DetailColumnsAdded(
          std::vector<Text>(detailCaptions_.begin() + (columnCount_ - listColumns), detailCaptions_.end()));
      columnCount_ = allColumns;
    }
  }

  // Appends to each record of entry the cells of its detail page, taking the pages the run has not
  // taken yet in record order; each one taken, or a record without a link, is told and noted in
  // entry. False when the run was stopped meanwhile.
  bool AddDetailCells(JournalPage& entry, const PageOutcome& outcome, const ListPage& page) {
    for (const Text& address : outcome.detailAddresses) {
      if (!address.empty() && knownDetails_.insert(address).second) ++progress_.detailPageCount;
    }
    const auto cellCount = static_cast<std::size_t>(rules_.detailGroupCount);
    const int firstDetailCell = outcome.groupCount + 2;
    for (std::size_t index = 0; index < entry.records.Size(); ++index) {
      const Text& address = outcome.detailAddresses[index];
      if (address.empty()) {
        TellDetail({{}, outcome.address, static_cast<int>(index) + 1, false, {}, progress_}, entry);
        continue;
      }
      auto taken = detailCells_.find(address);
      if (taken == detailCells_.end()) {
        DetailOutcome detail = downloads_->Detail(page, address);
        if (detail.stopped || (!detail.reason.empty() && observer_.StopRequested())) return false;
        ++progress_.detailPagesDone;
        if (!detail.reason.empty()) ++progress_.detailPagesFailed;
        TellDetail({address, outcome.address, static_cast<int>(index) + 1, detail.matched, detail.reason, progress_},
                   entry);
        detail.cells.resize(cellCount);
        taken = detailCells_.emplace(address, std::move(detail.cells)).first;
      }
      for (std::size_t cell = 0; cell < taken->second.size(); ++cell) {
        entry.records.SetCell(index, firstDetailCell + static_cast<int>(cell), taken->second[cell]);
      }
    }
    return true;
  }

  void TellDetail(DetailPageResult detail, JournalPage& entry) {
    observer_.DetailPageFinished(detail);
    if (journal_) entry.details.push_back(std::move(detail));
  }

  const CollectionSettings& settings_;
  RunObserver& observer_;
  RunJournal* const journal_;  // null without a store
  const RunRules rules_;
  MatchBudgets budgets_;
  Fetcher* fetcher_ = nullptr;
  std::unique_ptr<PageDownloads> downloads_;
  std::vector<Text> listCaptions_;
  std::vector<Text> detailCaptions_;
  int rowCount_ = 0;
  int columnCount_ = 0;
  RunProgress progress_;
  std::unordered_set<Text> visited_;      // list page addresses met: the run's and the next pages
  std::unordered_set<Text> knownDetails_;  // detail page addresses met
  std::unordered_map<Text, std::vector<Text>> detailCells_;  // the cells of each detail page taken
};

// How a rule of the link settings fails to compile or to give a link; empty when it does not.
Text LinkRuleProblem(const Text& rule, bool detail) {
  runtime::Regex regex;
  if (!regex.Create(TranslateMatchRule(rule), runtime::Case::Insensitive)) {
    return BrokenLinkRuleMessage(detail, runtime::ToText(regex.LastError()));
  }
  return regex.GetSubexpressionCount() == 0 ? LinkRuleWithoutGroupMessage(detail) : Text();
}

bool IsEmptyRule(const Text& rule) { return rule.empty() || rule.front() == '\0'; }

}  // namespace

std::vector<Text> ColumnCaptions(int first, int last) {
  std::vector<Text> captions;
  for (int k = first; k <= last; ++k) captions.push_back(T("文本 ") + runtime::ToText(k));
  return captions;
}

RunCaptions CaptionsOfRun(const CollectionSettings& settings, int groupCount) {
  RunCaptions captions;
  captions.list = RuleCaptions(settings.rule, settings.ruleSyntax);
  if (static_cast<int>(captions.list.size()) != groupCount + 2) captions.list = ColumnCaptions(1, groupCount + 2);
  if (FetchesDetailPages(settings.detail)) {
    captions.detail = GroupCaptions(GroupNames(settings.detail.rule), groupCount + 3);
  }
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
  if (IsEmptyRule(rule)) return EmptyRuleMessage();
  runtime::Regex regex;
  if (regex.Create(TranslateMatchRule(rule, syntax), runtime::Case::Insensitive)) return Text();
  return BrokenRuleMessage(runtime::ToText(regex.LastError()));
}

int DetailLinkColumn(const Text& column, const std::vector<Text>& captions) {
  for (std::size_t index = 0; index < captions.size(); ++index) {
    if (captions[index] == column) return static_cast<int>(index);
  }
  const Text number = runtime::TrimSpaces(column);
  if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != Text::npos) return -1;
  const int k = std::stoi(number);
  return k >= 1 && k <= static_cast<int>(captions.size()) ? k - 1 : -1;
}

Text NextPageProblem(const CollectionSettings& settings) {
  return FollowsNextPages(settings.next) ? LinkRuleProblem(settings.next.rule, false) : Text();
}

Text DetailPageProblem(const CollectionSettings& settings) {
  if (!FetchesDetailPages(settings.detail)) return Text();
  if (IsEmptyRule(settings.detail.rule)) return EmptyDetailRuleMessage();
  if (Text problem = LinkRuleProblem(settings.detail.rule, true); !problem.empty()) return problem;
  if (settings.detail.column.empty()) return MissingDetailColumnMessage();
  if (DetailLinkColumn(settings.detail.column, RuleCaptions(settings.rule, settings.ruleSyntax)) < 0) {
    return UnknownDetailColumnMessage(settings.detail.column);
  }
  return Text();
}

Text LinkSettingsProblem(const CollectionSettings& settings) {
  const Text problem = NextPageProblem(settings);
  return problem.empty() ? DetailPageProblem(settings) : problem;
}

Text CookieProblem(const Text& cookie) {
  if (cookie.size() <= web::kMaxCookieBytes) return Text();
  return CookieTooLongMessage(static_cast<std::int64_t>(cookie.size()));
}

PageOutcome TestPage(const Text& address, const CollectionSettings& settings, Fetcher& fetcher,
                     RunObserver& observer) {
  observer.AttemptStarted({address, 1});
  web::FetchResponse response = DownloadPage(address, settings, fetcher, observer);
  PageOutcome outcome = PrepareOutcome(address, std::move(response), settings, true);
  if (outcome.stopped) return outcome;
  observer.PageText(outcome.PageText());
  return outcome;
}

RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher, RunObserver& observer,
                         const ResultTable& table, RunJournal* journal) {
  return Run(settings, observer, table, journal).Go(fetcher);
}

}  // namespace collect
