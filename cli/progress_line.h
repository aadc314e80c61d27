// `pelmo collect`'s progress on standard error while a run goes: pages done of all, failed pages,
// rows found and the time left, in the words of the window's run panel. On a terminal it is one
// line redrawn in place, at most every collect::kProgressInterval, cleared before each status line
// and at the end; asked for elsewhere (--progress), it is a line of its own each time the pages or
// rows have changed, at most as often.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "collect/progress_meter.h"

namespace cli {

enum class ProgressDisplay { None, InPlace, Lines };

// InPlace when standard error is a terminal that understands erasing a line; Lines when asked for
// and it is not; None otherwise, so that standard error holds the status lines alone.
ProgressDisplay ChooseProgressDisplay(bool asked);

class ProgressLine {
public:
  // figures is asked on a thread of the line's own.
  ProgressLine(ProgressDisplay display, std::function<collect::ProgressFigures()> figures);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Writes a status line (UTF-8, its line feed included) to standard error, clear of the progress.
  void WriteLine(const std::string& utf8);
  // Stops showing the progress: in place it is cleared, as lines the last figures are written
  // when they changed since the last line. Nothing is shown after it.
  void Finish();

private:
  struct Shown {
    int pagesDone = -1;
    int pagesFailed = -1;
    int rowsFound = -1;
    int detailPagesDone = -1;
    int detailPagesFailed = -1;
    bool operator==(const Shown&) const = default;
  };

  // Under the lock: the figures as a line of their own (only when they changed) or in place.
  void Show();
  // Under the lock: the progress taken off the terminal's last line, if it stands there.
  void ClearLine();

  const ProgressDisplay display_;
  const std::function<collect::ProgressFigures()> figures_;
  std::mutex mutex_;
  std::condition_variable_any wake_;
  bool lineOnScreen_ = false;  // in place: the progress stands on the terminal's last line
  bool finished_ = false;
  Shown lastShown_;
  std::jthread ticker_;
};

}  // namespace cli
