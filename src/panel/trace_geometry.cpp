#include "panel/trace_geometry.h"

#include <algorithm>
#include <cmath>

namespace vx::panel {

double TraceY(double sample, double offset, double factor) {
  const double y = (sample - offset) * factor * kUnitsPerDivision;
  if (std::isnan(y)) return 0.0;
  return std::clamp(y, -kLogicalLimit, kLogicalLimit);
}

void TracePolyline(const TraceHistory& history, int device, int dots, double offset, double factor,
                   std::vector<LogicalPoint>& points) {
  points.clear();
  const int count = history.SampleCount();
  const double shift = count >= dots ? 1.0 : 0.0;
  points.reserve(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double sample = history.Sample(device, count - 1 - k);
    points.push_back(LogicalPoint{k + shift, TraceY(sample, offset, factor)});
  }
}

}  // namespace vx::panel
