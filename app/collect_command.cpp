// `pelmo collect`: one run of the engine and one export, without a window.
#include "app/collect_command.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>

#include "app/layout.h"
#include "app/main_window_controls.h"
#include "collect/collection_engine.h"
#include "collect/result_export.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace app {
namespace {

using runtime::Text;

// What the command line sets; an absent option keeps the window's default.
struct CollectOptions {
  std::map<std::string, std::string> texts;  // control name -> UTF-8 text
  bool utf8 = false;
  std::optional<std::string> urlsFile;
  std::vector<std::string> addresses;
  collect::FetchPoliteness fetching;
  std::int64_t maxPageBytes = collect::kDefaultMaxPageBytes;
};

// A whole-number option and the range it must lie in.
struct NumberOption {
  const char* name;
  long long lowest;
  long long highest;
};

constexpr NumberOption kPerHost{"--per-host", 1, 64};
constexpr NumberOption kJobs{"--jobs", 1, 256};
constexpr NumberOption kDelay{"--delay", 0, 600000};
constexpr NumberOption kMaxPageMb{"--max-page-mb", 1, 4096};

// The option's value, or the reason it is refused.
std::optional<long long> ParseNumber(const NumberOption& option, const std::string& text, std::string& error) {
  std::size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || value < option.lowest || value > option.highest) {
    error = std::string(option.name) + " takes a whole number from " + std::to_string(option.lowest) +
            " to " + std::to_string(option.highest);
    return std::nullopt;
  }
  return value;
}

// Sets a whole-number option when the argument names one; false when it does not.
bool TakeNumberOption(const std::string& argument, const std::optional<std::string>& value,
                      CollectOptions& options, std::string& error) {
  for (const NumberOption* option : {&kPerHost, &kJobs, &kDelay, &kMaxPageMb}) {
    if (argument != option->name) continue;
    if (!value) {
      error = argument + " needs a value";
      return true;
    }
    std::optional<long long> number = ParseNumber(*option, *value, error);
    if (!number) return true;
    if (option == &kPerHost) options.fetching.perHost = static_cast<int>(*number);
    if (option == &kJobs) options.fetching.jobs = static_cast<int>(*number);
    if (option == &kDelay) options.fetching.delay = std::chrono::milliseconds(*number);
    if (option == &kMaxPageMb) options.maxPageBytes = *number * 1024 * 1024;
    return true;
  }
  return false;
}

struct ParseResult {
  CollectOptions options;
  std::string error;  // empty when the arguments are sound
};

const std::vector<std::pair<std::string, const char*>>& TextOptions() {
  static const std::vector<std::pair<std::string, const char*>> options = {
      {"--rule", Control::kRule},     {"--before", Control::kBefore},
      {"--after", Control::kAfter},   {"--cookie", Control::kCookie},
      {"--separator", Control::kSeparator},
  };
  return options;
}

const char* ControlOfTextOption(const std::string& option) {
  for (const auto& [name, control] : TextOptions()) {
    if (name == option) return control;
  }
  return nullptr;
}

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
  ParseResult result;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    bool hasValue = i + 1 < arguments.size();
    if (const char* control = ControlOfTextOption(argument)) {
      if (!hasValue) return {{}, argument + " needs a value"};
      result.options.texts[control] = arguments[++i];
    } else if (argument == "--urls") {
      if (!hasValue) return {{}, "--urls needs a file name (- for standard input)"};
      result.options.urlsFile = arguments[++i];
    } else if (std::string error; TakeNumberOption(argument, hasValue ? std::optional(arguments[i + 1]) : std::nullopt,
                                                   result.options, error)) {
      if (!error.empty()) return {{}, error};
      ++i;
    } else if (argument == "--utf8") {
      result.options.utf8 = true;
    } else if (argument == "--") {
      result.options.addresses.insert(result.options.addresses.end(), arguments.begin() + i + 1,
                                      arguments.end());
      break;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return {{}, "unknown option " + argument};
    } else {
      result.options.addresses.push_back(argument);
    }
  }
  if (result.options.urlsFile && !result.options.addresses.empty()) {
    result.error = "give the addresses either with --urls or as arguments, not both";
  }
  return result;
}

std::optional<std::string> ReadAll(const std::string& file) {
  if (file == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(stream), {});
}

void WriteError(const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

// The option's text, or the content the window's box starts with.
Text OptionText(const CollectOptions& options, const char* control) {
  auto given = options.texts.find(control);
  if (given != options.texts.end()) return runtime::Utf8ToText(given->second);
  const ControlLayout* layout = FindControl(LayoutOf(runtime::Window::MainWindow), control);
  return layout == nullptr ? Text() : runtime::Utf8ToText(std::string(layout->content));
}

// Status-box lines go to standard error as they come, each ended by LF; the records are kept for
// the export.
class ConsoleObserver final : public collect::RunObserver {
public:
  void StatusLine(const Text& line) override { WriteError(runtime::TextToUtf8(line) + "\n"); }
  void ColumnsAdded(const std::vector<Text>& captions) override {
    columnCount_ += static_cast<int>(captions.size());
  }
  void RecordsFound(std::vector<collect::Record> records) override {
    for (collect::Record& record : records) records_.push_back(std::move(record));
  }

  int ColumnCount() const { return columnCount_; }
  const std::vector<collect::Record>& Records() const { return records_; }

private:
  int columnCount_ = 0;
  std::vector<collect::Record> records_;
};

Text ExportText(const ConsoleObserver& observer, const Text& separator) {
  const std::vector<collect::Record>& records = observer.Records();
  return collect::FormatExport(
      static_cast<int>(records.size()), observer.ColumnCount(),
      [&records](int row, int column) {
        const std::vector<Text>& cells = records[static_cast<std::size_t>(row)].cells;
        return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : Text();
      },
      separator);
}

}  // namespace

std::string UsageText() {
  return "Usage: pelmo                         open the window\n"
         "       pelmo collect [options] [ADDRESS ...]\n"
         "\n"
         "Collects every address as \"开始处理\" would, then exports the table as \"导出结果\" would.\n"
         "The export goes to standard output, the progress to standard error.\n"
         "Options (an option left out keeps the window's default):\n"
         "  --rule TEXT        match rule ([var] [var0] [int] [int0] stand for the varying parts)\n"
         "  --before TEXT      marker before the list area\n"
         "  --after TEXT       marker after the list area\n"
         "  --cookie TEXT      cookie sent with every request\n"
         "  --utf8             pages are UTF-8 (default: GBK)\n"
         "  --separator TEXT   export cells joined by TEXT (default: HTML table rows)\n"
         "  --urls FILE        one address per line (- reads standard input)\n"
         "  --per-host P       at most P connections to one host at a time (default 4)\n"
         "  --jobs N           at most N pages downloading at once (default 16); the rows still\n"
         "                     come out in address order. --per-host 1 --jobs 1 fetches one page\n"
         "                     at a time, request for request as a sequential run\n"
         "  --delay MS         pause MS milliseconds between two requests to the same host\n"
         "                     (default 0)\n"
         "  --max-page-mb MB   a page larger than MB mebibytes fails (default 256)\n"
         "  --help             this text\n"
         "Exit status: 0 after a run, 1 when the rule is empty or does not compile (nothing is\n"
         "downloaded), 2 for a usage error, 3 when the run finished but some pages failed (their\n"
         "reasons are in the progress; the rows that were found are still printed).\n";
}

std::string AddressBoxFromLines(const std::string& lines) {
  std::string box;
  std::string line;
  bool first = true;
  auto endLine = [&] {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!first) box += "\r\n";
    box += line;
    line.clear();
    first = false;
  };
  for (char byte : lines) {
    if (byte == '\n') {
      endLine();
    } else {
      line += byte;
    }
  }
  if (!line.empty()) endLine();
  return box;
}

int RunCollectCommand(const std::vector<std::string>& arguments) {
  ParseResult parsed = ParseArguments(arguments);
  if (!parsed.error.empty()) {
    WriteError("pelmo collect: " + parsed.error + " (see pelmo --help)\n");
    return kCollectUsageError;
  }
  const CollectOptions& options = parsed.options;
  Text addressBox = OptionText(options, Control::kAddresses);
  if (options.urlsFile) {
    std::optional<std::string> lines = ReadAll(*options.urlsFile);
    if (!lines) {
      WriteError("pelmo collect: cannot read " + *options.urlsFile + "\n");
      return kCollectUsageError;
    }
    addressBox = runtime::Utf8ToText(AddressBoxFromLines(*lines));
  } else if (!options.addresses.empty()) {
    std::string joined;
    for (size_t i = 0; i < options.addresses.size(); ++i) {
      if (i > 0) joined += "\r\n";
      joined += options.addresses[i];
    }
    addressBox = runtime::Utf8ToText(joined);
  }

  collect::CollectionSettings settings;
  settings.addresses = runtime::SplitText(addressBox, Text("\r\n")).Items();
  settings.cookie = OptionText(options, Control::kCookie);
  settings.before = OptionText(options, Control::kBefore);
  settings.after = OptionText(options, Control::kAfter);
  settings.rule = OptionText(options, Control::kRule);
  settings.encoding = options.utf8 ? collect::PageEncoding::Utf8 : collect::PageEncoding::Gbk;
  settings.fetching = options.fetching;
  settings.maxPageBytes = options.maxPageBytes;
  if (Text problem = collect::RuleProblem(settings.rule); !problem.empty()) {
    WriteError(runtime::TextToUtf8(problem) + "\n");
    return kCollectBadRule;
  }

  ConsoleObserver observer;
  collect::WebFetcher fetcher;
  const collect::RunSummary summary = collect::RunCollection(settings, fetcher, observer);
  std::string exported = runtime::TextToUtf8(ExportText(observer, OptionText(options, Control::kSeparator)));
  std::fwrite(exported.data(), 1, exported.size(), stdout);
  std::fflush(stdout);
  WriteError(runtime::TextToUtf8(collect::FinalMessage(summary)) + "\n");
  return summary.pagesFailed > 0 ? kCollectPagesFailed : kCollectDone;
}

}  // namespace app
