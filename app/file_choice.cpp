// File dialogs over the main window, or the answers a test has set.
#include "app/file_choice.h"

#include <QFileDialog>
#include <deque>
#include <optional>

#include "app/qt_controls.h"
#include "runtime/control_access.h"

namespace app {
namespace {

std::deque<QString>& NextFileNames() {
  static std::deque<QString> names;
  return names;
}

std::optional<QString> TakeNextFileName() {
  if (NextFileNames().empty()) return std::nullopt;
  QString name = NextFileNames().front();
  NextFileNames().pop_front();
  return name;
}

QWidget* DialogOwner() {
  auto* controls = dynamic_cast<QtControls*>(&runtime::Controls());
  return controls == nullptr ? nullptr : controls->WindowOf(runtime::Window::MainWindow);
}

}  // namespace

QString ChooseFileToOpen(const FileQuestion& question) {
  if (std::optional<QString> name = TakeNextFileName()) return *name;
  return QFileDialog::getOpenFileName(DialogOwner(), question.caption, QString(), question.filter);
}

QString ChooseFileToSave(const FileQuestion& question) {
  if (std::optional<QString> name = TakeNextFileName()) return *name;
  return QFileDialog::getSaveFileName(DialogOwner(), question.caption, QString(), question.filter);
}

void SetNextFileName(const QString& name) { NextFileNames().push_back(name); }

}  // namespace app
