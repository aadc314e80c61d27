// A check box whose caption lies left of the box, left-aligned and vertically centred; the box
// sits at the right edge and a click anywhere on the control toggles it.
#pragma once

#include <QCheckBox>

namespace window {

class CaptionLeftCheckBox final : public QCheckBox {
  Q_OBJECT

public:
  CaptionLeftCheckBox(const QString& caption, QWidget* parent);

  // The area of the box itself.
  QRect IndicatorRect() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& position) const override;
};

}  // namespace window
