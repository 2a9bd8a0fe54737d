#pragma once
// The scanner's results grid: row 0 is the header ("Time" and one "CH%d(%s)" heading per
// active channel), column 0 the row number, column 1 the time a pass started, then one
// column per active channel. Cells hold the texts shown; the window's table shows them and
// the export copies them.

#include <cstdint>
#include <string>
#include <vector>

namespace vx::scanner {

class ResultsGrid {
 public:
  // The most rows a grid holds; a run whose grid is full ends.
  static constexpr int kMaxRows = 65534;

  int Rows() const { return static_cast<int>(cells_.size()); }
  int Columns() const { return columns_; }
  // Changing the size keeps the cells that remain; new cells are empty.
  void SetRows(int rows);
  void SetColumns(int columns);

  // Cells outside the grid read as empty and are not written.
  const std::string& Cell(int row, int column) const;
  void SetCell(int row, int column, std::string text);
  void ClearRow(int row);

  // Column widths in twips (0 until set) and whether a column's header is centred.
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int twips);
  bool HeaderCentred(int column) const;
  void SetHeaderCentred(int column, bool centred);

  // Grows with every change, so that a view knows when to show the grid again.
  std::uint64_t Revision() const { return revision_; }

 private:
  std::vector<std::vector<std::string>> cells_;
  std::vector<int> widths_;
  std::vector<bool> centred_;
  int columns_ = 0;
  std::uint64_t revision_ = 0;
};

}  // namespace vx::scanner
