// The address generator's window and its two commands.
#include "window/url_generator_window.h"

#include <QKeySequence>

#include "collect/toolbox.h"
#include "runtime/code_page.h"
#include "runtime/runtime_error.h"
#include "runtime/text_operations.h"
#include "window/control_widgets.h"
#include "window/main_window.h"
#include "window/url_generator_layout.h"

namespace window {
namespace {

using runtime::Text;

constexpr int kWarningIconOk = 0x30;

struct GeneratorCommand {
  std::string_view handler;
  void (UrlGeneratorWindow::*run)();
};

constexpr GeneratorCommand kCommands[] = {
    {"GenerateAddresses", &UrlGeneratorWindow::GenerateAddresses},
    {"FillAddressBox", &UrlGeneratorWindow::FillAddressBox},
};

const GeneratorCommand* FindCommand(std::string_view handler) {
  for (const GeneratorCommand& command : kCommands) {
    if (command.handler == handler) return &command;
  }
  return nullptr;
}

}  // namespace

UrlGeneratorWindow::UrlGeneratorWindow(MainWindow& owner) : LayoutWindow(UrlGeneratorLayout(), &owner), owner_(owner) {
  setAttribute(Qt::WA_DeleteOnClose);
  for (const ControlLayout& control : Layout().controls) {
    for (const EventBinding& binding : control.bindings) {
      if (FindCommand(binding.handler) == nullptr) {
        runtime::ReportRuntimeError(runtime::T("未找到引发事件的窗口组件"), 0);
      }
    }
  }
  SetEventHandler([this](std::string_view control, int event) {
    const ControlLayout* unit = FindControl(Layout(), control);
    const GeneratorCommand* command = FindCommand(BoundHandler(*unit, event));
    if (command != nullptr) owner_.RunGuarded(unit->styles, [this, command] { (this->*command->run)(); });
  });
  BindKey(QKeySequence(Qt::Key_Escape), [this] { close(); });
}

void UrlGeneratorWindow::GenerateAddresses() {
  QWidget* output = Widget("编辑框5");
  SetEditBoxText(output, Text());
  const int step = runtime::ToInteger(EditBoxText(Widget("编辑框3")));
  const int first = runtime::ToInteger(EditBoxText(Widget("编辑框1")));
  const int last = runtime::ToInteger(EditBoxText(Widget("编辑框2")));
  const Text pattern = EditBoxText(Widget("编辑框4"));
  const collect::AddressSeries series = collect::PlanAddressSeries(first, last, step);
  if (!series.refusal.empty()) {
    owner_.Boxes().Show(this, series.refusal, kWarningIconOk);
    return;
  }
  // One append of all lines: the same text as line by line, without redrawing per line.
  Text lines;
  for (long long number : series.numbers) {
    lines += runtime::ReplaceSubtext(pattern, "*", runtime::ToText(static_cast<std::int64_t>(number)),
                                     std::nullopt, std::nullopt, runtime::Case::Sensitive);
    lines += "\r\n";
  }
  if (!lines.empty()) AppendEditBoxText(output, lines);
}

void UrlGeneratorWindow::FillAddressBox() { owner_.AppendAddresses(EditBoxText(Widget("编辑框5"))); }

}  // namespace window
