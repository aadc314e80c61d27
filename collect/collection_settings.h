// What a collection run needs: the addresses, the request texts, the markers, the rule, how pages
// are decoded and how politely they are fetched. Taken once when a run starts.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "collect/match_rule.h"
#include "runtime/text.h"

namespace collect {

// How a page's bytes become text: GBK as they are, UTF-8 converted, or as the page declares
// (GBK when it declares nothing).
enum class PageEncoding { Gbk, Utf8, Auto };

// Limits on downloading: connections to one host at once, pages in flight overall, and the pause
// between two requests to the same host. 1 and 1 fetch one page at a time, as a sequential run.
struct FetchPoliteness {
  int perHost = 4;
  int jobs = 16;
  std::chrono::milliseconds delay{0};
};

inline constexpr std::int64_t kDefaultMaxPageBytes = std::int64_t{256} * 1024 * 1024;
// Time the rule may spend matching one page, both attempts of the page together.
inline constexpr std::chrono::milliseconds kDefaultMatchBudget{10000};

// What the next-page rule is matched on: the text the match rule sees (cut and cleaned), or the
// whole page cleaned the same way but not cut.
enum class NextPageScope { PageText, WholePage };

inline constexpr int kDefaultMaxNextPages = 50;

// Following a list over its next-page links: the rule (same placeholders as the match rule; the
// first group of its first match, or the whole match when it has no group, is the link), and how
// many next pages are followed from one address of the list at most.
struct NextPageSettings {
  runtime::Text rule;  // empty (up to its first zero byte): no next page is followed
  int maxNext = kDefaultMaxNextPages;
  NextPageScope scope = NextPageScope::PageText;

  friend bool operator==(const NextPageSettings&, const NextPageSettings&) = default;
};

// The detail stage: the column of a record that holds the link to its detail page (a caption, or
// the number k of "文本 k"), the markers that cut the detail page and the rule whose first match's
// groups are added to the record.
struct DetailSettings {
  runtime::Text column;
  runtime::Text before;  // cut markers; "#引号" stands for a double quote
  runtime::Text after;
  runtime::Text rule;

  friend bool operator==(const DetailSettings&, const DetailSettings&) = default;
};

// Whether next pages are followed: a rule that is not empty and a limit above 0.
bool FollowsNextPages(const NextPageSettings& next);
// Whether detail pages are fetched: a column or a rule is given (a run needs both, see
// LinkSettingsProblem).
bool FetchesDetailPages(const DetailSettings& detail);

struct CollectionSettings {
  // The pages in run order, exactly as the address box's lines hold them (empty lines included).
  std::vector<runtime::Text> addresses;
  runtime::Text cookie;
  runtime::Text before;  // cut markers; "#引号" stands for a double quote
  runtime::Text after;
  runtime::Text rule;    // the match rule with its placeholders
  RuleSyntax ruleSyntax = RuleSyntax::Pattern;
  PageEncoding encoding = PageEncoding::Gbk;
  FetchPoliteness fetching;
  std::int64_t maxPageBytes = kDefaultMaxPageBytes;
  std::chrono::milliseconds matchBudget = kDefaultMatchBudget;
  NextPageSettings next;
  DetailSettings detail;
};

}  // namespace collect
