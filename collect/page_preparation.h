// The steps from a downloaded answer to a page the engine reports: decoded, cut and cleaned,
// matched, with the addresses of its next page and of its records' detail pages. Pure, so that
// download threads run them several at once.
#pragma once

#include "collect/collection_settings.h"
#include "collect/page_outcome.h"
#include "runtime/regex.h"
#include "runtime/search_limits.h"
#include "runtime/text.h"
#include "web/fetch.h"

namespace collect {

// The rules of a run, compiled once: the match rule, and the next-page and detail rules when the
// run follows links.
struct RunRules {
  runtime::Regex list;
  int groupCount = 0;
  // The list rule may find in a UTF-8 page's own bytes what it finds in the page converted
  // (runtime::Regex::MayMatchAlikeInUtf8), and the run follows no next pages: a UTF-8 page is then
  // cut and cleaned in UTF-8, and when the rule does (MatchesAlikeInUtf8 of the text) matched in
  // UTF-8 too, only its records' cells converted.
  bool matchesAlikeInUtf8 = false;
  bool followsNext = false;
  runtime::Regex next;
  NextPageScope nextScope = NextPageScope::PageText;
  int maxNext = 0;
  bool fetchesDetails = false;
  runtime::Regex detail;
  int detailGroupCount = 0;
  int linkColumn = -1;  // the record's cell that holds the detail page's link
};

RunRules CompileRules(const CollectionSettings& settings);

// Decoded (as the settings' encoding says, or as the page declares), cut between the settings'
// markers and cleaned, with the failure reason and the encoding warning; with keepWholePage, the
// whole page cleaned without the cut as well. Not matched: no records yet, the text their source.
PageOutcome PrepareOutcome(const runtime::Text& address, web::FetchResponse&& response,
                           const CollectionSettings& settings, bool keepWholePage);

// The address the first group of the rule's first match on text leads to, resolved against
// pageAddress (web::LinkAddress); empty without a match. The search ends within the limits, with
// the first match it found before it was stopped or given up.
runtime::Text FirstLinkAddress(const runtime::Regex& rule, const runtime::Text& text,
                               const runtime::Text& pageAddress, const runtime::SearchLimits& limits);

// The records of the rule's matches on page's source (its cut and cleaned text), as a run keeps
// them: a record a match, its cells the match's groups as slices of the text and the page address
// (rules.groupCount + 1), then room for the detail page's cells when the run fetches them; with
// textInUtf8 (the source is UTF-8, rules.matchesAlikeInUtf8) each cell a conversion of its bytes.
// The search keeps within limits; report tells how it ended (its matches are the records).
RecordList MatchRecords(const RunRules& rules, const RecordList& page, bool textInUtf8, const runtime::Text& address,
                        const runtime::SearchLimits& limits, runtime::SearchReport& report);

// The detail page's address of a record of MatchRecords: its link cell (rules.linkColumn; the page
// address for a column past the groups) resolved against base, the page's address after redirects.
runtime::Text DetailAddressOf(const RecordList& records, std::size_t record, const runtime::Text& base,
                              const RunRules& rules);

// An attempt at a list page prepared and matched, with its next page's address (on the page text
// or the whole page, as the settings say) and each match's detail page address when the run
// follows them. A stopped attempt is not matched. The match rule's search keeps within matching
// (its time noted in PageOutcome::matchingTime): when the budget runs out or the engine gives up,
// the matches before stand and the attempt is the page's last (tooComplex); a stop request
// granted during it makes the attempt a stopped one. The next-page search has the same stop
// request and a budget of settings.matchBudget.
PageOutcome PrepareAttempt(const runtime::Text& address, web::FetchResponse&& response,
                           const CollectionSettings& settings, const RunRules& rules,
                           const runtime::SearchLimits& matching);

// A detail page prepared: decoded as list pages are, cut with the detail markers, cleaned, and
// the groups of the detail rule's first match, found within the limits (a stop request granted
// makes it a stopped one).
DetailOutcome PrepareDetail(const runtime::Text& address, web::FetchResponse&& response,
                            const CollectionSettings& settings, const runtime::Regex& rule,
                            const runtime::SearchLimits& limits);

}  // namespace collect
