// The small dialog of the 工具箱 menu that sets how pages are fetched for the rest of the session:
// connections per host, pages in flight, and the pause between two requests to one host.
#pragma once

#include <QDialog>

#include "collect/collection_settings.h"

class QSpinBox;

namespace window {

class FetchingDialog final : public QDialog {
  Q_OBJECT

public:
  FetchingDialog(QWidget* parent, const collect::FetchPoliteness& current);

  // The values as the boxes hold them.
  collect::FetchPoliteness Chosen() const;

  QSpinBox* PerHostBox() const { return perHost_; }
  QSpinBox* JobsBox() const { return jobs_; }
  QSpinBox* DelayBox() const { return delay_; }

private:
  QSpinBox* perHost_;
  QSpinBox* jobs_;
  QSpinBox* delay_;
};

}  // namespace window
