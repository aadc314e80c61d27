// The main window's commands of the 工具箱 menu that open another window: the address generator,
// the fetching limits, and the next-page and detail settings.
#include <QDialog>
#include <QLineEdit>

#include "collect/collection_engine.h"
#include "collect/rule_captions.h"
#include "window/background_work.h"
#include "window/control_widgets.h"
#include "window/fetching_dialog.h"
#include "window/links_dialog.h"
#include "window/main_window.h"
#include "window/url_generator_window.h"

namespace window {
namespace {

// Hears nothing; tells a download to stop when the flag is set.
class StopFlagObserver final : public collect::RunObserver {
public:
  explicit StopFlagObserver(const std::atomic<bool>& stop) : stop_(stop) {}
  bool StopRequested() const override { return stop_; }

private:
  const std::atomic<bool>& stop_;
};

}  // namespace

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

void MainWindow::ChooseLinks() {
  auto tester = [this](const collect::NextPageSettings& next, const collect::DetailSettings& detail,
                       const std::atomic<bool>& stop) -> std::optional<LinkTestResults> {
    const std::shared_ptr<const TestedPage> page = session_.testedPage;
    if (!page) return std::nullopt;
    collect::CollectionProject project = ReadProject();
    project.next = next;
    project.detail = detail;
    const collect::CollectionSettings settings = collect::SettingsForRun(project);
    LinkTestResults results;
    results.next = collect::TestNextPage(*page, settings);
    collect::WebFetcher fetcher;
    StopFlagObserver observer(stop);
    RunInBackground([&] { results.detail = collect::TestDetailPage(*page, settings, fetcher, observer); });
    return results;
  };
  LinksDialog dialog(this, next_, detail_, collect::RuleCaptions(EditBoxText(controls_.rule)), tester);
  if (dialog.exec() != QDialog::Accepted) return;
  next_ = dialog.ChosenNext();
  detail_ = dialog.ChosenDetail();
}

}  // namespace window
