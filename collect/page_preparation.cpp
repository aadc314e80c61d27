// From a downloaded answer to a prepared page: decoded, cut, cleaned, matched, with its links.
#include "collect/page_preparation.h"

#include <algorithm>
#include <span>

#include "collect/charset_declaration.h"
#include "collect/collection_engine.h"
#include "collect/failure_reason.h"
#include "collect/match_rule.h"
#include "collect/page_text.h"
#include "collect/rule_captions.h"
#include "web/address_resolution.h"

namespace collect {
namespace {

using runtime::Text;

// GBK unless the page is to be read as UTF-8, or declares UTF-8 and is read as it declares.
bool ReadAsGbk(PageEncoding encoding, DeclaredCharset declared) {
  if (encoding == PageEncoding::Auto) return declared != DeclaredCharset::Utf8;
  return encoding == PageEncoding::Gbk;
}

// An answer decoded, cut and cleaned, with what became of its download.
struct PreparedAnswer {
  bool stopped = false;
  bool finalAttempt = false;
  Text reason;
  Text warning;
  Text text;
  Text wholeText;  // only when asked for
};

PreparedAnswer PrepareAnswer(web::FetchResponse&& response, const CollectionSettings& settings, const Text& before,
                             const Text& after, bool keepWholePage) {
  PreparedAnswer answer;
  answer.stopped = response.failure == web::FetchFailure::Cancelled;
  answer.finalAttempt = response.failure == web::FetchFailure::TransferTooLong || response.waitedRetryAfter;
  answer.reason = FailureReason(response, settings.maxPageBytes);
  if (response.failure == web::FetchFailure::PageTooLarge) response.body.clear();
  const DeclaredCharset declared = DeclaredPageCharset(response.headerBlock, response.body);
  const bool gbk = ReadAsGbk(settings.encoding, declared);
  // A failed page's body is the server's error page, whose declaration says nothing of the list.
  if (settings.encoding != PageEncoding::Auto && answer.reason.empty()) answer.warning = CharsetWarning(declared, gbk);
  if (keepWholePage) answer.wholeText = PreparePageText(runtime::ByteSet(response.body), gbk, Text(), Text());
  answer.text = PreparePageText(std::move(response.body), gbk, before, after);
  return answer;
}

// The page a link of the page is resolved against: where its answer came from after redirects.
Text BaseAddress(const Text& address, const web::FetchResponse& response) {
  return response.finalAddress.empty() ? address : Text(response.finalAddress);
}

}  // namespace

RunRules CompileRules(const CollectionSettings& settings) {
  RunRules rules;
  rules.list.Create(TranslateMatchRule(settings.rule, settings.ruleSyntax), runtime::Case::Insensitive);
  rules.groupCount = rules.list.GetSubexpressionCount();
  rules.followsNext = FollowsNextPages(settings.next);
  if (rules.followsNext) {
    rules.next.Create(TranslateMatchRule(settings.next.rule), runtime::Case::Insensitive);
    rules.nextScope = settings.next.scope;
    rules.maxNext = settings.next.maxNext;
  }
  rules.fetchesDetails = FetchesDetailPages(settings.detail);
  if (rules.fetchesDetails) {
    rules.detail.Create(TranslateMatchRule(settings.detail.rule), runtime::Case::Insensitive);
    rules.detailGroupCount = rules.detail.GetSubexpressionCount();
    rules.linkColumn = DetailLinkColumn(settings.detail.column, RuleCaptions(settings.rule, settings.ruleSyntax));
  }
  return rules;
}

PageOutcome PrepareOutcome(const Text& address, web::FetchResponse&& response, const CollectionSettings& settings,
                           bool keepWholePage) {
  const int status = response.status;
  PreparedAnswer answer =
      PrepareAnswer(std::move(response), settings, settings.before, settings.after, keepWholePage);
  PageOutcome outcome;
  outcome.address = address;
  outcome.status = status;
  outcome.stopped = answer.stopped;
  outcome.finalAttempt = answer.finalAttempt;
  outcome.reason = std::move(answer.reason);
  outcome.failed = !outcome.reason.empty();
  outcome.warning = std::move(answer.warning);
  outcome.records = RecordList(std::make_shared<const Text>(std::move(answer.text)));
  outcome.wholePageText = std::move(answer.wholeText);
  return outcome;
}

Text FirstLinkAddress(const runtime::Regex& rule, const Text& text, const Text& pageAddress,
                      const runtime::SearchLimits& limits) {
  const std::vector<runtime::SearchResult> matches = rule.Search(text, limits).matches;
  return matches.empty() ? Text() : web::LinkAddress(pageAddress, matches.front().GetSubmatchText(text, 1));
}

RecordList MatchRecords(const RunRules& rules, const RecordList& page, const Text& address,
                        const runtime::SearchLimits& limits, runtime::SearchReport& report) {
  RecordList records = page.SourceOnly();
  const int cellCount = rules.groupCount + 2 + (rules.fetchesDetails ? rules.detailGroupCount : 0);
  const int addressColumn = rules.groupCount + 1;
  report = rules.list.SearchEach(page.Source(), limits, [&](std::span<const runtime::SubMatch> entries) {
    const std::size_t record = records.Size();
    records.AddEmptyRecord(cellCount);
    for (int group = 0; group < addressColumn && static_cast<std::size_t>(group) < entries.size(); ++group) {
      const runtime::SubMatch& entry = entries[static_cast<std::size_t>(group)];
      if (entry.matched && entry.start >= 0) {
        records.SetSlice(record, group, static_cast<std::size_t>(entry.start), static_cast<std::size_t>(entry.length));
      }
    }
    records.SetCell(record, addressColumn, address);
  });
  return records;
}

Text DetailAddressOf(const RecordList& records, std::size_t record, const Text& base, const RunRules& rules) {
  // A link column past the groups is the page address's.
  const int column = std::min(rules.linkColumn, rules.groupCount + 1);
  return web::LinkAddress(base, Text(records.Cell(record, column)));
}

PageOutcome PrepareAttempt(const Text& address, web::FetchResponse&& response, const CollectionSettings& settings,
                           const RunRules& rules, const runtime::SearchLimits& matching) {
  const Text base = BaseAddress(address, response);
  const bool nextOnWholePage = rules.followsNext && rules.nextScope == NextPageScope::WholePage;
  PageOutcome outcome = PrepareOutcome(address, std::move(response), settings, nextOnWholePage);
  outcome.groupCount = rules.groupCount;
  if (outcome.stopped) return outcome;
  runtime::SearchReport report;
  outcome.records = MatchRecords(rules, outcome.records, address, matching, report);
  outcome.matchingTime = report.spent;
  if (report.outcome == runtime::SearchOutcome::Cancelled) {
    outcome.stopped = true;
    outcome.records = outcome.records.SourceOnly();
    return outcome;
  }
  outcome.tooComplex = report.outcome == runtime::SearchOutcome::TooComplex;
  outcome.finalAttempt = outcome.finalAttempt || outcome.tooComplex;
  if (rules.followsNext) {
    const runtime::SearchLimits nextLimits{settings.matchBudget, matching.stopRequested};
    outcome.nextAddress =
        FirstLinkAddress(rules.next, nextOnWholePage ? outcome.wholePageText : outcome.PageText(), base, nextLimits);
    Text().swap(outcome.wholePageText);
  }
  if (rules.fetchesDetails) {
    outcome.detailAddresses.reserve(outcome.records.Size());
    for (std::size_t record = 0; record < outcome.records.Size(); ++record) {
      outcome.detailAddresses.push_back(DetailAddressOf(outcome.records, record, base, rules));
    }
  }
  return outcome;
}

DetailOutcome PrepareDetail(const Text& address, web::FetchResponse&& response, const CollectionSettings& settings,
                            const runtime::Regex& rule, const runtime::SearchLimits& limits) {
  PreparedAnswer answer =
      PrepareAnswer(std::move(response), settings, settings.detail.before, settings.detail.after, false);
  DetailOutcome detail;
  detail.address = address;
  detail.stopped = answer.stopped;
  detail.reason = std::move(answer.reason);
  if (detail.stopped) return detail;
  const runtime::SearchReport report = rule.Search(answer.text, limits);
  detail.stopped = report.outcome == runtime::SearchOutcome::Cancelled;
  const std::vector<runtime::SearchResult>& matches = report.matches;
  if (detail.stopped || matches.empty()) return detail;
  detail.matched = true;
  for (int group = 1; group <= rule.GetSubexpressionCount(); ++group) {
    detail.cells.push_back(matches.front().GetSubmatchText(answer.text, group));
  }
  return detail;
}

}  // namespace collect
