// Painting of a check box with its caption on the left.
#include "window/caption_left_check_box.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace window {

CaptionLeftCheckBox::CaptionLeftCheckBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent) {}

QRect CaptionLeftCheckBox::IndicatorRect() const {
  const int width = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  const int height = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  return QRect(this->width() - width - 1, (this->height() - height) / 2, width, height);
}

void CaptionLeftCheckBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QRect indicator = IndicatorRect();
  const QRect textArea(0, 0, indicator.left() - 2, height());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = painter.fontMetrics()
                     .boundingRect(textArea, Qt::AlignLeft | Qt::AlignVCenter, text())
                     .adjusted(-1, 0, 1, 0);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
  option.rect = indicator;
  painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);
}

bool CaptionLeftCheckBox::hitButton(const QPoint& position) const {
  return rect().contains(position);
}

}  // namespace window
