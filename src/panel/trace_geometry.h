#pragma once
// Trace coordinates: x runs from 0 to `dots` across the display, newest sample at the left;
// y has 1000 units across the display's height, 100 per division, zero at mid-height,
// upwards positive.

#include <vector>

#include "panel/trace_history.h"

namespace vx::panel {

inline constexpr double kUnitsPerDivision = 100.0;
inline constexpr double kUnitsAcrossHeight = 1000.0;
// Samples far outside the display are drawn at this height, so that the line still leaves
// the display in the right direction but no coordinate can overflow the painter.
inline constexpr double kLogicalLimit = 100000.0;

struct LogicalPoint {
  double x = 0;
  double y = 0;
};

// The height of a sample scaled by a device's division factor and offset.
double TraceY(double sample, double offset, double factor);

// The polyline of one device: newest sample first. While the history fills the newest lies
// at x = 0; once `dots` samples are held it lies at x = 1 and the oldest at x = dots.
void TracePolyline(const TraceHistory& history, int device, int dots, double offset, double factor,
                   std::vector<LogicalPoint>& points);

}  // namespace vx::panel
