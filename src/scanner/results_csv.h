#pragma once
// The results grid as text: the lines vxscan prints (tab-separated) and its CSV output
// (comma-separated, every line ended by CR LF). Both carry what the export carries: grid
// columns from "Time" on, the header line first. Grid texts hold no comma or tab.

#include <string>

#include "scanner/results_grid.h"

namespace vx::scanner {

// Grid row `row` from column 1 on, the cells joined by `separator`.
std::string RowLine(const ResultsGrid& grid, int row, char separator);

// Writes the whole grid to `path` as CSV, whole or not at all: a failed write leaves no
// file behind and an earlier file of that name as it was. "" on success, else the reason.
std::string WriteResultsCsv(const ResultsGrid& grid, const std::string& path);

}  // namespace vx::scanner
