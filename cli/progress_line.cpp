// The progress line of `pelmo collect`.
#include "cli/progress_line.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "collect/status_texts.h"
#include "runtime/code_page.h"

namespace cli {
namespace {

// Back to the line's start; the rest of the line erased.
constexpr std::string_view kLineStart = "\r";
constexpr std::string_view kEraseRest = "\x1b[K";

void WriteError(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

ProgressDisplay ChooseProgressDisplay(bool asked) {
  const char* terminal = std::getenv("TERM");
  const bool erases = terminal != nullptr && std::string_view(terminal) != "dumb";
  if (::isatty(STDERR_FILENO) == 1 && erases) return ProgressDisplay::InPlace;
  return asked ? ProgressDisplay::Lines : ProgressDisplay::None;
}

ProgressLine::ProgressLine(ProgressDisplay display, std::function<collect::ProgressFigures()> figures)
    : display_(display), figures_(std::move(figures)) {
  if (display_ == ProgressDisplay::None) return;
  ticker_ = std::jthread([this](std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, stop, collect::kProgressInterval, [] { return false; }) && !stop.stop_requested()) {
      Show();
    }
  });
}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::WriteLine(const std::string& utf8) {
  std::lock_guard lock(mutex_);
  ClearLine();
  WriteError(utf8);
}

void ProgressLine::Finish() {
  if (ticker_.joinable()) {
    ticker_.request_stop();
    ticker_.join();
  }
  std::lock_guard lock(mutex_);
  if (finished_ || display_ == ProgressDisplay::None) return;
  finished_ = true;
  if (display_ == ProgressDisplay::Lines) Show();
  ClearLine();
}

void ProgressLine::ClearLine() {
  if (!lineOnScreen_) return;
  WriteError(std::string(kLineStart) + std::string(kEraseRest));
  lineOnScreen_ = false;
}

void ProgressLine::Show() {
  const collect::ProgressFigures figures = figures_();
  const Shown now{figures.pagesDone, figures.pagesFailed, figures.rowsFound, figures.detailPagesDone,
                  figures.detailPagesFailed};
  if (display_ == ProgressDisplay::Lines && now == lastShown_) return;
  lastShown_ = now;
  const std::string text = runtime::TextToUtf8(collect::ProgressText(figures));
  if (display_ == ProgressDisplay::Lines) {
    WriteError(text + "\n");
    return;
  }
  WriteError(std::string(kLineStart) + text + std::string(kEraseRest));
  lineOnScreen_ = true;
}

}  // namespace cli
