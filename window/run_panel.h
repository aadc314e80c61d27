// What the main window shows beside "处理中，请稍候.." while a run has hidden the result list:
// the progress of the run (pages done of all, failed, rows found, time left) and a button that
// stops it after the current page.
#pragma once

#include <QWidget>
#include <functional>

#include "collect/progress_meter.h"

class QLabel;
class QPushButton;

namespace window {

class RunPanel final : public QWidget {
  Q_OBJECT

public:
  // onStop runs when the stop button is pressed.
  RunPanel(QWidget* parent, std::function<void()> onStop);

  // A new run: empty progress, the stop button enabled.
  void Reset();
  // Where the run stands, in the words of collect::ProgressText.
  void ShowProgress(const collect::ProgressFigures& figures);

  QLabel* ProgressLabel() const { return progress_; }
  QPushButton* StopButton() const { return stop_; }

private:
  QLabel* progress_;
  QPushButton* stop_;
};

}  // namespace window
