#include "panel/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vx::panel {
namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size / 32.0;
  painter.setPen(QPen(QColor(40, 40, 44), 1.5 * s));
  painter.setBrush(QColor(214, 208, 196));
  painter.drawRoundedRect(QRectF(1.5 * s, 3 * s, 29 * s, 26 * s), 3 * s, 3 * s);
  painter.setBrush(QColor(10, 22, 18));
  painter.setPen(Qt::NoPen);
  painter.drawRect(QRectF(5 * s, 6.5 * s, 22 * s, 13 * s));
  QPainterPath trace;
  trace.moveTo(6 * s, 15 * s);
  trace.cubicTo(10 * s, 6 * s, 14 * s, 20 * s, 18 * s, 12 * s);
  trace.cubicTo(21 * s, 7 * s, 24 * s, 14 * s, 26 * s, 10 * s);
  painter.setPen(QPen(QColor(90, 230, 170), 1.6 * s));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(trace);
  painter.setPen(Qt::NoPen);
  const QColor keys[] = {QColor(200, 60, 50), QColor(60, 60, 66), QColor(60, 60, 66)};
  for (int i = 0; i < 3; ++i) {
    painter.setBrush(keys[i]);
    painter.drawRoundedRect(QRectF((6 + i * 7.5) * s, 22.5 * s, 5.5 * s, 3.5 * s), 1.7 * s,
                            1.7 * s);
  }
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace vx::panel
