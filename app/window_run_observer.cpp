// The window's observer of a run.
#include "app/window_run_observer.h"

#include <QCoreApplication>
#include <memory>

#include "app/main_window_controls.h"
#include "app/status_messages.h"
#include "collect/collection_engine.h"
#include "runtime/control_access.h"

namespace app {

using runtime::Window;

void WindowRunObserver::Post(std::function<void()> work) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void WindowRunObserver::PageStarted(const collect::RunProgress& progress) {
  Post([progress] {
    runtime::Controls().ShowRunProgress(progress.pagesDone, progress.pageCount, progress.pagesFailed);
  });
}

void WindowRunObserver::ShowMessage(const runtime::Text& message) {
  Post([message] { ShowStatusMessage(message); });
}

void WindowRunObserver::AppendLine(const runtime::Text& line) {
  Post([line] { AppendStatusLine(line); });
}

void WindowRunObserver::PageText(const runtime::Text& text) {
  Post([text] {
    runtime::WriteProperty(Window::MainWindow, Control::kPageText, runtime::Property::kContent, text);
  });
}

void WindowRunObserver::ColumnsAdded(const std::vector<runtime::Text>& captions) {
  Post([captions] {
    for (const runtime::Text& caption : captions) {
      runtime::ListView::InsertColumn(Window::MainWindow, Control::kResultList, std::nullopt, caption, 80);
    }
  });
}

void WindowRunObserver::RecordsFound(std::vector<collect::Record> records) {
  auto shared = std::make_shared<std::vector<collect::Record>>(std::move(records));
  Post([shared] {
    for (const collect::Record& record : *shared) {
      const int row = runtime::ListView::InsertItem(Window::MainWindow, Control::kResultList);
      for (std::size_t column = 0; column < record.cells.size(); ++column) {
        runtime::ListView::SetItemText(Window::MainWindow, Control::kResultList, row,
                                       static_cast<int>(column), record.cells[column]);
      }
    }
  });
}

bool WindowRunObserver::StopRequested() const { return runtime::Controls().StopRequested(); }

void RunEngineWork(const std::function<void()>& work) {
  runtime::Controls().RunInBackground(work);
  QCoreApplication::sendPostedEvents();
}

}  // namespace app
