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

void WindowRunObserver::PageStarted(const collect::RunProgress& progress) {
  Post([window = &window_, progress] { window->ShowRunProgress(progress); });
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
  collect::StatusReporter::DetailPageFinished(detail);
  Post([window = &window_, progress = detail.progress] { window->ShowRunProgress(progress); });
}

void WindowRunObserver::RecordsFound(std::vector<collect::Record> records) {
  auto shared = std::make_shared<std::vector<collect::Record>>(std::move(records));
  Post([window = &window_, shared] { window->Controls().list->Model().AddRows(*shared); });
}

bool WindowRunObserver::StopRequested() const { return window_.StopRequested(); }

void RunEngineWork(const std::function<void()>& work) {
  RunInBackground(work);
  QCoreApplication::sendPostedEvents();
}

}  // namespace window
