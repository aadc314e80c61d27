// Painting of the status bar parts.
#include "window/status_bar_widget.h"

#include <qdrawutil.h>
#include <QPainter>

#include "window/qt_text.h"

namespace window {

namespace {

constexpr int kTextPadding = 2;

}  // namespace

StatusBarWidget::StatusBarWidget(std::vector<StatusBarPart> parts, QWidget* parent)
    : QWidget(parent), parts_(std::move(parts)) {}

runtime::Text StatusBarWidget::PartText(int part) const {
  if (part < 0 || part >= PartCount()) return {};
  return parts_[static_cast<std::size_t>(part)].text;
}

void StatusBarWidget::SetPartText(int part, const runtime::Text& text) {
  if (part < 0 || part >= PartCount()) return;
  parts_[static_cast<std::size_t>(part)].text = text;
  update();
}

QRect StatusBarWidget::PartRect(int part) const {
  if (part < 0 || part >= PartCount()) {
    return {};
  }
  int left = 0;
  for (int i = 0; i < part; ++i) {
    left += parts_[static_cast<std::size_t>(i)].width;
  }
  const int width = parts_[static_cast<std::size_t>(part)].width;
  const int right = width < 0 ? this->width() : std::min(left + width, this->width());
  return QRect(left, 0, std::max(right - left, 0), height());
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(0, 0, width() - 1, 0);
  for (int part = 0; part < PartCount(); ++part) {
    const QRect area = PartRect(part).adjusted(1, 2, -1, -1);
    if (area.width() <= 0) continue;
    qDrawShadePanel(&painter, area, palette(), true, 1);
    const QRect textArea = area.adjusted(kTextPadding, 0, -kTextPadding, 0);
    const QString text = painter.fontMetrics().elidedText(ToQString(parts_[static_cast<std::size_t>(part)].text),
                                                          Qt::ElideRight, textArea.width());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }
}

}  // namespace window
