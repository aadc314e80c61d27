// The link settings tried on the tested page.
#include "collect/link_test.h"

#include <memory>

#include "collect/collection_engine.h"
#include "collect/page_downloads.h"
#include "collect/page_preparation.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"

namespace collect {

using runtime::T;
using runtime::Text;

NextPageTest TestNextPage(const TestedPageTexts& page, const CollectionSettings& settings) {
  NextPageTest test;
  if (!FollowsNextPages(settings.next)) {
    test.problem = T("未设置翻页规则（或最多翻页数为 0）");
    return test;
  }
  test.problem = NextPageProblem(settings);
  if (!test.problem.empty()) return test;
  const RunRules rules = CompileRules(settings);
  const bool whole = settings.next.scope == NextPageScope::WholePage;
  test.address =
      FirstLinkAddress(rules.next, whole ? page.wholePageText : page.pageText, page.address, {settings.matchBudget, {}});
  if (test.address.empty()) test.problem = T("测试页上没有找到下一页的链接");
  return test;
}

DetailPageTest TestDetailPage(const TestedPageTexts& page, const CollectionSettings& settings, Fetcher& fetcher,
                              const RunObserver& observer) {
  DetailPageTest test;
  if (!FetchesDetailPages(settings.detail)) {
    test.problem = T("未设置详细页");
    return test;
  }
  test.problem = DetailPageProblem(settings);
  if (!test.problem.empty()) return test;
  const RunRules rules = CompileRules(settings);
  test.captions = CaptionsOfRun(settings, rules.groupCount).detail;
  runtime::SearchReport report;
  const RecordList records = MatchRecords(rules, RecordList(std::make_shared<const Text>(page.pageText)), false,
                                          page.address, {settings.matchBudget, {}}, report);
  if (records.Empty()) {
    test.problem = T("测试页上没有纪录");
    return test;
  }
  test.address = DetailAddressOf(records, 0, page.address, rules);
  if (test.address.empty()) {
    test.problem = T("第一条纪录没有详细页链接");
    return test;
  }
  const runtime::SearchLimits limits{settings.matchBudget, [&observer] { return observer.StopRequested(); }};
  const DetailOutcome detail = PrepareDetail(
      test.address, DownloadPage(test.address, settings, fetcher, observer), settings, rules.detail, limits);
  test.cells = detail.cells;
  if (detail.stopped) {
    test.problem = T("已停止");
  } else if (!detail.reason.empty()) {
    test.problem = T("详细页下载失败（") + detail.reason + T("）");
  } else if (!detail.matched) {
    test.problem = T("详细页匹配规则在详细页上没有匹配");
  }
  return test;
}

}  // namespace collect
