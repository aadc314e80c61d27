// Downloads a 100 MiB body from a loopback server through Fetch and, in the same run, with the
// curl command-line tool, once into /dev/null (the transfer alone) and once into a file in
// /dev/shm (the body kept in memory, as Fetch must keep it); reports the throughputs, the ratios
// (of the mean and of the fastest run), the client's processor time and Fetch's peak memory. Beside it, a small page fetched over one kept connection and over a fresh one each time.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/loopback_server.h"
#include "web/fetch.h"

extern char** environ;

namespace {

constexpr std::size_t kBlock = 1 << 20;
constexpr std::size_t kBlocks = 100;
constexpr std::size_t kBodySize = kBlock * kBlocks;

// The server sends the body from one repeated block, so that it holds 1 MiB, not 100.
test_support::LoopbackServer& Server() {
  static test_support::LoopbackServer* server = [] {
    auto* created = new test_support::LoopbackServer();
    test_support::Reply reply;
    reply.bytes = test_support::HttpResponseHead(200, kBodySize, {"Content-Type: application/octet-stream"});
    reply.repeatedBlock = std::string(kBlock, 'b');
    reply.repeatCount = kBlocks;
    created->Serve("/big", reply);
    const std::string page(16 * 1024, 'p');
    created->Serve("/page-kept", test_support::HttpResponse(200, page, {"Connection: keep-alive"}));
    created->Serve("/page-closed", test_support::HttpResponse(200, page));
    return created;
  }();
  return *server;
}

// A figure of /proc/self/status in bytes (VmRSS, VmHWM); 0 when it cannot be read.
std::size_t StatusBytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1)) * 1024;
  }
  return 0;
}

// Lowers the peak-RSS mark to the current RSS, so that the next peak belongs to what follows.
bool ResetPeakMemory() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
  clearRefs.flush();
  return static_cast<bool>(clearRefs);
}

// Time of every run and of the fastest one: on a shared machine the fastest run is the one least
// disturbed by other work.
// The client's processor time (user and system) is counted too: it is what the machine's load
// disturbs least.
struct Totals {
  double seconds = 0;
  double bestSeconds = 0;
  double cpuSeconds = 0;
  std::size_t runs = 0;
  void Add(double runSeconds, double runCpuSeconds) {
    seconds += runSeconds;
    cpuSeconds += runCpuSeconds;
    bestSeconds = runs == 0 ? runSeconds : std::min(bestSeconds, runSeconds);
    ++runs;
  }
  double MebibytesPerSecond() const { return runs ? kBodySize * runs / seconds / (1 << 20) : 0; }
  double BestMebibytesPerSecond() const { return runs ? kBodySize / bestSeconds / (1 << 20) : 0; }
  double CpuMillisecondsPerRun() const { return runs ? cpuSeconds * 1000 / runs : 0; }
};

// User and system time so far of the calling thread, or of the waited-for children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
Totals fetchTotals;
Totals curlToNullTotals;
Totals curlToMemoryTotals;
double worstPeakRatio = 0;

void BM_Fetch(benchmark::State& state) {
  const std::string url = Server().Url("/big");
  bool peakMeasured = true;
  for (auto _ : state) {
    peakMeasured = ResetPeakMemory() && peakMeasured;
    std::size_t before = StatusBytes("VmRSS");
    auto start = std::chrono::steady_clock::now();
    double cpuStart = CpuSeconds(RUSAGE_THREAD);
    web::FetchRequest request;
    request.address = url;
    runtime::ByteSet body = web::Fetch(request).body;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpuSeconds = CpuSeconds(RUSAGE_THREAD) - cpuStart;
    std::size_t peak = StatusBytes("VmHWM");
    if (body.size() != kBodySize) {
      state.SkipWithError("body incomplete");
      break;
    }
    double ratio = static_cast<double>(peak > before ? peak - before : 0) / kBodySize;
    worstPeakRatio = std::max(worstPeakRatio, ratio);
    state.counters["peak_x_body"] = ratio;
    fetchTotals.Add(seconds, cpuSeconds);
  }
  if (!peakMeasured) state.SetLabel("peak memory not measured: /proc/self/clear_refs not writable");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodySize));
}

// Runs the curl tool on the body, writing it to output; false when it fails.
bool RunCurlTool(const std::string& output) {
  const std::string url = Server().Url("/big");
  const char* argv[] = {"curl", "-s", "--http1.1", "--noproxy", "*", "-o", output.c_str(), url.c_str(), nullptr};
  pid_t child = 0;
  int status = 0;
  return posix_spawnp(&child, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) == 0 &&
         waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void MeasureCurlTool(benchmark::State& state, const std::string& output, Totals& totals) {
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = CpuSeconds(RUSAGE_CHILDREN);
    if (!RunCurlTool(output)) {
      state.SkipWithError("curl tool failed");
      break;
    }
    totals.Add(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               CpuSeconds(RUSAGE_CHILDREN) - cpuStart);
    state.PauseTiming();
    if (output != "/dev/null") std::remove(output.c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodySize));
}

void BM_CurlToolToNull(benchmark::State& state) { MeasureCurlTool(state, "/dev/null", curlToNullTotals); }

void BM_CurlToolToMemory(benchmark::State& state) {
  MeasureCurlTool(state, "/dev/shm/pelmo-bench-http-" + std::to_string(getpid()), curlToMemoryTotals);
}

// A 16 KiB page fetched again and again, the connection kept open by the server's answer or
// closed after each: what connection reuse saves per page.
void BM_SmallPage(benchmark::State& state, const char* path) {
  web::FetchRequest request;
  request.address = Server().Url(path);
  const std::size_t connectionsBefore = Server().ConnectionCount();
  for (auto _ : state) {
    if (web::Fetch(request).body.size() != 16 * 1024) {
      state.SkipWithError("page incomplete");
      break;
    }
  }
  state.counters["connections"] = static_cast<double>(Server().ConnectionCount() - connectionsBefore);
}
BENCHMARK_CAPTURE(BM_SmallPage, connection_closed, "/page-closed")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SmallPage, connection_kept, "/page-kept")->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK(BM_Fetch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_CurlToolToNull)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_CurlToolToMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void PrintSummary() {
  if (!fetchTotals.runs || !curlToNullTotals.runs || !curlToMemoryTotals.runs) return;
  double http = fetchTotals.MebibytesPerSecond();
  double toNull = curlToNullTotals.MebibytesPerSecond();
  double toMemory = curlToMemoryTotals.MebibytesPerSecond();
  std::printf("\n100 MiB body, mean of the runs: Fetch %.0f MiB/s; curl tool into /dev/null %.0f MiB/s, into /dev/shm %.0f MiB/s\n",
              http, toNull, toMemory);
  std::printf("Fetch time / curl tool time: %.2fx against /dev/null, %.2fx against /dev/shm (goal <= 1.5x)\n",
              toNull / http, toMemory / http);
  double bestHttp = fetchTotals.BestMebibytesPerSecond();
  std::printf("Fastest runs: Fetch %.0f MiB/s; curl tool into /dev/null %.0f MiB/s: %.2fx\n", bestHttp,
              curlToNullTotals.BestMebibytesPerSecond(), curlToNullTotals.BestMebibytesPerSecond() / bestHttp);
  std::printf("Client processor time per run: Fetch %.1f ms; curl tool into /dev/null %.1f ms: %.2fx\n",
              fetchTotals.CpuMillisecondsPerRun(), curlToNullTotals.CpuMillisecondsPerRun(),
              fetchTotals.CpuMillisecondsPerRun() / curlToNullTotals.CpuMillisecondsPerRun());
  std::printf("Fetch peak memory: %.2fx the body size (goal <= 1.5x)\n", worstPeakRatio);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}
