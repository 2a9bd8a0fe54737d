#include "records/chart/trace_columns.h"

#include <algorithm>

namespace vx::records {

TraceColumns::TraceColumns(const ChartGeometry& geometry, double factor)
    : geometry_(geometry), factor_(factor) {
  columns_.reserve(static_cast<size_t>(geometry.Width()));
}

void TraceColumns::Add(long long step, double value) {
  const int x = geometry_.Column(step);
  const int row = geometry_.TraceRow(value, factor_);
  ++readings_;
  if (columns_.empty() || columns_.back().x != x) {
    columns_.push_back(TraceColumn{x, row, row, row, row, false});
    return;
  }
  TraceColumn& column = columns_.back();
  column.last = row;
  column.low = std::min(column.low, row);
  column.high = std::max(column.high, row);
  column.several = true;
}

}  // namespace vx::records
