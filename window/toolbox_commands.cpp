// The main window's commands of the 工具箱 menu that open another window: the address generator
// and the fetching limits.
#include <QDialog>

#include "window/fetching_dialog.h"
#include "window/main_window.h"
#include "window/url_generator_window.h"

namespace window {

void MainWindow::OpenUrlGenerator() {
  // Modal without an event loop of its own: the command returns at once, a run in progress goes on.
  if (!generator_) {
    generator_ = new UrlGeneratorWindow(*this);
    // Gone for the commands as soon as it has closed, before Qt deletes it.
    generator_->SetClosedHandler([this] { generator_ = nullptr; });
  }
  generator_->setWindowModality(Qt::ApplicationModal);
  EnableRunCommands(generator_, !running_);
  generator_->show();
  generator_->activateWindow();
}

void MainWindow::ChooseFetching() {
  FetchingDialog dialog(this, fetching_);
  if (dialog.exec() == QDialog::Accepted) fetching_ = dialog.Chosen();
}

}  // namespace window
