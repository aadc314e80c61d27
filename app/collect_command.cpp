// `pelmo collect`: the same handlers as the window, on in-memory controls.
#include "app/collect_command.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "app/memory_controls.h"
#include "app/program_handlers.h"
#include "collect/main_window_controls.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"

namespace app {
namespace {

using runtime::Window;

namespace Control = collect::Control;
constexpr int kMessagePart = 1;

// What the command line sets; an absent option keeps the window's default.
struct CollectOptions {
  std::vector<std::pair<const char*, std::string>> contents;  // control, UTF-8 text
  bool utf8 = false;
  std::optional<std::string> urlsFile;
  std::vector<std::string> addresses;
};

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
      result.options.contents.emplace_back(control, arguments[++i]);
    } else if (argument == "--urls") {
      if (!hasValue) return {{}, "--urls needs a file name (- for standard input)"};
      result.options.urlsFile = arguments[++i];
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

// Status-box lines go to standard error as they are appended, each ended by LF.
void StreamStatusLines(MemoryControls& controls) {
  controls.SetAppendSink([](Window window, std::string_view control, const runtime::Text& text) {
    if (window != Window::MainWindow || control != Control::kStatusBox) return;
    std::string utf8 = runtime::TextToUtf8(text);
    std::string out;
    for (char byte : utf8) {
      if (byte != '\r') out += byte;
    }
    if (out.empty() || out.back() != '\n') out += '\n';
    WriteError(out);
  });
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
         "  --help             this text\n"
         "Exit status: 0 after a run, 1 when the rule is empty, 2 for a usage error.\n";
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
  std::optional<std::string> addressBox;
  if (options.urlsFile) {
    std::optional<std::string> lines = ReadAll(*options.urlsFile);
    if (!lines) {
      WriteError("pelmo collect: cannot read " + *options.urlsFile + "\n");
      return kCollectUsageError;
    }
    addressBox = AddressBoxFromLines(*lines);
  } else if (!options.addresses.empty()) {
    std::string joined;
    for (size_t i = 0; i < options.addresses.size(); ++i) {
      if (i > 0) joined += "\r\n";
      joined += options.addresses[i];
    }
    addressBox = joined;
  }

  MemoryControls controls;
  runtime::InstallControls(&controls);
  RegisterProgramHandlers();
  controls.LoadWindow(Window::MainWindow, false);
  for (const auto& [control, text] : options.contents) {
    controls.WriteProperty(Window::MainWindow, control, runtime::Property::kContent,
                           runtime::Utf8ToText(text));
  }
  if (addressBox) {
    controls.WriteProperty(Window::MainWindow, Control::kAddresses, runtime::Property::kContent,
                           runtime::Utf8ToText(*addressBox));
  }
  if (options.utf8) controls.WriteProperty(Window::MainWindow, Control::kGbk, runtime::Property::kChecked, 0);

  StreamStatusLines(controls);
  controls.Click(Window::MainWindow, Control::kStartButton);
  if (!controls.Messages().empty()) {
    WriteError(runtime::TextToUtf8(controls.Messages().front().message) + "\n");
    runtime::InstallControls(nullptr);
    return kCollectEmptyRule;
  }
  runtime::Text finalMessage = controls.Bar(Window::MainWindow, Control::kStatusBar).PartText(kMessagePart);
  controls.Click(Window::MainWindow, Control::kExportButton);

  std::string exported = runtime::TextToUtf8(controls.ClipboardText());
  std::fwrite(exported.data(), 1, exported.size(), stdout);
  std::fflush(stdout);
  if (!finalMessage.empty() && finalMessage.front() == ' ') finalMessage.erase(0, 1);
  WriteError(runtime::TextToUtf8(finalMessage) + "\n");
  runtime::InstallControls(nullptr);
  return kCollectDone;
}

}  // namespace app
