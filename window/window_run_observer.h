// What the window shows of a run: the engine's events, heard on the engine's thread, carried to
// the GUI thread in order and written into the list, the status box, the status bar, the
// page-text box and the run panel of the main window.
#pragma once

#include <functional>

#include "collect/status_reporter.h"

namespace window {

class MainWindow;

class WindowRunObserver final : public collect::StatusReporter {
public:
  explicit WindowRunObserver(MainWindow& window) : window_(window) {}

  void PageStarted(const collect::RunProgress& progress) override;
  void PageText(const runtime::Text& text) override;
  void ColumnsAdded(const std::vector<runtime::Text>& captions) override;
  void DetailColumnsAdded(const std::vector<runtime::Text>& captions) override;
  void DetailPageFinished(const collect::DetailPageResult& detail) override;
  void RecordsFound(std::vector<collect::Record> records) override;
  bool StopRequested() const override;

private:
  void ShowMessage(const runtime::Text& message) override;
  void AppendLine(const runtime::Text& line) override;
  // Runs work on the GUI thread after everything posted before it; dropped if the window is gone.
  void Post(std::function<void()> work);

  MainWindow& window_;
};

// Runs the engine's work on a worker thread while the window stays live, then lets every event
// the work posted reach the window before returning.
void RunEngineWork(const std::function<void()>& work);

}  // namespace window
