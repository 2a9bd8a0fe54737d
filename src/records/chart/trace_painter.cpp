#include "records/chart/trace_painter.h"

#include <QLineF>
#include <QPainter>
#include <QPen>

namespace vx::records {
namespace {

const QColor kScreenColour(0, 0, 0);
const QColor kGridColour(0, 96, 96);
constexpr int kDivisions = 10;

// Cosmetic (width 0) pens draw exactly one pixel wide whatever the transformation, with the
// end points included: the property that makes a column's extremes equal the union of its
// readings' segments.
QPen LinePen(QColor colour) {
  QPen pen(colour, 0);
  pen.setCapStyle(Qt::SquareCap);
  return pen;
}

}  // namespace

QImage ChartBackground(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(kScreenColour);
  QPainter painter(&image);
  painter.setPen(LinePen(kGridColour));
  const int right = size.width() - 1;
  const int bottom = size.height() - 1;
  for (int k = 0; k <= kDivisions; ++k) {
    const int x = (right * k + kDivisions / 2) / kDivisions;
    const int y = (bottom * k + kDivisions / 2) / kDivisions;
    painter.drawLine(QLineF(x, 0, x, bottom));
    painter.drawLine(QLineF(0, y, right, y));
  }
  return image;
}

void PaintTrace(QPainter& painter, const std::vector<TraceColumn>& columns, QColor colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(LinePen(colour));
  const TraceColumn* previous = nullptr;
  for (const TraceColumn& column : columns) {
    if (previous) painter.drawLine(QLineF(previous->x, previous->last, column.x, column.first));
    if (column.several) painter.drawLine(QLineF(column.x, column.low, column.x, column.high));
    previous = &column;
  }
  painter.restore();
}

void PaintMarker(QPainter& painter, const ChartMarker& marker) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(LinePen(Qt::white));
  painter.setBrush(Qt::black);
  painter.drawRect(marker.x - marker.halfWidth, marker.y - marker.halfHeight, 2 * marker.halfWidth,
                   2 * marker.halfHeight);
  painter.restore();
}

}  // namespace vx::records
