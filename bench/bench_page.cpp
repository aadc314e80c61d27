// A downloaded list page made into the text a rule is matched against (decoded, cut, cleaned), and
// made into its records with the default rule, on the page the end-to-end benchmarks serve: about
// 30 KB of mark-up and Chinese text.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/list_pages.h"
#include "collect/collection_project.h"
#include "collect/page_preparation.h"
#include "collect/page_text.h"
#include "collect/stored_records.h"
#include "runtime/code_page.h"

namespace {

void PreparePageText(benchmark::State& state) {
  const bool gbk = state.range(0) == 1;
  const std::string page = bench_pages::ListPage(1, gbk);
  const runtime::Text before = "list-item";
  const runtime::Text after = "</html>";
  for (auto _ : state) {
    runtime::ByteSet body = page;
    benchmark::DoNotOptimize(collect::PreparePageText(std::move(body), gbk, before, after));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
  state.SetLabel(gbk ? "GBK" : "UTF-8");
}

void PrepareAttempt(benchmark::State& state) {
  const bool gbk = state.range(0) == 1;
  const std::string page = bench_pages::ListPage(1, gbk);
  collect::CollectionProject project;
  project.encoding = gbk ? collect::PageEncoding::Gbk : collect::PageEncoding::Utf8;
  const collect::CollectionSettings settings = collect::SettingsForRun(project);
  const collect::RunRules rules = collect::CompileRules(settings);
  std::size_t records = 0;
  for (auto _ : state) {
    web::FetchResponse response;
    response.status = 200;
    response.body = page;
    records = collect::PrepareAttempt("http://h/list_1.html", std::move(response), settings, rules, {}).records.Size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
  state.SetLabel(std::string(gbk ? "GBK, " : "UTF-8, ") + std::to_string(records) + " records");
}

// A prepared page's records coded for the run store: their cells, and with 1 their digests too (a
// run that leaves out records collected before).
void StoreRecordsOf(benchmark::State& state) {
  const bool digests = state.range(0) == 1;
  const std::string page = bench_pages::ListPage(1, true);
  collect::CollectionProject project;
  const collect::CollectionSettings settings = collect::SettingsForRun(project);
  const collect::RunRules rules = collect::CompileRules(settings);
  web::FetchResponse response;
  response.status = 200;
  response.body = page;
  collect::JournalPage journalPage;
  journalPage.records = collect::PrepareAttempt("http://h/list_1.html", std::move(response), settings, rules, {}).records;
  journalPage.collectedBefore.assign(journalPage.records.Size(), false);
  collect::StoredRecords stored;
  for (auto _ : state) {
    collect::StoreRecordsOf(journalPage, stored);
    if (digests) collect::StoreDigestsOf(journalPage.records, {{}, rules.groupCount + 1}, stored);
  }
  state.SetLabel(std::to_string(journalPage.records.Size()) + " records, " + std::to_string(stored.cells.size()) +
                 " bytes of cells");
}

}  // namespace

BENCHMARK(PreparePageText)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareAttempt)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(StoreRecordsOf)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
