// Style, font and icon of the program.
#include "window/program_look.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleFactory>

namespace window {

namespace {

constexpr int kFontPixelSize = 12;

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);

  QLinearGradient sheet(0, 0, 0, 32);
  sheet.setColorAt(0, QColor(52, 128, 224));
  sheet.setColorAt(1, QColor(20, 84, 170));
  painter.setPen(Qt::NoPen);
  painter.setBrush(sheet);
  painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);

  painter.setBrush(QColor(255, 255, 255, 235));
  for (int row = 0; row < 4; ++row) {
    painter.drawRoundedRect(QRectF(6, 7 + row * 5, row % 2 == 0 ? 15 : 12, 2.6), 1.2, 1.2);
  }

  QPainterPath arrow;
  arrow.moveTo(22, 14);
  arrow.lineTo(27, 14);
  arrow.lineTo(27, 20);
  arrow.lineTo(30, 20);
  arrow.lineTo(24.5, 27);
  arrow.lineTo(19, 20);
  arrow.lineTo(22, 20);
  arrow.closeSubpath();
  painter.setBrush(QColor(255, 160, 40));
  painter.drawPath(arrow);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64}) {
    icon.addPixmap(DrawIcon(size));
  }
  return icon;
}

void ApplyProgramLook() {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QFont font(QStringLiteral("Noto Sans CJK SC"));
  font.setPixelSize(kFontPixelSize);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
  QApplication::setWindowIcon(ProgramIcon());
}

}  // namespace window
