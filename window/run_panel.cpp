// The progress label and the stop button of a run.
#include "window/run_panel.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace window {

namespace {

constexpr int kProgressWidth = 110;
constexpr int kStopGap = 2;
constexpr int kStopWidth = 60;

}  // namespace

RunPanel::RunPanel(QWidget* parent, std::function<void()> onStop)
    : QWidget(parent),
      progress_(new QLabel(this)),
      stop_(new QPushButton(QStringLiteral("停止"), this)) {
  setObjectName(QStringLiteral("runPanel"));
  progress_->setObjectName(QStringLiteral("runProgress"));
  stop_->setObjectName(QStringLiteral("stopRun"));
  progress_->setGeometry(0, 0, kProgressWidth, 24);
  progress_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  stop_->setGeometry(kProgressWidth + kStopGap, 0, kStopWidth, 24);
  stop_->setAutoDefault(false);
  connect(stop_, &QPushButton::clicked, this, [this, onStop = std::move(onStop)] {
    stop_->setEnabled(false);
    onStop();
  });
}

void RunPanel::Reset() {
  progress_->clear();
  stop_->setEnabled(true);
}

void RunPanel::ShowProgress(const QString& text) {
  progress_->setText(text);
  // A longer text (list and detail pages) widens the label, within the panel.
  const int width = std::clamp(progress_->fontMetrics().horizontalAdvance(text) + 4, kProgressWidth,
                               std::max(kProgressWidth, this->width() - kStopGap - kStopWidth));
  progress_->resize(width, progress_->height());
  stop_->move(width + kStopGap, 0);
}

}  // namespace window
