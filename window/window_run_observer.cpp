// The window's observer of a run.
#include "window/window_run_observer.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <memory>

#include "window/background_work.h"
#include "window/control_widgets.h"
#include "window/main_window.h"
#include "window/report_list_view.h"

namespace window {

void WindowRunObserver::Post(std::function<void()> work) {
  QMetaObject::invokeMethod(&window_, std::move(work), Qt::QueuedConnection);
}

void WindowRunObserver::RunStarted(int pageCount) {
  meter_.RunStarted(pageCount, collect::ProgressMeter::Clock::now());
  StatusReporter::RunStarted(pageCount);
}

void WindowRunObserver::PageStarted(const collect::RunProgress& progress) {
  meter_.PageStarted(progress, collect::ProgressMeter::Clock::now());
}

void WindowRunObserver::RunFinished(const collect::RunSummary& summary) {
  meter_.RunFinished(summary);
  StatusReporter::RunFinished(summary);
}

void WindowRunObserver::ShowMessage(const runtime::Text& message) {
  Post([window = &window_, message] { window->ShowStatusMessage(message); });
}

void WindowRunObserver::AppendLine(const runtime::Text& line) {
  Post([window = &window_, line] { window->AppendStatusLine(line); });
}

void WindowRunObserver::PageText(const runtime::Text& text) {
  Post([window = &window_, text] { SetEditBoxText(window->Controls().pageText, text); });
}

void WindowRunObserver::ColumnsAdded(const std::vector<runtime::Text>& captions) {
  Post([window = &window_, captions] { window->Controls().list->Model().AddColumns(captions); });
}

void WindowRunObserver::DetailColumnsAdded(const std::vector<runtime::Text>& captions) {
  Post([window = &window_, captions] { window->Controls().list->Model().AddDetailColumns(captions); });
}

void WindowRunObserver::DetailPageFinished(const collect::DetailPageResult& detail) {
  meter_.DetailPageFinished(detail.progress);
  collect::StatusReporter::DetailPageFinished(detail);
}

void WindowRunObserver::RecordsFound(collect::RecordList records) {
  meter_.RowsFound(static_cast<int>(records.Size()));
  auto shared = std::make_shared<collect::RecordList>(std::move(records));
  Post([window = &window_, shared] { window->Controls().list->Model().AddRows(*shared); });
}

bool WindowRunObserver::StopRequested() const { return window_.StopRequested(); }

void RunEngineWork(const std::function<void()>& work) {
  RunInBackground(work);
  QCoreApplication::sendPostedEvents();
}

}  // namespace window
