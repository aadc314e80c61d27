// Work that must not hold up the window: it runs on a worker thread while the GUI thread keeps
// serving events.
#pragma once

#include <functional>

namespace window {

// Runs work on a worker thread and returns when it has finished; meanwhile the window keeps
// repainting and reacting. work must not touch widgets. An exception thrown by work is thrown
// again here.
void RunInBackground(const std::function<void()>& work);

}  // namespace window
