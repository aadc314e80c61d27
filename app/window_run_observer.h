// What the window shows of a run: the engine's events, heard on the engine's thread, carried to
// the GUI thread in order and written into the list, the status box, the status bar, the
// page-text box and the run panel.
#pragma once

#include <functional>

#include "collect/status_reporter.h"

namespace app {

class WindowRunObserver final : public collect::StatusReporter {
public:
  void PageStarted(const collect::RunProgress& progress) override;
  void PageText(const runtime::Text& text) override;
  void ColumnsAdded(const std::vector<runtime::Text>& captions) override;
  void RecordsFound(std::vector<collect::Record> records) override;
  bool StopRequested() const override;

private:
  void ShowMessage(const runtime::Text& message) override;
  void AppendLine(const runtime::Text& line) override;
  // Runs work on the GUI thread after everything posted before it.
  static void Post(std::function<void()> work);
};

// Runs the engine's work on a worker thread while the window stays live, then lets every event
// the work posted reach the window before returning.
void RunEngineWork(const std::function<void()>& work);

}  // namespace app
