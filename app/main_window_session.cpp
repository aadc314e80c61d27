// The main window's memory between commands.
#include "app/main_window_session.h"

namespace app {

namespace {

MainWindowSession* current = nullptr;

}  // namespace

MainWindowSession::MainWindowSession(QObject* mainWindow) : QObject(mainWindow) {
  setObjectName(QStringLiteral("mainWindowSession"));
  current = this;
}

MainWindowSession::~MainWindowSession() {
  if (current == this) current = nullptr;
}

MainWindowSession* MainWindowSession::Current() { return current; }

void MainWindowSession::KeepTestedPage(TestedPage page) {
  testedPage_ = std::make_shared<const TestedPage>(std::move(page));
}

void MainWindowSession::SetFailedAddresses(std::vector<runtime::Text> addresses) {
  failedAddresses_ = std::move(addresses);
}

}  // namespace app
