// From a downloaded answer to a prepared page: decoded, cut, cleaned, matched, with its links.
#include "collect/page_preparation.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collect/charset_declaration.h"
#include "collect/collection_engine.h"
#include "collect/failure_reason.h"
#include "collect/match_rule.h"
#include "collect/page_text.h"
#include "collect/rule_captions.h"
#include "runtime/code_page.h"
#include "web/address_resolution.h"

namespace collect {
namespace {

using runtime::Text;

// GBK unless the page is to be read as UTF-8, or declares UTF-8 and is read as it declares.
bool ReadAsGbk(PageEncoding encoding, DeclaredCharset declared) {
  if (encoding == PageEncoding::Auto) return declared != DeclaredCharset::Utf8;
  return encoding == PageEncoding::Gbk;
}

// A UTF-8 page of this size or more is converted even where the rule matches alike in UTF-8: its
// records' cells, each converted on its own, would take more memory than the page once converted
// when they are most of it.
constexpr std::size_t kMatchedInUtf8Below = std::size_t{4} << 20;

// How a UTF-8 page's text is kept: converted to the program's code page, or left in UTF-8 where
// the rule finds the same matches in it (RunRules::matchesAlikeInUtf8) and the page's records
// need converting alone.
enum class Utf8Text { Converted, LeftWhereAlike };

// An answer decoded, cut and cleaned, with what became of its download.
struct PreparedAnswer {
  bool stopped = false;
  bool finalAttempt = false;
  Text reason;
  Text warning;
  Text text;
  bool textInUtf8 = false;
  Text wholeText;  // only when asked for
};

PreparedAnswer PrepareAnswer(web::FetchResponse&& response, const CollectionSettings& settings, const Text& before,
                             const Text& after, bool keepWholePage, Utf8Text utf8Text = Utf8Text::Converted) {
  PreparedAnswer answer;
  answer.stopped = response.failure == web::FetchFailure::Cancelled;
  answer.finalAttempt = response.failure == web::FetchFailure::TransferTooLong || response.waitedRetryAfter;
  answer.reason = FailureReason(response, settings.maxPageBytes);
  if (response.failure == web::FetchFailure::PageTooLarge) response.body.clear();
  const DeclaredCharset declared = DeclaredPageCharset(response.headerBlock, response.body);
  const bool gbk = ReadAsGbk(settings.encoding, declared);
  // A failed page's body is the server's error page, whose declaration says nothing of the list.
  if (settings.encoding != PageEncoding::Auto && answer.reason.empty()) answer.warning = CharsetWarning(declared, gbk);
  if (!gbk && utf8Text == Utf8Text::LeftWhereAlike && !keepWholePage && response.body.size() < kMatchedInUtf8Below) {
    if (std::optional<std::string> text = CleanUtf8PageText(response.body, before, after)) {
      answer.text = std::move(*text);
      answer.textInUtf8 = true;
      return answer;
    }
  }
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
  // The next-page rule reads the page text as the program's code page.
  rules.matchesAlikeInUtf8 = rules.list.MayMatchAlikeInUtf8() && !rules.followsNext;
  rules.fetchesDetails = FetchesDetailPages(settings.detail);
  if (rules.fetchesDetails) {
    rules.detail.Create(TranslateMatchRule(settings.detail.rule), runtime::Case::Insensitive);
    rules.detailGroupCount = rules.detail.GetSubexpressionCount();
    rules.linkColumn = DetailLinkColumn(settings.detail.column, RuleCaptions(settings.rule, settings.ruleSyntax));
  }
  return rules;
}

namespace {

PageOutcome OutcomeOf(const Text& address, web::FetchResponse&& response, const CollectionSettings& settings,
                      bool keepWholePage, Utf8Text utf8Text) {
  const int status = response.status;
  PreparedAnswer answer =
      PrepareAnswer(std::move(response), settings, settings.before, settings.after, keepWholePage, utf8Text);
  PageOutcome outcome;
  outcome.address = address;
  outcome.status = status;
  outcome.stopped = answer.stopped;
  outcome.finalAttempt = answer.finalAttempt;
  outcome.reason = std::move(answer.reason);
  outcome.failed = !outcome.reason.empty();
  outcome.warning = std::move(answer.warning);
  outcome.records = RecordList(std::make_shared<const Text>(std::move(answer.text)));
  outcome.textInUtf8 = answer.textInUtf8;
  outcome.wholePageText = std::move(answer.wholeText);
  return outcome;
}

}  // namespace

PageOutcome PrepareOutcome(const Text& address, web::FetchResponse&& response, const CollectionSettings& settings,
                           bool keepWholePage) {
  return OutcomeOf(address, std::move(response), settings, keepWholePage, Utf8Text::Converted);
}

Text FirstLinkAddress(const runtime::Regex& rule, const Text& text, const Text& pageAddress,
                      const runtime::SearchLimits& limits) {
  const std::vector<runtime::SearchResult> matches = rule.Search(text, limits).matches;
  return matches.empty() ? Text() : web::LinkAddress(pageAddress, matches.front().GetSubmatchText(text, 1));
}

RecordList MatchRecords(const RunRules& rules, const RecordList& page, bool textInUtf8, const Text& address,
                        const runtime::SearchLimits& limits, runtime::SearchReport& report) {
  RecordList records = page.SourceOnly();
  const int cellCount = rules.groupCount + 2 + (rules.fetchesDetails ? rules.detailGroupCount : 0);
  const int addressColumn = rules.groupCount + 1;
  const std::string_view text = page.Source();
  Text converted;
  // The bytes of the text from from to to (positions of one match, in order), converted onto
  // converted.
  const auto convert = [&](std::size_t from, std::size_t to) {
    runtime::AppendUtf8AsText(text.substr(from, to - from), converted);
  };
  // Where each group lies in the converted whole match: offset and length.
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  report = rules.list.SearchEach(page.Source(), limits, [&](std::span<const runtime::SubMatch> entries) {
    const std::size_t record = records.Size();
    records.AddEmptyRecord(cellCount);
    const std::size_t groups = std::min(entries.size(), static_cast<std::size_t>(addressColumn));
    if (!textInUtf8) {
      for (std::size_t group = 0; group < groups; ++group) {
        const runtime::SubMatch& entry = entries[group];
        if (!entry.matched || entry.start < 0) continue;
        records.SetSlice(record, static_cast<int>(group), static_cast<std::size_t>(entry.start),
                         static_cast<std::size_t>(entry.length));
      }
    } else if (groups > 0 && entries[0].matched) {
      // A template's groups are its holes, in order, each beginning and ending where a character
      // does: the whole match converted a stretch at a time holds each group's very bytes, as the
      // converted page would.
      converted.clear();
      parts.assign(groups, {});
      auto at = static_cast<std::size_t>(entries[0].start);
      for (std::size_t group = 1; group < groups; ++group) {
        const auto start = static_cast<std::size_t>(entries[group].start);
        convert(at, start);
        at = start + static_cast<std::size_t>(entries[group].length);
        const std::size_t offset = converted.size();
        convert(start, at);
        parts[group] = {offset, converted.size() - offset};
      }
      convert(at, static_cast<std::size_t>(entries[0].start + entries[0].length));
      records.SetCell(record, 0, converted);
      for (std::size_t group = 1; group < groups; ++group) {
        records.SetPart(record, static_cast<int>(group), 0, parts[group].first, parts[group].second);
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
  PageOutcome outcome = OutcomeOf(address, std::move(response), settings, nextOnWholePage,
                                  rules.matchesAlikeInUtf8 ? Utf8Text::LeftWhereAlike : Utf8Text::Converted);
  outcome.groupCount = rules.groupCount;
  if (outcome.stopped) return outcome;
  if (outcome.textInUtf8 && !rules.list.MatchesAlikeInUtf8(outcome.PageText())) {
    // Cleaning the page converted gives what converting it cleaned gives.
    outcome.records = RecordList(std::make_shared<const Text>(runtime::Utf8ToText(outcome.PageText())));
    outcome.textInUtf8 = false;
  }
  runtime::SearchReport report;
  outcome.records = MatchRecords(rules, outcome.records, outcome.textInUtf8, address, matching, report);
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
