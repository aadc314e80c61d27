// The collection engine: every address downloaded, cut, cleaned and matched, one record per
// match, told to an observer as it happens. It knows no window: the window and `pelmo collect`
// both drive it.
#pragma once

#include <vector>

#include "collect/collection_settings.h"
#include "collect/fetcher.h"
#include "collect/page_outcome.h"
#include "collect/page_request.h"
#include "collect/result_table.h"
#include "collect/run_journal.h"
#include "collect/run_observer.h"
#include "runtime/regex.h"
#include "runtime/text.h"

namespace collect {

// Why the rule cannot run, as the user is told (EmptyRuleMessage for the empty rule, a rule that
// is empty up to its first zero byte, where a text ends, included; BrokenRuleMessage with the
// engine's reason); empty when it can run. The rule is read in the given syntax.
runtime::Text RuleProblem(const runtime::Text& rule, RuleSyntax syntax = RuleSyntax::Pattern);

// Why the next-page or detail settings cannot run, as the user is told: a next-page rule (when
// next pages are followed) or a detail rule that does not compile or has no group, a detail stage
// without its rule or its column, a column that is neither a caption of the rule's columns nor a
// column number (DetailLinkColumn); empty when they can run or are off. The rule must have passed
// RuleProblem.
runtime::Text LinkSettingsProblem(const CollectionSettings& settings);
// Its two halves: the next-page settings' problem, and the detail stage's.
runtime::Text NextPageProblem(const CollectionSettings& settings);
runtime::Text DetailPageProblem(const CollectionSettings& settings);

// The 0-based column of a record that column names: the first caption equal to it, otherwise a
// column number k from 1 (spaces around it allowed); -1 when it names none.
int DetailLinkColumn(const runtime::Text& column, const std::vector<runtime::Text>& captions);

// Why the cookie cannot be sent, as the user is told: "Cookie 不能超过 64 KB（现为 N 字节）" when
// it is longer than web::kMaxCookieBytes (web::Fetch refuses it); empty when it can be sent.
runtime::Text CookieProblem(const runtime::Text& cookie);

// Downloads one page and prepares its text (decoded, cut, cleaned, and the whole page cleaned
// without the cut) without matching: the observer hears the attempt start and the page text.
PageOutcome TestPage(const runtime::Text& address, const CollectionSettings& settings,
                     Fetcher& fetcher, RunObserver& observer);

// Runs over settings.addresses in order: the run's start, then per page its turn, each attempt's
// start, the page text, the columns the table lacks, one record per match and the attempt's end
// (its warning carrying the note when the matching was given up); a page without a match is
// collected once more, unless its download ran to the whole-transfer limit or already waited out
// a Retry-After, or its matching was given up. A list page's matching has settings.matchBudget,
// both attempts together, and ends within milliseconds of a stop (PrepareAttempt). With next
// pages, each address is followed by the pages its next-page links lead to (settings.next), each
// a page of its own, until a page has no link, its link was met before in the run (an address of
// the run or a next page) or maxNext pages were followed. With detail pages, each record's link
// (settings.detail.column) is resolved against its page's address and the groups of the detail rule's first match on that page are
// appended to the record (empty cells when it fails or does not match; each address is fetched
// once in a run): the observer hears each detail page taken, then the page's records.
// Pages are downloaded, prepared and matched ahead within the settings' limits (MakePageDownloads)
// and reported strictly in the order above. Ends with the run's end when the last page is done or
// the observer asks to stop. The rows are added to table, which the run reads only for its size,
// once, before any event (empty after a fresh start; the rows and columns of earlier runs when
// failed pages are collected again). The rule must have passed RuleProblem and the link settings
// LinkSettingsProblem.
// With a journal, the list pages the run being resumed processed (known by their position in the
// order above and their address) are told from it as they were first told (their page text
// aside), their detail pages with them, and none of them is downloaded again; the run goes on from
// the last of them, following its stored next-page link. The records the journal says were
// collected before are left out of the run (counted in the summary); each list page processed is
// written to it after it is told, and the run stops after a page the journal cannot read or write.
RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher,
                         RunObserver& observer, const ResultTable& table = ResultTable(),
                         RunJournal* journal = nullptr);

// The address of the configuration test: the first line of the address box (the whole box when
// it holds a single line).
runtime::Text FirstAddress(const runtime::Text& addresses);

// The captions of result columns first..last (1-based): "文本 k".
std::vector<runtime::Text> ColumnCaptions(int first, int last);

// The captions of a run's columns as the observer hears them: the list's (the whole match, the
// rule's groupCount groups and the page address, named as RuleCaptions names them) and the
// detail pages' after them (the detail rule's groups; none when the run fetches no detail pages).
struct RunCaptions {
  std::vector<runtime::Text> list;
  std::vector<runtime::Text> detail;
};
RunCaptions CaptionsOfRun(const CollectionSettings& settings, int groupCount);

// The result row of one match of a page: the whole match, groups 1..groupCount (empty when a
// group took no part), then the page address.
Record RecordOf(const runtime::SearchResult& match, const runtime::Text& pageText, int groupCount,
                const runtime::Text& address);

}  // namespace collect
