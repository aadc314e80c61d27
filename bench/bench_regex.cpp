// Speed of Regex::SearchAll with the default match rule on a generated list page: on the template
// matcher (the rule's path), on the backtracking engine alone, and with std::regex.
//
// The page: `entries` list entries the default rule matches, each padded with filler mark-up to
// the same size, CR and LF absent as the collection run leaves them. bench/regex_python.py builds
// the same page byte for byte (or reads the one written with --write-page=PATH) and times
// Python's re on it, so the figures can be compared side by side.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/regex.h"

namespace {

constexpr std::size_t kMegabyte = 1024 * 1024;

// The default rule "<li> <a href="[var]/[int].html" title="[var]"> <span [var0]</li>" as the
// match-rule translation turns it into an expression.
constexpr const char* kTranslatedDefaultRule =
    R"rx(<li> <a href="(.*?)/(\d*).html" title="(.*?)"> <span .*?</li>)rx";

// "新闻" in GBK, so titles carry double-byte characters.
constexpr const char* kNewsGbk = "\xD0\xC2\xCE\xC5";

constexpr std::string_view kLorem = "lorem ipsum dolor sit amet consectetur ";

std::string Lorem(std::size_t length) {
  std::string text;
  while (text.size() < length) text.append(kLorem);
  text.resize(length);
  return text;
}

std::string Entry(int index) {
  return "<li> <a href=\"/news/" + std::to_string(2000 + index % 24) + "/" +
         std::to_string(100000 + index) + ".html\" title=\"" + kNewsGbk + " " +
         std::to_string(index) + "\"> <span class=\"date\">2023-" + std::to_string(1 + index % 12) +
         "-" + std::to_string(1 + index % 28) + "</span></li>";
}

// A page of exactly `bytes` bytes holding `entries` matching entries at even spacing.
std::string ListPage(std::size_t bytes, int entries) {
  const std::size_t slot = bytes / static_cast<std::size_t>(entries);
  const std::string open = "<div class=\"gap\">";
  const std::string close = "</div>";
  std::string page;
  page.reserve(bytes);
  for (int index = 0; index < entries; ++index) {
    const std::string entry = Entry(index);
    page += entry;
    page += open;
    page += Lorem(slot - entry.size() - open.size() - close.size());
    page += close;
  }
  page += Lorem(bytes - page.size());
  return page;
}

const std::string& CachedPage(int megabytes, int entries) {
  static std::map<std::pair<int, int>, std::string> pages;
  auto [it, added] = pages.try_emplace({megabytes, entries});
  if (added) it->second = ListPage(static_cast<std::size_t>(megabytes) * kMegabyte, entries);
  return it->second;
}

void ReportRates(benchmark::State& state, std::size_t pageBytes, std::size_t matches) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * pageBytes));
  state.counters["matches"] = static_cast<double>(matches);
  state.counters["matches/s"] = benchmark::Counter(
      static_cast<double>(matches * state.iterations()), benchmark::Counter::kIsRate);
}

void SearchAllWith(benchmark::State& state, bool backtrackingOnly) {
  const std::string& page =
      CachedPage(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  runtime::Regex compiled;
  if (!compiled.Create(kTranslatedDefaultRule, runtime::Case::Insensitive) || !compiled.UsesTemplateMatcher()) {
    state.SkipWithError("the translated default rule does not compile to a template");
    return;
  }
  const runtime::Regex regex = backtrackingOnly ? compiled.WithBacktrackingOnly() : compiled;
  std::size_t matches = 0;
  for (auto _ : state) {
    const std::vector<runtime::SearchResult> results = regex.SearchAll(page);
    matches = results.size();
    benchmark::DoNotOptimize(results.data());
  }
  ReportRates(state, page.size(), matches);
}

void BM_SearchAll(benchmark::State& state) { SearchAllWith(state, false); }
void BM_SearchAllBacktracking(benchmark::State& state) { SearchAllWith(state, true); }

// The same walk with std::regex: ECMAScript, case-insensitive, each search from the end of the
// previous match, positions recorded. The page holds no line break, so its '.' means the same.
void BM_StdRegex(benchmark::State& state) {
  const std::string& page =
      CachedPage(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::regex expression(kTranslatedDefaultRule, std::regex::ECMAScript | std::regex::icase);
  std::size_t matches = 0;
  for (auto _ : state) {
    std::vector<std::vector<std::pair<long, long>>> results;
    const char* const begin = page.data();
    const char* const end = begin + page.size();
    const char* from = begin;
    std::cmatch match;
    while (std::regex_search(from, end, match, expression)) {
      std::vector<std::pair<long, long>> entries;
      for (const auto& sub : match) entries.emplace_back(sub.first - begin, sub.length());
      results.push_back(std::move(entries));
      if (match[0].length() == 0) break;
      from = match[0].second;
    }
    matches = results.size();
    benchmark::DoNotOptimize(results.data());
  }
  ReportRates(state, page.size(), matches);
}

// Arguments: page size in megabytes (2^20 bytes), number of matching entries.
BENCHMARK(BM_SearchAll)->Args({10, 50000})->Args({20, 100000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchAllBacktracking)->Args({10, 50000})->Args({20, 100000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegex)->Args({10, 50000})->Args({20, 100000})->Unit(benchmark::kMillisecond);

// Writes the 10 MB page to path for bench/regex_python.py --page=PATH.
int WritePage(const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  file << CachedPage(10, 50000);
  if (!file) {
    std::cerr << "cannot write " << path << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view kWritePage = "--write-page=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.substr(0, kWritePage.size()) == kWritePage) {
      return WritePage(std::string(argument.substr(kWritePage.size())));
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
