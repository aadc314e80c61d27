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
};

}  // namespace collect
