#pragma once
// The display area of the front panel: a dark screen with a ten-division grid on which the
// device traces are drawn into an off-screen picture; a repaint only copies that picture and
// puts the zero markers on its left edge.

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <array>
#include <vector>

#include "panel/trace_geometry.h"

namespace vx::panel {

class TraceDisplay : public QWidget {
  Q_OBJECT

 public:
  struct Trace {
    const std::vector<LogicalPoint>* points = nullptr;
    QColor colour;
  };
  struct Marker {
    bool visible = false;
    QColor colour;
    int position = 0;  // divisions from mid-height, downwards positive
  };

  explicit TraceDisplay(QWidget* parent = nullptr);

  // Erases the picture to the background, draws the traces (x from 0 to `dots`) and shows
  // the result.
  void Draw(const std::vector<Trace>& traces, int dots);
  void SetMarker(int row, const Marker& marker);
  const QPixmap& Picture() const { return picture_; }
  // Pixels per division: the zero markers move this far per step.
  double DivisionPixels() const { return height() / 10.0; }

  QSize sizeHint() const override { return {640, 400}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct DrawnTrace {
    std::vector<LogicalPoint> points;
    QColor colour;
  };

  void BuildBackground();
  void Render();

  // What the last Draw drew, so that a resize can draw it again at the new size.
  std::vector<DrawnTrace> drawn_;
  int dots_ = 100;
  QPixmap background_;
  QPixmap picture_;
  std::array<Marker, 4> markers_;
};

}  // namespace vx::panel
