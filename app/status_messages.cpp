// Status box lines and status-bar messages.
#include "app/status_messages.h"

#include "collect/status_texts.h"
#include "app/main_window_controls.h"
#include "runtime/control_access.h"

namespace app {
namespace {

using runtime::Window;

constexpr int kMessagePart = 1;
constexpr int kStampPart = 2;

std::function<runtime::DateTime()>& StatusClock() {
  static std::function<runtime::DateTime()> clock;
  return clock;
}

runtime::DateTime Now() { return StatusClock() ? StatusClock()() : runtime::CurrentTime(); }

}  // namespace

void AppendStatusLine(const runtime::Text& text) {
  runtime::EditBoxAppend(Window::MainWindow, Control::kStatusBox, text + "\r\n");
}

void ShowStatusMessage(const runtime::Text& message) {
  runtime::StatusBar::SetPartText(Window::MainWindow, Control::kStatusBar, kMessagePart, " " + message);
  runtime::StatusBar::SetPartText(Window::MainWindow, Control::kStatusBar, kStampPart, " " + collect::StatusStamp(Now()));
}

void SetStatusClock(std::function<runtime::DateTime()> clock) { StatusClock() = std::move(clock); }

}  // namespace app
