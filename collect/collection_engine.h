// The collection engine: every address downloaded, cut, cleaned and matched, one record per
// match, told to an observer as it happens. It knows no window: the window and `pelmo collect`
// both drive it.
#pragma once

#include <vector>

#include "collect/collection_settings.h"
#include "collect/fetcher.h"
#include "collect/page_outcome.h"
#include "collect/run_observer.h"
#include "runtime/text.h"

namespace collect {

// Browser identification sent with every page request.
inline constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/49.0.2623.221 Safari/537.36 SE 2.X MetaSr 1.0";
// Width of every result column.
inline constexpr int kColumnWidth = 80;

// What the result list holds when a run starts: nothing after a fresh start; the rows and
// columns of earlier runs when failed pages are collected again.
struct ListState {
  int rowCount = 0;
  int columnCount = 0;
};

struct RunSummary {
  int pageCount = 0;
  int pagesDone = 0;    // pages processed to the end (both attempts where there were two)
  int pagesFailed = 0;  // pages whose last attempt failed
  int rowCount = 0;     // rows in the list at the end, earlier ones included
  bool stopped = false;
  std::vector<runtime::Text> failedAddresses;  // in run order
};

// Why the rule cannot run, as the user is told: "正则匹配规则不能为空!" for the empty rule (a rule
// that is empty up to its first zero byte, where a text ends, included), "匹配规则有误: " and the
// engine's reason when it does not compile; empty when it can run.
runtime::Text RuleProblem(const runtime::Text& rule);

// Why the cookie cannot be sent, as the user is told: "Cookie 不能超过 64 KB（现为 N 字节）" when
// it is longer than web::kMaxCookieBytes (web::Fetch refuses it); empty when it can be sent.
runtime::Text CookieProblem(const runtime::Text& cookie);

// The request of one page: GET with the browser agent and the cookie, bounded by the settings'
// page size limit, abandoned when the observer asks to stop.
web::FetchRequest PageRequest(const runtime::Text& address, const CollectionSettings& settings,
                              const RunObserver& observer);

// Downloads one page and prepares its text (decoded, cut, cleaned) without matching: the status
// message names the address and the observer gets the page text.
PageOutcome TestPage(const runtime::Text& address, const CollectionSettings& settings,
                     Fetcher& fetcher, RunObserver& observer);

// Runs over settings.addresses in order: "新的一轮开始处理..", then per page the address, the
// page text, columns the list lacks, one record per match, a count line (with the reason when
// the page failed, and the note when its matching was given up) and a status message; a page
// without a match is collected once more, unless its download ran to the whole-transfer limit or
// already waited out a Retry-After, or its matching was given up. A page's matching has
// settings.matchBudget, both attempts together, and ends within milliseconds of a stop. Pages are
// downloaded, prepared and matched ahead within the settings' limits (MakePageDownloads) and
// reported strictly in address order. Returns when the last page is done or the observer asks to
// stop. The rule must have passed RuleProblem.
RunSummary RunCollection(const CollectionSettings& settings, Fetcher& fetcher,
                         RunObserver& observer, ListState start = {});

// The message that ends a run: "共N条数据", with "，M个网址下载失败" when pages failed, or
// "已停止：处理了 i / n 个网址，共N条数据" after a stop.
runtime::Text FinalMessage(const RunSummary& summary);

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
