// A worker thread with the GUI thread's event loop running meanwhile.
#include "window/background_work.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <exception>
#include <thread>

namespace window {

void RunInBackground(const std::function<void()>& work) {
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  // An application that is quitting ends every loop at once; keep serving events meanwhile.
  while (!done) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  worker.join();
  if (failure) {
    std::rethrow_exception(failure);
  }
}

}  // namespace window
