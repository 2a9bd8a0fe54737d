#pragma once
// Cell references of a worksheet in the two notations the object model takes: A1 ("C12",
// "$F$6", "A1:U1") and row-column ("R2C3", "R2C2:R21C2"), within the sheet's limits.

#include <optional>
#include <string>
#include <string_view>

#include "automation/value.h"

namespace vx::automation {

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// A rectangular block of cells, rows and columns counted from 1, first <= last.
struct CellBlock {
  int firstRow = 1;
  int firstColumn = 1;
  int lastRow = 1;
  int lastColumn = 1;

  bool operator==(const CellBlock&) const = default;
  bool IsSingleCell() const { return firstRow == lastRow && firstColumn == lastColumn; }
  int RowCount() const { return lastRow - firstRow + 1; }
  int ColumnCount() const { return lastColumn - firstColumn + 1; }
};

// A parsed reference, or why it is not one.
struct ParsedBlock {
  std::optional<CellBlock> block;
  std::string error;
};

bool WithinSheet(int row, int column);
CellBlock SpanOf(const CellBlock& a, const CellBlock& b);

// "A", "Z", "AA", ..., "XFD".
std::string ColumnLetters(int column);

// One cell or a block in A1 notation, with or without "$" marks.
ParsedBlock ParseA1(std::string_view text);
// One cell or a block in row-column notation (absolute references only).
ParsedBlock ParseR1C1(std::string_view text);

// "$B$2" for a single cell, "$B$2:$B$21" for a block.
std::string AbsoluteA1(const CellBlock& block);
// "R2C2" or "R2C2:R21C2".
std::string AbsoluteR1C1(const CellBlock& block);

// Why `rows` cannot fill `block` (it must have the block's number of rows, each with the
// block's number of columns), or "" when it can.
std::string BlockShapeProblem(const ValueRows& rows, const CellBlock& block);

// Parses the digits at the start of `text` as a reference coordinate; advances `text`.
// nullopt when there are none or when the number does not fit.
std::optional<long> TakeNumber(std::string_view& text);
// Parses the column letters at the start of `text`; advances `text`.
std::optional<long> TakeColumnLetters(std::string_view& text);

}  // namespace vx::automation
