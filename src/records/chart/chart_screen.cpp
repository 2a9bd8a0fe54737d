#include "records/chart/chart_screen.h"

#include <QPainter>

#include "records/chart/trace_painter.h"

namespace vx::records {

ChartScreen::ChartScreen(QWidget* parent)
    : QWidget(parent), image_(ChartBackground(QSize(kWidth, kHeight))) {
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartScreen::DrawTrace(const std::vector<TraceColumn>& columns, QColor colour) {
  {
    QPainter painter(&image_);
    PaintTrace(painter, columns, colour);
  }
  update();
}

void ChartScreen::Clear() {
  image_ = ChartBackground(image_.size());
  marker_.reset();
  update();
}

void ChartScreen::SetMarker(std::optional<ChartMarker> marker) {
  marker_ = std::move(marker);
  update();
}

void ChartScreen::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
  if (marker_) PaintMarker(painter, *marker_);
}

}  // namespace vx::records
