// The status bar widget: parts of fixed widths, the last reaching to the right edge, each
// showing its text.
#pragma once

#include <QWidget>

#include "runtime/status_bar.h"

namespace app {

class StatusBarWidget final : public QWidget {
  Q_OBJECT

public:
  StatusBarWidget(runtime::StatusBarData data, QWidget* parent);

  runtime::StatusBarData& Data() { return data_; }
  // The area of a part in widget coordinates; empty for a part outside the bar.
  QRect PartRect(int part) const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  runtime::StatusBarData data_;
};

}  // namespace app
