// The progress label and the stop button of a run.
#include "window/run_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "collect/status_texts.h"
#include "window/qt_text.h"

namespace window {

namespace {

constexpr int kStopWidth = 60;
constexpr int kGap = 6;

}  // namespace

RunPanel::RunPanel(QWidget* parent, std::function<void()> onStop)
    : QWidget(parent),
      progress_(new QLabel(this)),
      stop_(new QPushButton(QStringLiteral("停止"), this)) {
  setObjectName(QStringLiteral("runPanel"));
  progress_->setObjectName(QStringLiteral("runProgress"));
  stop_->setObjectName(QStringLiteral("stopRun"));
  progress_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  stop_->setFixedWidth(kStopWidth);
  stop_->setAutoDefault(false);
  // The button follows the text, which grows as the run tells more.
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(kGap);
  row->addWidget(progress_);
  row->addWidget(stop_);
  row->addStretch(1);
  connect(stop_, &QPushButton::clicked, this, [this, onStop = std::move(onStop)] {
    stop_->setEnabled(false);
    onStop();
  });
}

void RunPanel::Reset() {
  progress_->clear();
  stop_->setEnabled(true);
}

void RunPanel::ShowProgress(const collect::ProgressFigures& figures) {
  progress_->setText(ToQString(collect::ProgressText(figures)));
}

}  // namespace window
