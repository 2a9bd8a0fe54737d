#pragma once
// The chart's screen: the backing image that holds the background and every trace drawn
// since the last clearing, with at most one marker over it. Traces go into the image, so a
// repaint never redraws them; the marker is painted over a fresh copy each time and so only
// one is ever seen.

#include <QImage>
#include <QWidget>

#include <optional>

#include "records/chart/record_chart.h"
#include "records/chart/trace_columns.h"

namespace vx::records {

class ChartScreen final : public QWidget {
 public:
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 400;

  explicit ChartScreen(QWidget* parent);

  // Draws a trace over what is there.
  void DrawTrace(const std::vector<TraceColumn>& columns, QColor colour);
  // Back to the empty screen; the marker goes too.
  void Clear();
  void SetMarker(std::optional<ChartMarker> marker);

  // The backing image: background and traces, without the marker.
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  std::optional<ChartMarker> marker_;
};

}  // namespace vx::records
