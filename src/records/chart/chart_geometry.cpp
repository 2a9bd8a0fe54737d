#include "records/chart/chart_geometry.h"

#include <cmath>

#include "records/record_format.h"

namespace vx::records {

long long LogicalY(double value, double factor, long long overloadY) {
  if (IsOverloadValue(value)) return overloadY;
  const double y = value * factor * 100.0;
  if (std::isnan(y)) return 0;
  if (y >= kLogicalLimit) return static_cast<long long>(kLogicalLimit);
  if (y <= -kLogicalLimit) return -static_cast<long long>(kLogicalLimit);
  return static_cast<long long>(std::trunc(y));
}

ChartGeometry::ChartGeometry(int width, int height, long long span)
    : width_(width < 1 ? 1 : width), height_(height < 1 ? 1 : height), span_(span < 1 ? 1 : span) {}

int ChartGeometry::Column(long long step) const {
  if (step <= 0) return 0;
  if (step >= span_) return width_ - 1;
  // round(step·(width−1)/span) in integers: exact for any record length. The product stays
  // far below the range of 64 bits (a screen width times a count of readings).
  const long long columns = width_ - 1;
  return static_cast<int>((2 * step * columns + span_) / (2 * span_));
}

int ChartGeometry::Row(long long logicalY) const {
  const double row = height_ / 2.0 - static_cast<double>(logicalY) * height_ / kLogicalHeight;
  return static_cast<int>(std::llround(row));
}

}  // namespace vx::records
