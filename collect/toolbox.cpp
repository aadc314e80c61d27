// The separator choice and the address generator.
#include "collect/toolbox.h"

#include <cmath>

#include "collect/main_window_controls.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"
#include "runtime/text_operations.h"

namespace collect {
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

AddressSeries PlanAddressSeries(int first, int last, int step) {
  AddressSeries series;
  if (first > last) return series;
  if (step <= 0) {
    series.refusal = runtime::T("步长必须大于0，否则永远到不了结束值。");
    return series;
  }
  long long count = (static_cast<long long>(last) - first) / step + 1;
  if (count > kMaxGeneratedAddresses) {
    series.refusal = runtime::T("一次最多生成") + runtime::ToText(static_cast<std::int64_t>(kMaxGeneratedAddresses)) +
                     runtime::T("条网址，这一组有") + runtime::ToText(static_cast<std::int64_t>(count)) +
                     runtime::T("条，请缩小范围或加大步长。");
    return series;
  }
  // The loop of the number boxes, in double precision as typed numbers are, each step truncated
  // toward zero; kept in 64 bits so a series ending near the largest integer does not wrap.
  for (double n = first; n - (static_cast<double>(last) + 1) < -0.0000001; n = std::trunc(n + step)) {
    series.numbers.push_back(static_cast<long long>(n));
  }
  return series;
}

void GenerateAddresses() {
  runtime::WriteProperty(Window::UrlGeneratorWindow, kOutputBox, Property::kContent, Text());
  int step = ReadNumber(kStepBox);
  int first = ReadNumber(kFirstBox);
  int last = ReadNumber(kLastBox);
  Text pattern = runtime::ReadText(Window::UrlGeneratorWindow, kPatternBox);
  AddressSeries series = PlanAddressSeries(first, last, step);
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

}  // namespace collect
