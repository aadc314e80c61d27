// Filling the hidden result list with a million rows of five cells of about 30 bytes each: on
// the program's main window in batches of 20 rows (a list page's worth, as a run adds them), and
// the same rows through a QTableWidget, the widget a Qt program would reach for first.
//
// Each fill runs in a child process of its own (this program started again with --fill=...), so
// that the memory it takes is measured alone: the growth of the resident set from just before
// the first row to just after the view has been told about the last, and the growth of its peak.
// Options: --rows=N (default 1000000) and the usual Google Benchmark flags.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "window/main_window.h"
#include "window/report_list_view.h"

namespace {

constexpr int kColumns = 5;
// Rows a run adds at a time: one list page's records.
constexpr int kBatchRows = 20;

struct FillResult {
  double seconds = 0;      // processor time of the fill
  double wallSeconds = 0;  // elapsed time of the fill
  double rssMegabytes = 0;
  double peakMegabytes = 0;
};

// A line of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
double StatusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      return std::atof(line.c_str() + field.size() + 1);
    }
  }
  return 0;
}

// The texts of the cells of one row, about 30 bytes each, different in every cell; made cheaply so
// that the fill, not the making of its texts, is what is timed.
class CellTexts {
public:
  CellTexts() : length_(std::strlen(kPattern)) { std::memcpy(text_, kPattern, length_); }
  // Counts the row number up by one, digit by digit.
  void NextRow() {
    for (int digit = kRowEnd - 1; digit >= kRowStart; --digit) {
      if (text_[digit] != '9') {
        ++text_[digit];
        return;
      }
      text_[digit] = '0';
    }
  }
  std::string_view Cell(int column) {
    text_[kColumnAt] = static_cast<char>('0' + column);
    return std::string_view(text_, length_);
  }

private:
  static constexpr const char* kPattern = "http://example.com/0000000/c0.htm";
  static constexpr int kRowStart = 19;
  static constexpr int kRowEnd = 26;
  static constexpr int kColumnAt = 28;
  std::size_t length_;
  char text_[64];
};

// CPU time of the calling thread (kernel time included): steadier than the wall clock on a
// machine that does other work meanwhile.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs a fill and measures its time and the memory it leaves taken.
template <typename Fill>
FillResult Measure(Fill fill) {
  const double rssBefore = StatusKilobytes("VmRSS");
  const double peakBefore = StatusKilobytes("VmHWM");
  const double cpuStart = ThreadSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  fill();
  const auto wallEnd = std::chrono::steady_clock::now();
  FillResult result;
  result.seconds = ThreadSeconds() - cpuStart;
  result.wallSeconds = std::chrono::duration<double>(wallEnd - wallStart).count();
  result.rssMegabytes = (StatusKilobytes("VmRSS") - rssBefore) / 1024;
  result.peakMegabytes = (StatusKilobytes("VmHWM") - std::max(peakBefore, rssBefore)) / 1024;
  return result;
}

FillResult FillProgramList(int rows) {
  auto* window = new window::MainWindow;
  window::ReportListView* list = window->Controls().list;
  std::vector<runtime::Text> captions;
  for (int column = 0; column < kColumns; ++column) captions.push_back("c" + std::to_string(column));
  list->Model().AddColumns(captions);
  list->hide();
  QCoreApplication::processEvents();
  // One batch reused, its texts overwritten in place, so that the making of the texts is not timed.
  std::vector<collect::Record> batch(kBatchRows, collect::Record{std::vector<runtime::Text>(kColumns)});
  const FillResult result = Measure([rows, list, &batch] {
    CellTexts cells;
    for (int row = 0; row < rows;) {
      const int count = std::min(kBatchRows, rows - row);
      batch.resize(static_cast<std::size_t>(count));
      for (collect::Record& record : batch) {
        for (int column = 0; column < kColumns; ++column) record.cells[static_cast<std::size_t>(column)] = cells.Cell(column);
        cells.NextRow();
      }
      list->Model().AddRows(batch);
      row += count;
    }
    list->show();
    QCoreApplication::processEvents();
  });
  if (list->Model().rowCount() != rows) {
    std::abort();
  }
  return result;
}

FillResult FillTableWidget(int rows) {
  QTableWidget table(0, kColumns);
  table.resize(856, 206);
  table.hide();
  QCoreApplication::processEvents();
  const FillResult result = Measure([rows, &table] {
    CellTexts cells;
    for (int row = 0; row < rows; ++row, cells.NextRow()) {
      table.insertRow(row);
      for (int column = 0; column < kColumns; ++column) {
        const std::string_view cell = cells.Cell(column);
        table.setItem(row, column,
                      new QTableWidgetItem(
                          QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()))));
      }
    }
    QCoreApplication::processEvents();
  });
  if (table.rowCount() != rows) {
    std::abort();
  }
  return result;
}

// Child process: one fill, its figures on standard output.
int RunChild(const std::string& kind, int rows, int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  const FillResult result = kind == "table-widget" ? FillTableWidget(rows) : FillProgramList(rows);
  std::printf("%.6f %.6f %.3f %.3f\n", result.seconds, result.wallSeconds, result.rssMegabytes,
              result.peakMegabytes);
  std::fflush(stdout);
  // The process ends here; tearing a million rows down would only add to the wait.
  std::_Exit(0);
}

FillResult RunFillInChild(const std::string& kind, int rows) {
  const std::string command = "/proc/" + std::to_string(getpid()) + "/exe --fill=" + kind +
                              " --rows=" + std::to_string(rows);
  FILE* child = popen(command.c_str(), "r");
  FillResult result;
  if (child == nullptr ||
      std::fscanf(child, "%lf %lf %lf %lf", &result.seconds, &result.wallSeconds,
                  &result.rssMegabytes, &result.peakMegabytes) != 4) {
    std::cerr << "the fill in a child process failed: " << command << "\n";
    std::exit(1);
  }
  pclose(child);
  return result;
}

std::map<std::string, FillResult>& Results() {
  static std::map<std::string, FillResult> results;
  return results;
}

void RegisterFill(const std::string& kind, int rows) {
  benchmark::RegisterBenchmark(("FillHiddenList/" + kind).c_str(),
                               [kind, rows](benchmark::State& state) {
                                 for (auto _ : state) {
                                   const FillResult result = RunFillInChild(kind, rows);
                                   state.SetIterationTime(result.seconds);
                                   Results()[kind] = result;
                                   state.counters["rows"] = rows;
                                   state.counters["rss_MB"] = result.rssMegabytes;
                                   state.counters["peak_MB"] = result.peakMegabytes;
                                   state.counters["rows_per_s"] = rows / result.seconds;
                                   state.counters["wall_ms"] = result.wallSeconds * 1000;
                                 }
                               })
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

void PrintComparison() {
  const auto program = Results().find("program-list");
  const auto widget = Results().find("table-widget");
  if (program == Results().end() || widget == Results().end()) return;
  const FillResult& ours = program->second;
  const FillResult& theirs = widget->second;
  std::printf(
      "\nprogram list vs QTableWidget: %.1fx faster in processor time (goal 10x; %.1fx "
      "in elapsed time), %.1f%% of the resident memory and %.1f%% of the peak (goal at "
      "most 33%%)\n",
      theirs.seconds / ours.seconds, theirs.wallSeconds / ours.wallSeconds,
      100 * ours.rssMegabytes / theirs.rssMegabytes,
      100 * ours.peakMegabytes / theirs.peakMegabytes);
}

}  // namespace

int main(int argc, char** argv) {
  int rows = 1000000;
  std::string fill;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--rows=", 0) == 0) {
      rows = std::atoi(argument.c_str() + 7);
    } else if (argument.rfind("--fill=", 0) == 0) {
      fill = argument.substr(7);
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (!fill.empty()) {
    return RunChild(fill, rows, argc, argv);
  }
  RegisterFill("program-list", rows);
  RegisterFill("table-widget", rows);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintComparison();
  return 0;
}
