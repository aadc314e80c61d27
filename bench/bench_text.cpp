// FindText, ReplaceSubtext and SplitText on large pages, and UTF-8 read into the program's code page, beside plain standard-library versions
// that ignore the double-byte rule. Pages: mostly ASCII mark-up, and mostly Chinese mark-up.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace {

using runtime::Text;

// One list entry; `title` decides whether the page is mostly ASCII or mostly Chinese.
std::string Entry(int number, const std::string& title) {
  return "<li>  <a href=\"/news/2026/" + std::to_string(number) + ".html\" title=\"" + title +
         "\">\t<span class=\"d\">2026-12-07</span></a></li>\r\n";
}

Text MakePage(size_t size, bool chinese) {
  const Text asciiTitle = "Quarterly results beat the forecast of analysts again " +
                          runtime::T("新闻");
  const Text chineseTitle = runtime::T(
      "国家统计局今日发布最新数据显示全国居民消费价格同比上涨百分之二点一其中城市上涨农村持平食品价格下降"
      "非食品价格上涨消费品价格上涨服务价格上涨");
  Text page = "<html><body><ul class=\"list-item\">\r\n";
  for (int number = 0; page.size() < size; ++number) {
    page += Entry(number, chinese ? chineseTitle : asciiTitle);
  }
  page.resize(size - 7);
  page += "</html>";
  return page;
}

const Text& Page(bool chinese, size_t size) {
  static Text ascii10, chinese10, ascii20, chinese20;
  Text& page = size > (10u << 20) ? (chinese ? chinese20 : ascii20) : (chinese ? chinese10 : ascii10);
  if (page.empty()) page = MakePage(size, chinese);
  return page;
}

std::string StdReplaceAll(std::string_view text, std::string_view search, std::string_view with) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t found; (found = text.find(search, from)) != std::string_view::npos;
       from = found + search.size()) {
    out.append(text, from, found - from);
    out.append(with);
  }
  out.append(text, from);
  return out;
}

std::vector<std::string> StdSplit(std::string_view text, std::string_view delimiter) {
  std::vector<std::string> pieces;
  size_t from = 0;
  for (size_t found; (found = text.find(delimiter, from)) != std::string_view::npos;
       from = found + delimiter.size()) {
    pieces.emplace_back(text.substr(from, found - from));
  }
  if (from < text.size()) pieces.emplace_back(text.substr(from));
  return pieces;
}

void SetUp(benchmark::State& state, const Text& page) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

template <bool kChinese>
void FindText(benchmark::State& state) {
  const Text& page = Page(kChinese, static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(runtime::FindText(page, "</html>"));
  SetUp(state, page);
}

template <bool kChinese>
void StdFind(benchmark::State& state) {
  const Text& page = Page(kChinese, static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(std::string_view(page).find("</html>"));
  SetUp(state, page);
}

template <bool kChinese>
void ReplaceSubtext(benchmark::State& state) {
  const Text& page = Page(kChinese, static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(runtime::ReplaceSubtext(page, "  ", Text(" "), std::nullopt,
                                                     std::nullopt, runtime::Case::Sensitive));
  }
  SetUp(state, page);
}

template <bool kChinese>
void StdReplace(benchmark::State& state) {
  const Text& page = Page(kChinese, static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(StdReplaceAll(page, "  ", " "));
  SetUp(state, page);
}

template <bool kChinese>
void SplitText(benchmark::State& state) {
  const Text& page = Page(kChinese, static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(runtime::SplitText(page, Text("\r\n")));
  SetUp(state, page);
}

template <bool kChinese>
void StdSplitText(benchmark::State& state) {
  const Text& page = Page(kChinese, static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(StdSplit(page, "\r\n"));
  SetUp(state, page);
}

// A UTF-8 page read into the program's code page: the step every UTF-8 page takes.
template <bool kChinese>
void Utf8ToText(benchmark::State& state) {
  static const std::string utf8 = runtime::TextToUtf8(Page(kChinese, static_cast<size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(runtime::Utf8ToText(utf8));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(utf8.size()));
}

constexpr int64_t k10MB = 10 << 20;
constexpr int64_t k20MB = 20 << 20;

#define PAGE_BENCHMARK(function)                                                               \
  BENCHMARK(function<false>)->Name(#function "/ascii")->Arg(k10MB)->Arg(k20MB)->Unit(benchmark::kMillisecond); \
  BENCHMARK(function<true>)->Name(#function "/chinese")->Arg(k10MB)->Arg(k20MB)->Unit(benchmark::kMillisecond)

PAGE_BENCHMARK(FindText);
PAGE_BENCHMARK(StdFind);
PAGE_BENCHMARK(ReplaceSubtext);
PAGE_BENCHMARK(StdReplace);
PAGE_BENCHMARK(SplitText);
PAGE_BENCHMARK(StdSplitText);
BENCHMARK(Utf8ToText<true>)->Name("Utf8ToText/chinese")->Arg(k10MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
