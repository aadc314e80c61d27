// The file dialogs of the main window's commands, with a seam that lets tests answer them.
#pragma once

#include <QString>

class QWidget;

namespace window {

// What a file dialog asks for: its caption and its name filter ("Pelmo 项目 (*.pelmo.json)").
struct FileQuestion {
  QString caption;
  QString filter;
};

// The file the user picks to read, in a dialog over owner; empty when the dialog was cancelled.
QString ChooseFileToOpen(QWidget* owner, const FileQuestion& question);

// The file the user names to write, in a dialog over owner (it asks before an existing file is
// replaced); empty when the dialog was cancelled.
QString ChooseFileToSave(QWidget* owner, const FileQuestion& question);

// A file the user names to read or to write, in a dialog over owner (an existing file is taken
// without a question); empty when the dialog was cancelled.
QString ChooseFileToUse(QWidget* owner, const FileQuestion& question);

// Seam for tests: the next dialog answers with name (empty: cancelled) without showing anything.
// Answers set in turn are given in the same order.
void SetNextFileName(const QString& name);

}  // namespace window
