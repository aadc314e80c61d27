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

// Why the cookie cannot be sent, as the user is told: "Cookie 不能超过 64 KB（现为 N 字节）" when
// it is longer than web::kMaxCookieBytes (web::Fetch refuses it); empty when it can be sent.
runtime::Text CookieProblem(const runtime::Text& cookie);

// Downloads one page and prepares its text (decoded, cut, cleaned) without matching: the observer
// hears the attempt start and the page text.
PageOutcome TestPage(const runtime::Text& address, const CollectionSettings& settings,
                     Fetcher& fetcher, RunObserver& observer);

// Runs over settings.addresses in order: the run's start, then per page its turn, each attempt's
// start, the page text, the columns the table lacks, one record per match and the attempt's end;
// a page without a match is collected once more, unless its download ran to the whole-transfer
// limit or already waited out a Retry-After. Pages are downloaded, prepared and matched ahead
// within the settings' limits (MakePageDownloads) and reported strictly in address order. Ends
// with the run's end when the last page is done or the observer asks to stop. The rows are added to table, which the run reads only for its
// size, once, before any event (empty after a fresh start; the rows and columns of earlier runs
// when failed pages are collected again). The rule must have passed RuleProblem.
// With a journal, the pages the run being resumed processed are told from it as they were first
// told (their page text aside) and never downloaded; the records it says were collected before
// are left out of the run (counted in the summary); each page processed is written to it after it
// is told, and the run stops after a page the journal cannot read or write.
RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher,
                         RunObserver& observer, const ResultTable& table = ResultTable(),
                         RunJournal* journal = nullptr);

// The address of the configuration test: the first line of the address box (the whole box when
// it holds a single line).
runtime::Text FirstAddress(const runtime::Text& addresses);

// The captions of result columns first..last (1-based): "文本 k".
std::vector<runtime::Text> ColumnCaptions(int first, int last);

// The result row of one match of a page: the whole match, groups 1..groupCount (empty when a
// group took no part), then the page address.
Record RecordOf(const runtime::SearchResult& match, const runtime::Text& pageText, int groupCount,
                const runtime::Text& address);

}  // namespace collect
