// A downloaded list page made into the text a rule is matched against (decoded, cut, cleaned), on
// the page the end-to-end benchmarks serve: about 30 KB of mark-up and Chinese text.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/list_pages.h"
#include "collect/page_text.h"
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

}  // namespace

BENCHMARK(PreparePageText)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
