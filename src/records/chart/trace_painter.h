#pragma once
// Painting the chart's screen: the oscilloscope background, a trace reduced to pixel columns
// and the marker. Pixel coordinates throughout (see ChartGeometry); one-pixel lines without
// antialiasing, as on the instrument's own screen.

#include <QColor>
#include <QImage>
#include <QSize>

#include <vector>

#include "records/chart/record_chart.h"
#include "records/chart/trace_columns.h"

class QPainter;

namespace vx::records {

// Black with a grid of 10 by 10 divisions in dark cyan.
QImage ChartBackground(QSize size);

// One vertical line per column that several readings fell on, from its lowest to its
// highest point, and one line from each column's last point to the next column's first.
void PaintTrace(QPainter& painter, const std::vector<TraceColumn>& columns, QColor colour);

// A white-edged black rectangle around the marker's point.
void PaintMarker(QPainter& painter, const ChartMarker& marker);

}  // namespace vx::records
