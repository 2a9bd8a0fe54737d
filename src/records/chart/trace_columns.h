#pragma once
// A trace reduced to what the screen can show: for each pixel column that readings fall on,
// the row of the first and the last of them, and the lowest and highest row among them.
//
// Drawn as one vertical line from the lowest to the highest row in each column, plus one line
// from each column's last point to the next column's first point, this gives exactly the
// pixels of one line segment per reading: consecutive segments inside a column are vertical
// and cover, together, every row between the column's extremes; the segments between columns
// are the same lines either way. The cost of drawing depends on the screen's width, not on
// the number of readings.

#include <vector>

#include "records/chart/chart_geometry.h"

namespace vx::records {

struct TraceColumn {
  int x = 0;
  int first = 0;         // row of the first reading on the column
  int last = 0;          // row of the last one
  int low = 0;           // smallest row (highest on the screen)
  int high = 0;          // largest row
  bool several = false;  // more than one reading fell on the column
};

class TraceColumns {
 public:
  TraceColumns(const ChartGeometry& geometry, double factor);

  // Adds the reading at step `step` of the span (steps come in increasing order).
  void Add(long long step, double value);

  const std::vector<TraceColumn>& Columns() const { return columns_; }
  // The number of readings added.
  long long Readings() const { return readings_; }

 private:
  ChartGeometry geometry_;
  double factor_;
  std::vector<TraceColumn> columns_;
  long long readings_ = 0;
};

}  // namespace vx::records
