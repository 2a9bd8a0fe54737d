#include "panel/device_row.h"

#include <QLabel>
#include <QPainter>
#include <QRadioButton>

namespace vx::panel {

ColourSwatch::ColourSwatch(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ColourSwatch::SetColour(const QColor& colour) {
  colour_ = colour;
  update();
}

QSize ColourSwatch::sizeHint() const {
  return kind_ == Kind::Lamp ? QSize(14, 14) : QSize(26, 14);
}

void ColourSwatch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (kind_ == Kind::Lamp) {
    painter.fillRect(rect().adjusted(1, 1, -1, -1), colour_);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return;
  }
  painter.setPen(QPen(colour_, 2));
  painter.drawLine(QPoint(2, height() / 2), QPoint(width() - 3, height() / 2));
}

void DeviceRow::SetVisible(bool visible) {
  for (QWidget* widget :
       std::initializer_list<QWidget*>{radio, lamp, legend, name, division, reading}) {
    if (widget) widget->setVisible(visible);
  }
}

}  // namespace vx::panel
