#pragma once
// Where readings land on the chart's screen.
//
// Vertically the screen shows 1000 logical units, -500 at the bottom to +500 at the top,
// 100 per division; a value v at the scale factor f (divisions per unit of reading) stands
// at the integer part of v·f·100, and the overload marker above the screen at 2001.
// Horizontally the readings of a drawing spread over the full width: of a span of s steps,
// reading i lies in pixel column round(i·(width−1)/s), the first at the left edge and the
// last at the right.
//
// Every point is snapped to a pixel before anything is drawn. That is what lets a drawing
// of a million readings cost as little as one of a thousand: all readings that fall on one
// pixel column draw, between them, exactly the pixels from their lowest to their highest
// point, so the screen is drawn column by column (see TraceColumns) and looks the same as
// one line segment per reading would.

#include <cstdint>

namespace vx::records {

// The logical height of the overload marker in a trace: above the visible band.
inline constexpr long long kOverloadTraceY = 2001;
// ... and of the chart's marker on an overload reading.
inline constexpr long long kOverloadMarkerY = 1000;
// The screen shows -500 to +500 logical units.
inline constexpr double kLogicalHeight = 1000.0;
// Heights far outside the screen are held here: the line still leaves the screen in the
// right direction, and no pixel coordinate can overflow the painter.
inline constexpr double kLogicalLimit = 10000000.0;

// The logical height of a value at factor `factor`: the integer part of v·f·100, the
// overload marker at `overloadY`.
long long LogicalY(double value, double factor, long long overloadY = kOverloadTraceY);

class ChartGeometry {
 public:
  // A screen of `width` by `height` pixels showing a span of `span` steps (readings − 1).
  ChartGeometry(int width, int height, long long span);

  int Width() const { return width_; }
  int Height() const { return height_; }
  long long Span() const { return span_; }

  // The pixel column of step `step` (0 to span).
  int Column(long long step) const;
  // The pixel row of logical height `logicalY`; may lie far outside the screen.
  int Row(long long logicalY) const;
  // The pixel row of a value at factor `factor`, as the trace draws it.
  int TraceRow(double value, double factor) const { return Row(LogicalY(value, factor)); }

 private:
  int width_;
  int height_;
  long long span_;
};

}  // namespace vx::records
