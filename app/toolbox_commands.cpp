// The small commands of the toolbox: the separator choice and the address generator.
#include "app/toolbox_commands.h"

#include "app/main_window_controls.h"
#include "collect/toolbox.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"
#include "runtime/text_operations.h"

namespace app {
namespace {

namespace Property = runtime::Property;
using runtime::Text;
using runtime::Window;

constexpr int kWarningIconOk = 0x30;
constexpr const char* kOutputBox = "编辑框5";
constexpr const char* kPatternBox = "编辑框4";
constexpr const char* kStepBox = "编辑框3";
constexpr const char* kLastBox = "编辑框2";
constexpr const char* kFirstBox = "编辑框1";

int ReadNumber(const char* box) {
  return runtime::ToInteger(runtime::ReadText(Window::UrlGeneratorWindow, box));
}

}  // namespace

void ChooseSeparator() {
  int selection = runtime::ReadInteger(Window::MainWindow, Control::kSeparatorChoice,
                                       Property::kCurrentSelection);
  static const char* const kSeparators[] = {"", " ", "----"};
  if (selection < 0 || selection > 2) return;
  runtime::WriteProperty(Window::MainWindow, Control::kSeparator, Property::kContent,
                         Text(kSeparators[selection]));
}

void GenerateAddresses() {
  runtime::WriteProperty(Window::UrlGeneratorWindow, kOutputBox, Property::kContent, Text());
  int step = ReadNumber(kStepBox);
  int first = ReadNumber(kFirstBox);
  int last = ReadNumber(kLastBox);
  Text pattern = runtime::ReadText(Window::UrlGeneratorWindow, kPatternBox);
  collect::AddressSeries series = collect::PlanAddressSeries(first, last, step);
  if (!series.refusal.empty()) {
    runtime::MessageBox(series.refusal, kWarningIconOk);
    return;
  }
  // One append of all lines: the same text as line by line, without redrawing per line.
  Text lines;
  for (long long number : series.numbers) {
    lines += runtime::ReplaceSubtext(pattern, "*", runtime::ToText(static_cast<std::int64_t>(number)),
                                     std::nullopt, std::nullopt, true);
    lines += "\r\n";
  }
  if (!lines.empty()) runtime::EditBoxAppend(Window::UrlGeneratorWindow, kOutputBox, lines);
}

}  // namespace app
