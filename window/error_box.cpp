// The error presenter that shows the runtime error box.
#include "window/error_box.h"

#include <QCoreApplication>
#include <QThread>

#include "window/qt_message_box.h"
#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace window {

namespace {

constexpr int kErrorBoxStyle = 0x10;

void ShowErrorBox(const runtime::Text& boxText) {
  ShowQtMessageBox(nullptr, boxText, kErrorBoxStyle, runtime::T("错误"));
}

}  // namespace

void InstallErrorBox() {
  runtime::SetErrorPresenter([](const runtime::Text& boxText) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
      ShowErrorBox(boxText);
      return;
    }
    QMetaObject::invokeMethod(
        application, [&boxText] { ShowErrorBox(boxText); }, Qt::BlockingQueuedConnection);
  });
}

}  // namespace window
