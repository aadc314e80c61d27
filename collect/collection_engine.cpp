// The collection engine: the run, one page, the rule check and the final message.
#include "collect/collection_engine.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>

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

// One run: the pages in order, told to the observer.
class Run {
public:
  Run(const CollectionSettings& settings, RunObserver& observer, const ResultTable& table)
      : settings_(settings), observer_(observer), rules_(CompileRules(settings)) {
    rowCount_ = table.RowCount();
    columnCount_ = table.ColumnCount();
    listCaptions_ = RuleCaptions(settings.rule);
    if (static_cast<int>(listCaptions_.size()) != rules_.groupCount + 2) {
      listCaptions_ = ColumnCaptions(1, rules_.groupCount + 2);
    }
    if (rules_.fetchesDetails) detailCaptions_ = GroupCaptions(GroupNames(settings.detail.rule), rules_.groupCount + 3);
    progress_.pageCount = static_cast<int>(settings.addresses.size());
    progress_.followsNextPages = rules_.followsNext;
    progress_.fetchesDetailPages = rules_.fetchesDetails;
    if (rules_.followsNext) visited_.insert(settings.addresses.begin(), settings.addresses.end());
  }

  RunSummary Go(Fetcher& fetcher) {
    RunSummary summary;
    summary.pageCount = static_cast<int>(settings_.addresses.size());
    observer_.RunStarted(summary.pageCount);
    PreparePage prepare = [this](const Text& address, web::FetchResponse&& response) {
      return PrepareAttempt(address, std::move(response), settings_, rules_);
    };
    PrepareDetailPage prepareDetail;
    if (rules_.fetchesDetails) {
      prepareDetail = [this](const Text& address, web::FetchResponse&& response) {
        return PrepareDetail(address, std::move(response), settings_, rules_.detail);
      };
    }
    downloads_ = MakePageDownloads(settings_, fetcher, observer_, std::move(prepare),
                                   AheadBudget(settings_.maxPageBytes), std::move(prepareDetail));
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
  // The address start and the next pages followed from it. False when the run was stopped.
  bool CollectFrom(int start, RunSummary& summary) {
    ListPage page{start, 0, settings_.addresses[static_cast<std::size_t>(start)]};
    while (true) {
      progress_.page = progress_.pagesDone + 1;
      observer_.PageStarted(progress_);
      PageOutcome outcome = downloads_->First(page);
      const bool askAgain = WorthAnotherAttempt(outcome);
      int count = CollectAttempt(outcome, 1, page);
      if (count == 0 && askAgain && !observer_.StopRequested()) {
        outcome = downloads_->Again(page);
        count = CollectAttempt(outcome, 2, page);
      }
      if (count < 0) return false;
      ++progress_.pagesDone;
      if (outcome.failed) {
        ++progress_.pagesFailed;
        summary.failedAddresses.push_back(page.address);
      }
      if (!Follows(page, outcome.nextAddress)) return true;
      if (observer_.StopRequested()) return false;
      ++progress_.pageCount;
      page = {start, page.depth + 1, std::move(outcome.nextAddress)};
    }
  }

  // Whether the next page is followed: there is one, the limit is not reached, and it was not
  // met before in this run (as an address of the run or as a next page).
  bool Follows(const ListPage& page, const Text& next) {
    return !next.empty() && page.depth < rules_.maxNext && visited_.insert(next).second;
  }

  // One prepared attempt at a page, told to the observer. Returns the match count, or -1 when the
  // run was stopped during the download.
  int CollectAttempt(PageOutcome& outcome, int attempt, const ListPage& page) {
    if (observer_.StopRequested()) return -1;
    observer_.AttemptStarted({outcome.address, attempt});
    // A download that failed while the user stopped the run was cut short by the stop.
    if (outcome.stopped || (outcome.failed && observer_.StopRequested())) return -1;
    observer_.PageText(outcome.pageText);
    const int count = ReportAttempt(outcome, attempt, page);
    // The records hold their own copies: the page's text and matches go once told.
    Text().swap(outcome.pageText);
    outcome.matches.clear();
    return count;
  }

  // Everything the table and the status channels hear of one matched attempt; -1 when the run was
  // stopped while its detail pages were downloaded.
  int ReportAttempt(PageOutcome& outcome, int attempt, const ListPage& page) {
    const int count = static_cast<int>(outcome.matches.size());
    AddMissingColumns();
    if (count > 0) {
      std::vector<Record> records = RecordsOf(outcome);
      if (rules_.fetchesDetails && !AddDetailCells(records, outcome, page)) return -1;
      observer_.RecordsFound(std::move(records));
      rowCount_ += count;
    }
    observer_.AttemptFinished({outcome.address, attempt, count, outcome.reason, outcome.warning});
    return count;
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

  // The records of the page's matches: each sub-match, then the address.
  static std::vector<Record> RecordsOf(const PageOutcome& outcome) {
    std::vector<Record> records;
    records.reserve(outcome.matches.size());
    for (const runtime::SearchResult& match : outcome.matches) {
      records.push_back(RecordOf(match, outcome.pageText, outcome.groupCount, outcome.address));
    }
    return records;
  }

  // Appends to each record the cells of its detail page, taking the pages the run has not taken
  // yet in record order. False when the run was stopped meanwhile.
  bool AddDetailCells(std::vector<Record>& records, const PageOutcome& outcome, const ListPage& page) {
    for (const Text& address : outcome.detailAddresses) {
      if (!address.empty() && knownDetails_.insert(address).second) ++progress_.detailPageCount;
    }
    const auto cellCount = static_cast<std::size_t>(rules_.detailGroupCount);
    for (std::size_t index = 0; index < records.size(); ++index) {
      const Text& address = outcome.detailAddresses[index];
      std::vector<Text>& cells = records[index].cells;
      if (address.empty()) {
        observer_.DetailPageFinished({{}, outcome.address, static_cast<int>(index) + 1, false, {}, progress_});
        cells.resize(cells.size() + cellCount);
        continue;
      }
      auto taken = detailCells_.find(address);
      if (taken == detailCells_.end()) {
        DetailOutcome detail = downloads_->Detail(page, address);
        if (detail.stopped || (!detail.reason.empty() && observer_.StopRequested())) return false;
        ++progress_.detailPagesDone;
        if (!detail.reason.empty()) ++progress_.detailPagesFailed;
        observer_.DetailPageFinished(
            {address, outcome.address, static_cast<int>(index) + 1, detail.matched, detail.reason, progress_});
        detail.cells.resize(cellCount);
        taken = detailCells_.emplace(address, std::move(detail.cells)).first;
      }
      cells.insert(cells.end(), taken->second.begin(), taken->second.end());
    }
    return true;
  }

  const CollectionSettings& settings_;
  RunObserver& observer_;
  const RunRules rules_;
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
  if (IsEmptyRule(rule)) return EmptyRuleMessage();
  runtime::Regex regex;
  if (regex.Create(TranslateMatchRule(rule), runtime::Case::Insensitive)) return Text();
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
  if (DetailLinkColumn(settings.detail.column, RuleCaptions(settings.rule)) < 0) {
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
  observer.PageText(outcome.pageText);
  return outcome;
}

RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher,
                         RunObserver& observer, const ResultTable& table) {
  return Run(settings, observer, table).Go(fetcher);
}

}  // namespace collect
