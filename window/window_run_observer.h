// What the window shows of a run: the engine's events, heard on the engine's thread, carried to
// the GUI thread in order and written into the list, the status box, the status bar, the
// page-text box and the run panel of the main window.
#pragma once

#include <functional>

#include "collect/progress_meter.h"
#include "collect/status_reporter.h"

namespace window {

class MainWindow;

class WindowRunObserver final : public collect::StatusReporter {
public:
  explicit WindowRunObserver(MainWindow& window) : window_(window) {}

  void RunStarted(int pageCount) override;
  void PageStarted(const collect::RunProgress& progress) override;
  void RunFinished(const collect::RunSummary& summary) override;
  bool WantsPageText() const override { return true; }
  void PageText(const runtime::Text& text) override;
  void ColumnsAdded(const std::vector<runtime::Text>& captions) override;
  void DetailColumnsAdded(const std::vector<runtime::Text>& captions) override;
  void DetailPageFinished(const collect::DetailPageResult& detail) override;
  void RecordsFound(collect::RecordList records) override;
  bool StopRequested() const override;

  // Where the run stands now; safe from the GUI thread while the engine runs.
  collect::ProgressFigures Progress() const { return meter_.Figures(collect::ProgressMeter::Clock::now()); }

private:
  void ShowMessage(const runtime::Text& message) override;
  void AppendLine(const runtime::Text& line) override;
  // Runs work on the GUI thread after everything posted before it; dropped if the window is gone.
  void Post(std::function<void()> work);

  MainWindow& window_;
  collect::ProgressMeter meter_;
};

// Runs the engine's work on a worker thread while the window stays live, then lets every event
// the work posted reach the window before returning.
void RunEngineWork(const std::function<void()>& work);

}  // namespace window
