#include "automation/cell_reference.h"

#include <algorithm>
#include <cctype>

namespace vx::automation {
namespace {

// Coordinates beyond this are out of the sheet whatever they were meant to be; the bound
// keeps the arithmetic below from overflowing on hostile input.
constexpr long kCoordinateCeiling = 100000000;

std::string OutsideSheet(std::string_view text) {
  return "The cell reference " + std::string(text) + " lies outside the sheet (" +
         std::to_string(kMaxColumns) + " columns, " + std::to_string(kMaxRows) + " rows).";
}

std::string NotAReference(std::string_view text, const char* notation) {
  return "\"" + std::string(text) + "\" is not a cell reference in " + notation + " notation.";
}

struct ParsedCell {
  long row = 0;
  long column = 0;
};

std::optional<ParsedCell> TakeA1Cell(std::string_view& text) {
  if (!text.empty() && text.front() == '$') text.remove_prefix(1);
  const auto column = TakeColumnLetters(text);
  if (!column) return std::nullopt;
  if (!text.empty() && text.front() == '$') text.remove_prefix(1);
  const auto row = TakeNumber(text);
  if (!row) return std::nullopt;
  return ParsedCell{*row, *column};
}

std::optional<ParsedCell> TakeR1C1Cell(std::string_view& text) {
  if (text.empty() || std::toupper(static_cast<unsigned char>(text.front())) != 'R') {
    return std::nullopt;
  }
  text.remove_prefix(1);
  const auto row = TakeNumber(text);
  if (!row || text.empty() || std::toupper(static_cast<unsigned char>(text.front())) != 'C') {
    return std::nullopt;
  }
  text.remove_prefix(1);
  const auto column = TakeNumber(text);
  if (!column) return std::nullopt;
  return ParsedCell{*row, *column};
}

template <typename TakeCell>
ParsedBlock ParseBlock(std::string_view text, TakeCell takeCell, const char* notation) {
  std::string_view rest = text;
  const auto first = takeCell(rest);
  if (!first) return {std::nullopt, NotAReference(text, notation)};
  ParsedCell last = *first;
  if (!rest.empty() && rest.front() == ':') {
    rest.remove_prefix(1);
    const auto second = takeCell(rest);
    if (!second) return {std::nullopt, NotAReference(text, notation)};
    last = *second;
  }
  if (!rest.empty()) return {std::nullopt, NotAReference(text, notation)};
  if (!WithinSheet(static_cast<int>(std::min(first->row, kCoordinateCeiling)),
                   static_cast<int>(std::min(first->column, kCoordinateCeiling))) ||
      !WithinSheet(static_cast<int>(std::min(last.row, kCoordinateCeiling)),
                   static_cast<int>(std::min(last.column, kCoordinateCeiling)))) {
    return {std::nullopt, OutsideSheet(text)};
  }
  const CellBlock a{static_cast<int>(first->row), static_cast<int>(first->column),
                    static_cast<int>(first->row), static_cast<int>(first->column)};
  const CellBlock b{static_cast<int>(last.row), static_cast<int>(last.column),
                    static_cast<int>(last.row), static_cast<int>(last.column)};
  return {SpanOf(a, b), {}};
}

}  // namespace

bool WithinSheet(int row, int column) {
  return row >= 1 && row <= kMaxRows && column >= 1 && column <= kMaxColumns;
}

CellBlock SpanOf(const CellBlock& a, const CellBlock& b) {
  return CellBlock{std::min(a.firstRow, b.firstRow), std::min(a.firstColumn, b.firstColumn),
                   std::max(a.lastRow, b.lastRow), std::max(a.lastColumn, b.lastColumn)};
}

std::optional<long> TakeNumber(std::string_view& text) {
  long value = 0;
  size_t i = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    value = std::min(value * 10 + (text[i] - '0'), kCoordinateCeiling);
    ++i;
  }
  if (i == 0) return std::nullopt;
  text.remove_prefix(i);
  return value;
}

std::optional<long> TakeColumnLetters(std::string_view& text) {
  long value = 0;
  size_t i = 0;
  while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) {
    value = std::min(value * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1),
                     kCoordinateCeiling);
    ++i;
  }
  if (i == 0) return std::nullopt;
  text.remove_prefix(i);
  return value;
}

std::string ColumnLetters(int column) {
  std::string letters;
  while (column > 0) {
    const int digit = (column - 1) % 26;
    letters.insert(letters.begin(), static_cast<char>('A' + digit));
    column = (column - 1) / 26;
  }
  return letters;
}

ParsedBlock ParseA1(std::string_view text) {
  return ParseBlock(text, TakeA1Cell, "A1");
}

ParsedBlock ParseR1C1(std::string_view text) {
  return ParseBlock(text, TakeR1C1Cell, "row-column");
}

std::string AbsoluteA1(const CellBlock& block) {
  std::string text = "$" + ColumnLetters(block.firstColumn) + "$" + std::to_string(block.firstRow);
  if (!block.IsSingleCell()) {
    text += ":$" + ColumnLetters(block.lastColumn) + "$" + std::to_string(block.lastRow);
  }
  return text;
}

std::string AbsoluteR1C1(const CellBlock& block) {
  std::string text = "R" + std::to_string(block.firstRow) + "C" + std::to_string(block.firstColumn);
  if (!block.IsSingleCell()) {
    text += ":R" + std::to_string(block.lastRow) + "C" + std::to_string(block.lastColumn);
  }
  return text;
}

std::string BlockShapeProblem(const ValueRows& rows, const CellBlock& block) {
  const auto expected = [&] {
    return std::to_string(block.RowCount()) + " x " + std::to_string(block.ColumnCount());
  };
  if (rows.size() != static_cast<size_t>(block.RowCount())) {
    return "The range " + AbsoluteA1(block) + " takes " + expected() + " values, not " +
           std::to_string(rows.size()) + " rows of them.";
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].size() != static_cast<size_t>(block.ColumnCount())) {
      return "The range " + AbsoluteA1(block) + " takes " + expected() + " values; row " +
             std::to_string(i + 1) + " holds " + std::to_string(rows[i].size()) + ".";
    }
  }
  return {};
}

}  // namespace vx::automation
