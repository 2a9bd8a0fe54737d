#include "scanner/results_grid.h"

#include <algorithm>

namespace vx::scanner {
namespace {

const std::string kEmpty;

}  // namespace

void ResultsGrid::SetRows(int rows) {
  rows = std::max(rows, 0);
  cells_.resize(static_cast<size_t>(rows), std::vector<std::string>(static_cast<size_t>(columns_)));
  ++revision_;
}

void ResultsGrid::SetColumns(int columns) {
  columns = std::max(columns, 0);
  columns_ = columns;
  for (auto& row : cells_) row.resize(static_cast<size_t>(columns));
  widths_.resize(static_cast<size_t>(columns), 0);
  centred_.resize(static_cast<size_t>(columns), false);
  ++revision_;
}

const std::string& ResultsGrid::Cell(int row, int column) const {
  if (row < 0 || row >= Rows() || column < 0 || column >= columns_) return kEmpty;
  return cells_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void ResultsGrid::SetCell(int row, int column, std::string text) {
  if (row < 0 || row >= Rows() || column < 0 || column >= columns_) return;
  cells_[static_cast<size_t>(row)][static_cast<size_t>(column)] = std::move(text);
  ++revision_;
}

void ResultsGrid::ClearRow(int row) {
  if (row < 0 || row >= Rows()) return;
  for (std::string& cell : cells_[static_cast<size_t>(row)]) cell.clear();
  ++revision_;
}

int ResultsGrid::ColumnWidth(int column) const {
  return column >= 0 && column < columns_ ? widths_[static_cast<size_t>(column)] : 0;
}

void ResultsGrid::SetColumnWidth(int column, int twips) {
  if (column < 0 || column >= columns_) return;
  widths_[static_cast<size_t>(column)] = twips;
  ++revision_;
}

bool ResultsGrid::HeaderCentred(int column) const {
  return column >= 0 && column < columns_ && centred_[static_cast<size_t>(column)];
}

void ResultsGrid::SetHeaderCentred(int column, bool centred) {
  if (column < 0 || column >= columns_) return;
  centred_[static_cast<size_t>(column)] = centred;
  ++revision_;
}

}  // namespace vx::scanner
