// `pelmo collect`: one run of the engine and one export, without a window.
#include "cli/collect_command.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>

#include "cli/progress_line.h"
#include "cli/collect_store.h"
#include "cli/stop_signals.h"
#include "collect/collection_engine.h"
#include "collect/file_export.h"
#include "collect/file_io.h"
#include "collect/project_file.h"
#include "collect/result_export.h"
#include "collect/setting_ranges.h"
#include "collect/status_reporter.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace cli {
namespace {

using collect::CollectionProject;
using runtime::Text;

// What the command line sets; an absent option keeps the project's value (the window's defaults
// without --project).
struct CollectOptions {
  // Project fields and their UTF-8 texts, in command-line order: a field given twice takes the
  // last.
  std::vector<std::pair<Text& (*)(CollectionProject&), std::string>> texts;
  bool nextOnWholePage = false;
  std::optional<collect::PageEncoding> encoding;
  bool literalRule = false;
  bool progress = false;
  std::optional<std::string> projectFile;
  std::optional<std::string> urlsFile;
  std::vector<std::string> addresses;
  std::map<std::string, long long> numbers;  // whole-number option name -> value
  std::optional<collect::ExportFormat> format;
  std::optional<std::string> outputFile;
  collect::FormulaCells formulas = collect::FormulaCells::AsText;  // --csv-raw: Raw
  std::optional<std::string> storeFile;
  bool resume = false;
  bool onlyNew = false;
};

// A whole-number option and the range it must lie in, the same as its project field's.
struct NumberOption {
  const char* name;
  collect::SettingRange range;
};

constexpr NumberOption kPerHost{"--per-host", collect::kPerHostRange};
constexpr NumberOption kJobs{"--jobs", collect::kJobsRange};
constexpr NumberOption kDelay{"--delay", collect::kDelayRange};
constexpr NumberOption kMaxPageMb{"--max-page-mb", collect::kMaxPageMbRange};
constexpr NumberOption kMaxNext{"--max-next", collect::kMaxNextRange};

// The option's value, or the reason it is refused.
std::optional<long long> ParseNumber(const NumberOption& option, const std::string& text, std::string& error) {
  std::size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || !option.range.Holds(value)) {
    error = std::string(option.name) + " takes a whole number from " + std::to_string(option.range.lowest) +
            " to " + std::to_string(option.range.highest);
    return std::nullopt;
  }
  return value;
}

// Sets a whole-number option when the argument names one; false when it does not.
bool TakeNumberOption(const std::string& argument, const std::optional<std::string>& value,
                      CollectOptions& options, std::string& error) {
  for (const NumberOption* option : {&kPerHost, &kJobs, &kDelay, &kMaxPageMb, &kMaxNext}) {
    if (argument != option->name) continue;
    if (!value) {
      error = argument + " needs a value";
      return true;
    }
    std::optional<long long> number = ParseNumber(*option, *value, error);
    if (number) options.numbers[option->name] = *number;
    return true;
  }
  return false;
}

struct ParseResult {
  CollectOptions options;
  std::string error;  // empty when the arguments are sound
};

struct TextOption {
  const char* name;
  Text& (*field)(CollectionProject&);
};

constexpr TextOption kTextOptions[] = {
    {"--rule", [](CollectionProject& p) -> Text& { return p.rule; }},
    {"--before", [](CollectionProject& p) -> Text& { return p.before; }},
    {"--after", [](CollectionProject& p) -> Text& { return p.after; }},
    {"--cookie", [](CollectionProject& p) -> Text& { return p.cookie; }},
    {"--separator", [](CollectionProject& p) -> Text& { return p.separator; }},
    {"--next-rule", [](CollectionProject& p) -> Text& { return p.next.rule; }},
    {"--detail-column", [](CollectionProject& p) -> Text& { return p.detail.column; }},
    {"--detail-before", [](CollectionProject& p) -> Text& { return p.detail.before; }},
    {"--detail-after", [](CollectionProject& p) -> Text& { return p.detail.after; }},
    {"--detail-rule", [](CollectionProject& p) -> Text& { return p.detail.rule; }},
};

const TextOption* FindTextOption(const std::string& argument) {
  for (const TextOption& option : kTextOptions) {
    if (argument == option.name) return &option;
  }
  return nullptr;
}

std::optional<collect::PageEncoding> EncodingFromName(const std::string& name) {
  if (name == "gbk") return collect::PageEncoding::Gbk;
  if (name == "utf8") return collect::PageEncoding::Utf8;
  if (name == "auto") return collect::PageEncoding::Auto;
  return std::nullopt;
}

// Takes an option whose value is a name from a fixed set, or a file; the error is set when the
// value is missing or not one of the names.
bool TakeNamedOption(const std::string& argument, const std::optional<std::string>& value,
                     CollectOptions& options, std::string& error) {
  if (argument != "--encoding" && argument != "--format" && argument != "--project" &&
      argument != "--output" && argument != "--urls" && argument != "--store") {
    return false;
  }
  if (!value) {
    error = argument + (argument == "--urls" ? " needs a file name (- for standard input)" : " needs a value");
  } else if (argument == "--encoding") {
    options.encoding = EncodingFromName(*value);
    if (!options.encoding) error = "--encoding takes gbk, utf8 or auto";
  } else if (argument == "--format") {
    options.format = collect::ExportFormatFromName(*value);
    if (!options.format) error = "--format takes csv, tsv, jsonl, html, xlsx or text";
  } else if (argument == "--project") {
    options.projectFile = *value;
  } else if (argument == "--output") {
    options.outputFile = *value == "-" ? std::nullopt : value;  // "-": standard output
  } else if (argument == "--store") {
    options.storeFile = *value;
  } else {
    options.urlsFile = *value;
  }
  return true;
}

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
  ParseResult result;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::optional<std::string> value =
        i + 1 < arguments.size() ? std::optional(arguments[i + 1]) : std::nullopt;
    std::string error;
    if (const TextOption* option = FindTextOption(argument)) {
      if (!value) return {{}, argument + " needs a value"};
      result.options.texts.emplace_back(option->field, *value);
      ++i;
    } else if (TakeNamedOption(argument, value, result.options, error) ||
               TakeNumberOption(argument, value, result.options, error)) {
      if (!error.empty()) return {{}, error};
      ++i;
    } else if (argument == "--utf8") {
      result.options.encoding = collect::PageEncoding::Utf8;
    } else if (argument == "--next-whole-page") {
      result.options.nextOnWholePage = true;
    } else if (argument == "--literal-rule") {
      result.options.literalRule = true;
    } else if (argument == "--progress") {
      result.options.progress = true;
    } else if (argument == "--csv-raw") {
      result.options.formulas = collect::FormulaCells::Raw;
    } else if (argument == "--resume") {
      result.options.resume = true;
    } else if (argument == "--only-new") {
      result.options.onlyNew = true;
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

// The project the options describe: the saved one or the window's defaults, with every option
// given on the command line in place of its field. The error names what could not be read.
struct ProjectResult {
  CollectionProject project;
  std::string error;
};

ProjectResult ProjectOf(const CollectOptions& options) {
  ProjectResult result;
  if (options.projectFile) {
    collect::ProjectLoadResult loaded = collect::LoadProject(*options.projectFile);
    if (!loaded.loaded) return {{}, runtime::TextToUtf8(loaded.message)};
    result.project = std::move(loaded.project);
  }
  CollectionProject& project = result.project;
  for (const auto& [field, text] : options.texts) field(project) = runtime::Utf8ToText(text);
  if (options.nextOnWholePage) project.next.scope = collect::NextPageScope::WholePage;
  if (options.encoding) project.encoding = *options.encoding;
  if (options.literalRule) project.ruleSyntax = collect::RuleSyntax::Literal;
  if (options.urlsFile) {
    std::optional<std::string> lines = ReadAll(*options.urlsFile);
    if (!lines) return {{}, "cannot read " + *options.urlsFile};
    project.addressText = runtime::Utf8ToText(AddressBoxFromLines(*lines));
  } else if (!options.addresses.empty()) {
    std::string joined;
    for (size_t i = 0; i < options.addresses.size(); ++i) {
      if (i > 0) joined += "\r\n";
      joined += options.addresses[i];
    }
    project.addressText = runtime::Utf8ToText(joined);
  }
  if (options.storeFile) project.store.file = *options.storeFile;
  if (options.onlyNew) project.store.onlyNew = true;
  if ((options.resume || project.store.onlyNew) && project.store.file.empty()) {
    return {{}, "--resume and --only-new need a store (--store FILE)"};
  }
  for (const auto& [name, number] : options.numbers) {
    if (name == kPerHost.name) project.fetching.perHost = static_cast<int>(number);
    if (name == kJobs.name) project.fetching.jobs = static_cast<int>(number);
    if (name == kDelay.name) project.fetching.delay = std::chrono::milliseconds(number);
    if (name == kMaxNext.name) project.next.maxNext = static_cast<int>(number);
  }
  return result;
}

// The run's own limits beside the project: the page size.
collect::RunLimits LimitsOf(const CollectOptions& options) {
  collect::RunLimits limits;
  const auto maxPageMb = options.numbers.find(kMaxPageMb.name);
  if (maxPageMb != options.numbers.end()) limits.maxPageBytes = maxPageMb->second * web::kMebibyte;
  return limits;
}

// Status-box lines go to standard error as they come, each ended by LF, with the progress shown as
// the display says (list and detail pages apart in a run that follows links); the status bar's
// messages are the window's alone. The rows fill a result table for the export.
class ConsoleObserver final : public collect::StatusReporter {
public:
  // With streamSeparator, each page's rows go to standard output as export text as soon as they
  // are found, instead of being kept: a run of any length then needs no more memory than a page.
  ConsoleObserver(std::optional<Text> streamSeparator, ProgressDisplay display)
      : streamSeparator_(std::move(streamSeparator)),
        progress_(display, [this] { return meter_.Figures(collect::ProgressMeter::Clock::now()); }) {}

  void RunStarted(int pageCount) override {
    meter_.RunStarted(pageCount, collect::ProgressMeter::Clock::now());
    StatusReporter::RunStarted(pageCount);
  }
  void PageStarted(const collect::RunProgress& progress) override {
    meter_.PageStarted(progress, collect::ProgressMeter::Clock::now());
  }
  void DetailPageFinished(const collect::DetailPageResult& detail) override {
    meter_.DetailPageFinished(detail.progress);
    StatusReporter::DetailPageFinished(detail);
  }
  void RunFinished(const collect::RunSummary& summary) override {
    meter_.RunFinished(summary);
    progress_.Finish();
    StatusReporter::RunFinished(summary);
  }
  void ColumnsAdded(const std::vector<Text>& captions) override { table_.AddColumns(captions); }
  void DetailColumnsAdded(const std::vector<Text>& captions) override { table_.AddDetailColumns(captions); }
  void RecordsFound(collect::RecordList records) override {
    meter_.RowsFound(static_cast<int>(records.Size()));
    if (!streamSeparator_) {
      table_.AddRows(records);
      return;
    }
    // The page's rows alone, under the run's columns, through the same export as a whole table, a
    // slice at a time: a page of any size then costs no copy of its text.
    for (std::size_t first = 0; first < records.Size(); first += kStreamedRows) {
      collect::ResultTable slice;
      slice.AddColumns(table_.Captions());
      slice.AddRows(records, first, kStreamedRows);
      const std::string rows = runtime::TextToUtf8(collect::FormatExport(slice, *streamSeparator_));
      std::fwrite(rows.data(), 1, rows.size(), stdout);
    }
  }

  // The table as the window's list would hold it.
  const collect::ResultTable& Table() const { return table_; }
  // SIGINT and SIGTERM stop the run as "停止" does.
  bool StopRequested() const override { return StopSignal() != 0; }

private:
  void AppendLine(const Text& line) override { progress_.WriteLine(runtime::TextToUtf8(line) + "\n"); }

  // Rows exported together when they are streamed.
  static constexpr std::size_t kStreamedRows = 1024;

  std::optional<Text> streamSeparator_;
  collect::ResultTable table_;
  collect::ProgressMeter meter_;
  // Last, so that its thread stops before the meter it reads goes.
  ProgressLine progress_;
};

// The export goes to the output file when one is named, as collect::FileReplacement writes it (a
// regular file replaced whole at the end; a device or FIFO written into, a FIFO once a reader
// has opened it); to standard output otherwise.
class ExportTarget {
public:
  explicit ExportTarget(const std::optional<std::string>& file) {
    if (file) file_.emplace(*file, collect::PipeReader::WaitedFor);
  }
  // False (with the fault) when the output file cannot be created.
  bool Open(std::string& fault) {
    if (!file_ || file_->Open()) return true;
    fault = file_->Fault();
    return false;
  }
  bool Write(const std::string& bytes, std::string& fault) {
    if (!file_) {
      std::fwrite(bytes.data(), 1, bytes.size(), stdout);
      std::fflush(stdout);
      return true;
    }
    if (file_->Commit(bytes)) return true;
    fault = file_->Fault();
    return false;
  }

private:
  std::optional<collect::FileReplacement> file_;
};

}  // namespace

std::string UsageText() {
  return "Usage: pelmo                         open the window\n"
         "       pelmo collect [options] [ADDRESS ...]\n"
         "       pelmo export --store FILE [--run latest|N] [--format F] [--separator S] [--csv-raw]\n"
         "                    [--output FILE]\n"
         "\n"
         "Collects every address as \"开始处理\" would, then exports the table as \"导出结果\" would.\n"
         "The export goes to standard output (or to --output FILE), the progress to standard error.\n"
         "Options (an option left out keeps the project's value, or the window's default):\n"
         "  --project FILE     start from a project saved by the window (保存项目…); the options\n"
         "                     given beside it replace its fields, addresses given replace its own\n"
         "  --rule TEXT        match rule ([var] [var0] [int] [int0] stand for the varying parts;\n"
         "                     [var:NAME] and [int:NAME] name their column)\n"
         "  --literal-rule     the rule's text outside its placeholders matches as written (按原文\n"
         "                     匹配): . ? ( and the like stand for themselves; letter case is still\n"
         "                     ignored. Without it the rule is a regular expression\n"
         "  --before TEXT      marker before the list area\n"
         "  --after TEXT       marker after the list area\n"
         "  --cookie TEXT      cookie sent with every request (at most 64 KB)\n"
         "  --encoding E       how pages are read: gbk (default), utf8, or auto (as the page's\n"
         "                     Content-Type header or meta element declares; GBK when it does not)\n"
         "  --utf8             the same as --encoding utf8\n"
         "  --separator TEXT   text export: cells joined by TEXT (default: HTML table rows)\n"
         "  --format F         text (default: the export of \"导出结果\"), csv, tsv, jsonl, html (all\n"
         "                     in UTF-8) or xlsx (an Excel workbook, every cell a text); with\n"
         "                     --output and no --format, the file's extension (.csv .tsv .jsonl\n"
         "                     .html .htm .xlsx) chooses, any other is text. A CSV or TSV cell that\n"
         "                     starts with = + - or @ and is no plain number (such as -12.5) gets a\n"
         "                     leading ' so that a spreadsheet shows it as text\n"
         "  --csv-raw          CSV and TSV cells exactly as found, formulas included\n"
         "  --output FILE      write the export to FILE instead of standard output: a file is\n"
         "                     replaced whole at the end (through a symbolic link, which stays),\n"
         "                     a device or FIFO is written into; - is standard output\n"
         "  --urls FILE        one address per line (- reads standard input)\n"
         "  --per-host P       at most P connections to one host at a time (default 4)\n"
         "  --jobs N           at most N pages downloading at once (default 16); the rows still\n"
         "                     come out in address order. --per-host 1 --jobs 1 fetches one page\n"
         "                     at a time, request for request as a sequential run\n"
         "  --delay MS         pause MS milliseconds between two requests to the same host\n"
         "                     (default 0)\n"
         "  --max-page-mb MB   a page larger than MB mebibytes fails (default 256, at most 2047)\n"
         "Next pages (off unless --next-rule is given):\n"
         "  --next-rule TEXT   rule whose first [var] on a page is its next page's link (relative\n"
         "                     links are resolved as a browser does); followed until a page has\n"
         "                     none or leads back to a page of the run\n"
         "  --max-next N       follow at most N next pages from each address (default 50)\n"
         "  --next-whole-page  match --next-rule on the whole cleaned page, not only between\n"
         "                     --before and --after\n"
         "Detail pages (off unless --detail-column or --detail-rule is given; both are needed):\n"
         "  --detail-column C  the column holding each record's link: its caption, or its\n"
         "                     number k as in 文本 k\n"
         "  --detail-before T  marker before the part of the detail page to match\n"
         "  --detail-after T   marker after it\n"
         "  --detail-rule TEXT rule matched on the detail page; the parts of its first match\n"
         "                     are added to the record as columns after the page address\n"
         "Run store:\n"
         "  --store FILE       keep the run in the store FILE (SQLite, made when missing) as it goes:\n"
         "                     each page processed is kept with its rows, nothing half\n"
         "  --resume           carry on the store's last run where it was cut off, when its settings\n"
         "                     are the same: the pages it processed are not fetched again\n"
         "  --only-new         leave out the records that an earlier run in the store collected\n"
         "  --progress         show the progress (pages done of all, failed, rows, time left) on\n"
         "                     standard error also when it is no terminal, a line each time it\n"
         "                     changes; on a terminal it is always shown, on one line\n"
         "  --help             this text\n"
         "Exit status: 0 after a run, 1 when the rule is empty or does not compile, or the\n"
         "next-page or detail settings cannot run (nothing is downloaded), 2 for a usage error, a\n"
         "project or address file that cannot be read, a cookie over 64 KB or an output file that\n"
         "cannot be written, 3 when the run finished but some pages failed, detail pages included\n"
         "(their reasons are in the progress; the rows that were found are still exported). A store\n"
         "that another run holds, that is read-only, full or no store ends with 2 before any\n"
         "download. SIGINT and SIGTERM stop the run as \"停止\" does: the rows of the pages\n"
         "processed are exported, the store keeps the run to be resumed, and the exit status is 130\n"
         "or 143.\n"
         "\n"
         "pelmo export writes a run kept in a store (the latest unless --run N) in the same formats,\n"
         "the text export with the run's own separator unless --separator is given.\n";
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
  ProjectResult project = ProjectOf(options);
  if (!project.error.empty()) {
    WriteError("pelmo collect: " + project.error + "\n");
    return kCollectUsageError;
  }
  const collect::CollectionSettings settings = collect::SettingsForRun(project.project, LimitsOf(options));
  for (const Text& problem :
       {collect::RuleProblem(settings.rule, settings.ruleSyntax), collect::LinkSettingsProblem(settings)}) {
    if (problem.empty()) continue;
    WriteError(runtime::TextToUtf8(problem) + "\n");
    return kCollectBadRule;
  }
  if (Text problem = collect::CookieProblem(settings.cookie); !problem.empty()) {
    WriteError(runtime::TextToUtf8(problem) + "\n");
    return kCollectUsageError;
  }
  ExportTarget target(options.outputFile);
  std::string fault;
  if (!target.Open(fault)) {
    WriteError("pelmo collect: cannot write " + *options.outputFile + ": " + fault + "\n");
    return kCollectUsageError;
  }
  CollectStoreStart stored = BeginCollectStore(project.project, settings, options.resume);
  if (!stored.error.empty()) {
    WriteError("pelmo collect: " + stored.error + "\n");
    return kCollectUsageError;
  }
  WriteError(stored.notice);
  collect::StoreJournal* journal = stored.store.journal.get();

  // The export text to standard output is written page by page; files and the other formats
  // are written whole at the end.
  const bool stream = !options.outputFile && collect::ChosenExportFormat(options.format, options.outputFile) == collect::ExportFormat::Text;
  ConsoleObserver observer(stream ? std::optional<Text>(project.project.separator) : std::nullopt,
                           ChooseProgressDisplay(options.progress));
  collect::WebFetcher fetcher;
  CatchStopSignals();
  const collect::RunSummary summary = collect::RunCollection(settings, fetcher, observer, collect::ResultTable(), journal);
  if (journal) journal->Finish(summary);
  std::fflush(stdout);
  const collect::ExportedFile exported =
      stream ? collect::ExportedFile{}
             : collect::ExportFile(collect::ChosenExportFormat(options.format, options.outputFile), observer.Table(), project.project.separator, options.formulas);
  if (!exported.fault.empty()) {
    WriteError("pelmo collect: cannot make the export: " + exported.fault + "\n");
    return kCollectUsageError;
  }
  if (!stream && !target.Write(exported.bytes, fault)) {
    WriteError("pelmo collect: cannot write " + *options.outputFile + ": " + fault + "\n");
    return kCollectUsageError;
  }
  WriteError(runtime::TextToUtf8(collect::FinalMessage(summary)) + "\n");
  if (StopSignal() != 0) return StoppedBySignalStatus(StopSignal());
  if (journal && !journal->Fault().empty()) {
    WriteError("pelmo collect: " + runtime::TextToUtf8(journal->Fault()) + "\n");
    return kCollectUsageError;
  }
  return summary.pagesFailed > 0 || summary.detailPagesFailed > 0 ? kCollectPagesFailed : kCollectDone;
}

}  // namespace cli
