// The progress label and the stop button of a run.
#include "window/run_panel.h"

#include <QLabel>
#include <QPushButton>

namespace window {

RunPanel::RunPanel(QWidget* parent, std::function<void()> onStop)
    : QWidget(parent),
      progress_(new QLabel(this)),
      stop_(new QPushButton(QStringLiteral("停止"), this)) {
  setObjectName(QStringLiteral("runPanel"));
  progress_->setObjectName(QStringLiteral("runProgress"));
  stop_->setObjectName(QStringLiteral("stopRun"));
  progress_->setGeometry(0, 0, 110, 24);
  progress_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  stop_->setGeometry(112, 0, 60, 24);
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

void RunPanel::ShowProgress(int pagesDone, int pageCount, int pagesFailed) {
  QString text = QStringLiteral("%1 / %2 页").arg(pagesDone).arg(pageCount);
  if (pagesFailed > 0) text += QStringLiteral("，失败 %1").arg(pagesFailed);
  progress_->setText(text);
}

}  // namespace window
