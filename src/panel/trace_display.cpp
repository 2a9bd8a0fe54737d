#include "panel/trace_display.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace vx::panel {
namespace {

const QColor kScreen(10, 22, 18);
const QColor kGrid(38, 84, 70);
const QColor kGridMinor(24, 52, 44);
const QColor kAxis(70, 140, 118);
constexpr int kDivisions = 10;
constexpr int kMarkerWidth = 9;
constexpr int kMarkerHeight = 10;

}  // namespace

TraceDisplay::TraceDisplay(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(320, 200);
}

void TraceDisplay::resizeEvent(QResizeEvent*) {
  BuildBackground();
  Render();
}

void TraceDisplay::BuildBackground() {
  background_ = QPixmap(size());
  background_.fill(kScreen);
  QPainter painter(&background_);
  const double w = width() - 1;
  const double h = height() - 1;
  // Five minor ticks per division along the centre lines, as on an oscilloscope.
  painter.setPen(QPen(kGridMinor, 1));
  for (int i = 0; i <= kDivisions * 5; ++i) {
    const double x = w * i / (kDivisions * 5);
    const double y = h * i / (kDivisions * 5);
    painter.drawLine(QPointF(x, h / 2 - 3), QPointF(x, h / 2 + 3));
    painter.drawLine(QPointF(w / 2 - 3, y), QPointF(w / 2 + 3, y));
  }
  painter.setPen(QPen(kGrid, 1, Qt::DotLine));
  for (int i = 1; i < kDivisions; ++i) {
    painter.drawLine(QPointF(w * i / kDivisions, 0), QPointF(w * i / kDivisions, h));
    painter.drawLine(QPointF(0, h * i / kDivisions), QPointF(w, h * i / kDivisions));
  }
  painter.setPen(QPen(kAxis, 1));
  painter.drawLine(QPointF(0, h / 2), QPointF(w, h / 2));
  painter.drawRect(QRectF(0, 0, w, h));
}

void TraceDisplay::Draw(const std::vector<Trace>& traces, int dots) {
  drawn_.resize(traces.size());
  for (size_t i = 0; i < traces.size(); ++i) {
    drawn_[i].points.assign(traces[i].points->begin(), traces[i].points->end());
    drawn_[i].colour = traces[i].colour;
  }
  dots_ = dots;
  Render();
}

void TraceDisplay::Render() {
  if (background_.size() != size()) BuildBackground();
  picture_ = background_;
  QPainter painter(&picture_);
  painter.setClipRect(rect());
  const double xScale = dots_ > 0 ? (width() - 1) / static_cast<double>(dots_) : 0.0;
  const double yScale = height() / kUnitsAcrossHeight;
  const double middle = height() / 2.0;
  QPolygonF line;
  for (const DrawnTrace& trace : drawn_) {
    if (trace.points.size() < 2) continue;
    line.clear();
    line.reserve(static_cast<int>(trace.points.size()));
    for (const LogicalPoint& p : trace.points)
      line.append(QPointF(p.x * xScale, middle - p.y * yScale));
    // Dark trace colours (the default black and blue) get a faint light edge so that they
    // stay visible on the dark screen; the trace itself keeps its colour.
    if (trace.colour.lightness() < 140) {
      painter.setPen(QPen(QColor(235, 235, 235, 90), 1));
      painter.drawPolyline(line.translated(0, -1));
      painter.drawPolyline(line.translated(0, 1));
    }
    painter.setPen(QPen(trace.colour, 1));
    painter.drawPolyline(line);
  }
  painter.end();
  update();
}

void TraceDisplay::SetMarker(int row, const Marker& marker) {
  if (row < 0 || row >= static_cast<int>(markers_.size())) return;
  markers_[static_cast<size_t>(row)] = marker;
  update();
}

void TraceDisplay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_.isNull() ? background_ : picture_);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const Marker& marker : markers_) {
    if (!marker.visible) continue;
    const double y = height() / 2.0 + marker.position * DivisionPixels();
    QPainterPath arrow;
    arrow.moveTo(0, y - kMarkerHeight / 2.0);
    arrow.lineTo(kMarkerWidth, y);
    arrow.lineTo(0, y + kMarkerHeight / 2.0);
    arrow.closeSubpath();
    painter.fillPath(arrow, marker.colour);
    painter.setPen(QPen(QColor(230, 230, 230), 1));
    painter.drawPath(arrow);
  }
}

}  // namespace vx::panel
