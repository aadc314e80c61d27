// File dialogs, or the answers a test has set.
#include "window/file_choice.h"

#include <QFileDialog>
#include <deque>
#include <optional>


namespace window {
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

}  // namespace

QString ChooseFileToOpen(QWidget* owner, const FileQuestion& question) {
  if (std::optional<QString> name = TakeNextFileName()) return *name;
  return QFileDialog::getOpenFileName(owner, question.caption, QString(), question.filter);
}

QString ChooseFileToSave(QWidget* owner, const FileQuestion& question) {
  if (std::optional<QString> name = TakeNextFileName()) return *name;
  return QFileDialog::getSaveFileName(owner, question.caption, QString(), question.filter);
}

QString ChooseFileToUse(QWidget* owner, const FileQuestion& question) {
  if (std::optional<QString> name = TakeNextFileName()) return *name;
  return QFileDialog::getSaveFileName(owner, question.caption, QString(), question.filter, nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

void SetNextFileName(const QString& name) { NextFileNames().push_back(name); }

}  // namespace window
