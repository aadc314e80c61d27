// The two progress channels of the commands: lines in the status box and the status-bar message
// with its time stamp.
#pragma once

#include <functional>

#include "runtime/current_time.h"
#include "runtime/text.h"

namespace app {

// Appends the text and CR LF at the end of the status box.
void AppendStatusLine(const runtime::Text& text);

// Shows " " + message in part 1 of the status bar and " " + the current date and time
// ("yyyy/M/d hh:mm:ss") in part 2.
void ShowStatusMessage(const runtime::Text& message);

// The clock of the time stamp; tests set a fixed one. An empty function restores the system clock.
void SetStatusClock(std::function<runtime::DateTime()> clock);

}  // namespace app
