#pragma once
// A chart whose series follow names moves with every reading: a strip chart's series slide
// down one row, an all-readings chart's grow by one. Giving the chart its ranges anew makes
// Calc build every series again, the heaviest call of a logging tick. When only the values
// blocks moved, each moved series is handed a new values sequence instead: one light call per
// series. The sequences are made ahead, behind the caller, for the blocks the series will
// likely cover next (each moved on as it moved last); a guess that turns out wrong costs
// nothing but the chart given its ranges anew, as without it.

#include <vector>

#include "automation/calc/calc_state.h"

namespace vx::automation::calc {

// The chart's ranges as given to Calc: for each drawn series its label (when `labelled`)
// and its values, in drawing order, and the same in Calc's own syntax.
struct DrawnRanges {
  Sequence<css::table::CellRangeAddress> ranges;
  std::vector<std::string> calcReferences;
  bool labelled = true;
  std::vector<size_t> series;  // the model's series drawn, in drawing order
};

// Points the series at `next` by swapping the values of those whose block moved, when that
// is all that changed since the chart was last given its ranges and a sequence was made
// ahead for every moved block. False when the chart is to be given its ranges anew.
bool MoveSeriesValues(ChartState& chart, const DrawnRanges& next);
// The chart was given `drawn` anew: the series kept of it are gone.
void ChartGivenRanges(ChartState& chart, const DrawnRanges& drawn);
// Makes ahead, while writes go behind the caller, the values sequences for the blocks the
// series will likely cover after moving from `before` to `now`.
void MakeNextValuesAhead(BookState& book, ChartState& chart,
                         const Sequence<css::table::CellRangeAddress>& before,
                         const DrawnRanges& now);

}  // namespace vx::automation::calc
