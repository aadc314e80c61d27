// `pelmo export`: a stored run's table through the file exports.
#include "cli/export_command.h"

#include <cstdio>
#include <optional>

#include "collect/file_export.h"
#include "collect/file_io.h"
#include "collect/run_store.h"
#include "runtime/code_page.h"

namespace cli {
namespace {

struct ExportOptions {
  std::optional<std::string> storeFile;
  std::optional<int> run;  // nothing: the latest
  std::optional<collect::ExportFormat> format;
  std::optional<std::string> separator;
  std::optional<std::string> outputFile;
  collect::FormulaCells formulas = collect::FormulaCells::AsText;  // --csv-raw: Raw
};

// The run's number, or nothing for "latest"; false for anything else.
bool ParseRun(const std::string& value, ExportOptions& options) {
  if (value == "latest") return true;
  std::size_t used = 0;
  try {
    const int number = std::stoi(value, &used);
    if (used != value.size() || number < 1) return false;
    options.run = number;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The options, or the reason they are refused.
std::optional<ExportOptions> ParseArguments(const std::vector<std::string>& arguments, std::string& error) {
  ExportOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--csv-raw") {
      options.formulas = collect::FormulaCells::Raw;
      continue;
    }
    if (i + 1 >= arguments.size()) {
      error = argument.rfind("--", 0) == 0 ? argument + " needs a value" : "unknown argument " + argument;
      return std::nullopt;
    }
    const std::string& value = arguments[++i];
    if (argument == "--store") {
      options.storeFile = value;
    } else if (argument == "--run") {
      if (!ParseRun(value, options)) error = "--run takes latest or a run's number";
    } else if (argument == "--format") {
      options.format = collect::ExportFormatFromName(value);
      if (!options.format) error = "--format takes csv, tsv, jsonl, html, xlsx or text";
    } else if (argument == "--separator") {
      options.separator = value;
    } else if (argument == "--output") {
      if (value != "-") options.outputFile = value;  // "-": standard output
    } else {
      error = "unknown argument " + argument;
    }
    if (!error.empty()) return std::nullopt;
  }
  if (!options.storeFile) {
    error = "--store FILE is needed";
    return std::nullopt;
  }
  return options;
}

int Refuse(const std::string& message) {
  const std::string line = "pelmo export: " + message + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  return 2;
}

}  // namespace

int RunExportCommand(const std::vector<std::string>& arguments) {
  std::string error;
  const std::optional<ExportOptions> options = ParseArguments(arguments, error);
  if (!options) return Refuse(error + " (see pelmo --help)");
  const collect::StoreOpening opening = collect::OpenRunStore(*options->storeFile, collect::StoreUse::Read);
  if (!opening.store) return Refuse(runtime::TextToUtf8(opening.fault));
  collect::RunStore& store = *opening.store;
  const std::optional<collect::StoredRun> run = options->run ? store.FindRun(*options->run) : store.LatestRun();
  if (!store.Fault().empty()) return Refuse(runtime::TextToUtf8(store.Fault()));
  if (!run) {
    return Refuse(options->run ? *options->storeFile + " holds no run " + std::to_string(*options->run)
                               : *options->storeFile + " holds no run");
  }
  const collect::ResultTable table = store.ReadTable(*run);
  if (!store.Fault().empty()) return Refuse(runtime::TextToUtf8(store.Fault()));
  const collect::ExportFormat format = collect::ChosenExportFormat(options->format, options->outputFile);
  const runtime::Text separator = options->separator ? runtime::Utf8ToText(*options->separator) : run->separator;
  const collect::ExportedFile exported = collect::ExportFile(format, table, separator, options->formulas);
  if (!exported.fault.empty()) return Refuse("cannot make the export: " + exported.fault);
  if (!options->outputFile) {
    std::fwrite(exported.bytes.data(), 1, exported.bytes.size(), stdout);
    std::fflush(stdout);
    return 0;
  }
  // As `pelmo collect --output` writes: a FIFO waits for its reader as a shell's redirection does.
  collect::FileReplacement file(*options->outputFile, collect::PipeReader::WaitedFor);
  return file.Commit(exported.bytes) ? 0 : Refuse("cannot write " + *options->outputFile + ": " + file.Fault());
}

}  // namespace cli
