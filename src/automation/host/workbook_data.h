#pragma once
// What the in-memory host keeps of a workbook: its sheets with their cells, styles, column
// widths, names and shapes, and its charts. The automation objects are views on this data;
// the .xlsx writer reads it.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/cell_reference.h"
#include "automation/formula.h"
#include "automation/formula_evaluator.h"
#include "automation/spreadsheet.h"
#include "automation/value.h"

namespace vx::automation::host {

inline constexpr int xlBottom = -4107;
inline constexpr int xlTickLabelPositionNextToAxis = 4;
inline constexpr double kDefaultColumnWidth = 8.43;  // characters
inline constexpr double kDefaultRowHeight = 15.0;    // points

struct CellStyle {
  std::string numberFormat;  // "" is the General format
  bool bold = false;
  int verticalAlignment = xlBottom;
  bool operator==(const CellStyle&) const = default;
};

struct Cell {
  Value value;
  std::uint16_t style = 0;
};

struct ControlData {
  int max = 100;
  int min = 0;
  int value = 0;
  int smallChange = 1;
  int largeChange = 10;
  std::string linkedCell;  // "$F$6", or "" for none
};

struct ShapeData {
  int id = 0;  // unique within its sheet, unlike the name
  std::string name;
  int type = msoFormControl;
  double top = 0;
  double left = 0;
  double width = 360;
  double height = 216;
  ControlData control;
};

struct SeriesData {
  std::string name;    // literal text or "=Sheet1!R1C2"
  std::string values;  // "=Sheet1!DmmyAxis", a block reference, or ""
  int axisGroup = xlPrimary;
  int chartType = xlLineMarkers;
};

struct ChartData {
  enum class Place { ChartSheet, InSheet };
  std::string name;
  int chartType = xlLineMarkers;
  std::vector<SeriesData> series;
  // [axis type - 1][axis group - 1]: category and value axes, primary and secondary.
  bool hasAxis[2][2] = {{true, false}, {true, false}};
  bool hasTitle = false;
  std::string title;
  struct AxisData {
    int categoryType = xlAutomatic;
    int tickLabelPosition = xlTickLabelPositionNextToAxis;
  };
  AxisData axes[2][2];
  Place place = Place::ChartSheet;
  // The chart sheet's name, or the worksheet the chart sits in.
  std::string sheetName;
  // The chart's shape in that worksheet.
  std::string shapeName;
};

// A worksheet's cells, styles, widths and shapes. Rows are kept in blocks shared with the
// snapshots taken of the sheet (see WorkbookData::Snapshot): a copy of the sheet costs a
// pointer per block, and a block is copied only when the sheet changes it while a snapshot
// still holds it.
class SheetData {
 public:
  explicit SheetData(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  void Rename(std::string name) { name_ = std::move(name); }

  const Cell* Find(int row, int column) const;
  Cell& At(int row, int column);
  Value ValueAt(int row, int column) const;
  // Rows 1..RowCount() may hold cells; row r holds ColumnsIn(r) of them.
  int RowCount() const { return rowCount_; }
  int ColumnsIn(int row) const { return static_cast<int>(RowCells(row).size()); }
  const Cell& CellIn(int row, int column) const { return RowCells(row)[column - 1]; }

  // The style a whole column was given (0, the default style, when none): cells written
  // into the column later start with it.
  std::uint16_t ColumnStyle(int column) const;
  void SetColumnStyle(int column, std::uint16_t style) { columnStyles_[column] = style; }
  const std::map<int, std::uint16_t>& ColumnStyles() const { return columnStyles_; }

  double ColumnWidth(int column) const;
  // Shapes move with the cells under them, as a spreadsheet program's objects do: one that
  // begins at or right of the column's right edge moves as far as that edge does.
  void SetColumnWidth(int column, double characters);
  const std::map<int, double>& ColumnWidths() const { return columnWidths_; }
  // Position of a row's top and a column's left edge, in points.
  double RowTop(int row) const { return (row - 1) * kDefaultRowHeight; }
  double ColumnLeft(int column) const;
  // Converts a position in points to the cell that holds it and the offset inside, in pixels.
  void CellAtPoint(double top, double left, int& row, int& column, int& rowOffsetPx,
                   int& columnOffsetPx) const;

  std::vector<ShapeData>& Shapes() { return shapes_; }
  const std::vector<ShapeData>& Shapes() const { return shapes_; }
  ShapeData* FindShape(std::string_view name);
  ShapeData* FindShape(int id);
  int NextShapeNumber() { return ++shapeCounter_; }

 private:
  static constexpr int kRowsPerBlock = 1024;
  using RowBlock = std::vector<std::vector<Cell>>;

  const std::vector<Cell>& RowCells(int row) const;
  // The block that holds `row`, made this sheet's own first when a snapshot shares it.
  RowBlock& WritableBlock(int row);

  std::string name_;
  std::vector<std::shared_ptr<RowBlock>> blocks_;
  int rowCount_ = 0;
  std::map<int, double> columnWidths_;
  std::map<int, std::uint16_t> columnStyles_;
  std::vector<ShapeData> shapes_;
  int shapeCounter_ = 0;
};

struct DefinedNameData {
  std::string name;
  int sheet = -1;  // the sheet the name is local to; -1 for the whole workbook
  std::string refersToR1C1;
  std::shared_ptr<const Formula> formula;  // null when the formula is not understood
  std::string error;
};

class WorkbookData final : public FormulaContext {
 public:
  explicit WorkbookData(std::string name) : name_(std::move(name)) {}

  // The workbook as it is now, for writing on another thread while this one goes on
  // changing: sheets and charts are copies of their own (a sheet's rows shared block by
  // block until either side changes them). Cheap: no cell is copied.
  std::shared_ptr<const WorkbookData> Snapshot() const;

  const std::string& Name() const { return name_; }
  std::string fullName;
  std::string title;
  // Opened from a file the host cannot read: it must never be saved over that file.
  bool openedUnreadable = false;
  bool addIn = false;
  bool handedOver = false;
  int activeSheet = 0;

  std::vector<std::shared_ptr<SheetData>>& Sheets() { return sheets_; }
  const std::vector<std::shared_ptr<SheetData>>& Sheets() const { return sheets_; }
  std::shared_ptr<SheetData> AddSheet();
  std::vector<std::shared_ptr<ChartData>>& Charts() { return charts_; }
  const std::vector<std::shared_ptr<ChartData>>& Charts() const { return charts_; }
  std::shared_ptr<ChartData> AddChart();
  // True when no worksheet or chart sheet has this name (compared without letter case).
  bool SheetNameFree(std::string_view name) const;

  std::uint16_t StyleIndex(const CellStyle& style);
  const CellStyle& Style(std::uint16_t index) const { return styles_[index]; }
  size_t StyleCount() const { return styles_.size(); }

  // Defines or redefines a name. `qualifiedName` may carry its sheet ("Sheet1!DmmCount");
  // a name of an unknown sheet, or one that is not a valid name, is refused with the reason.
  std::string DefineName(std::string_view qualifiedName, std::string_view refersToR1C1,
                         int defaultSheet);
  const std::vector<DefinedNameData>& Names() const { return names_; }
  const DefinedNameData* FindName(int sheet, std::string_view name) const;
  // The block a name covers now, or the reason it covers none.
  bool ResolveName(const DefinedNameData& name, int& sheet, CellBlock& block,
                   std::string& error) const;
  // The block a reference formula ("=Sheet1!DmmyAxis", "=Sheet1!$B$2:$B$9") covers now.
  bool ResolveReference(std::string_view formula, int defaultSheet, int& sheet, CellBlock& block,
                        std::string& error) const;

  // FormulaContext
  int SheetIndex(std::string_view name) const override;
  Value CellValue(int sheet, int row, int column) const override;
  std::shared_ptr<const Formula> NameFormula(int sheet, std::string_view name, int& definedOn,
                                             std::string& error) const override;

 private:
  std::string name_;
  std::vector<std::shared_ptr<SheetData>> sheets_;
  std::vector<std::shared_ptr<ChartData>> charts_;
  std::vector<CellStyle> styles_{CellStyle{}};
  std::vector<DefinedNameData> names_;
  int chartCounter_ = 0;
};

// Splits "Sheet1!Name" or "'It''s'!Name" into its sheet (unquoted, "''" read as "'") and its
// name; a name without a sheet leaves `sheet` empty. False when the sheet part is empty.
bool SplitQualified(std::string_view qualified, std::string& sheet, std::string& name);

// Display text of a cell as the General format shows it, for fitting column widths.
std::string DisplayText(const Cell& cell, const CellStyle& style);
// Columns a text takes on screen (wide characters count twice).
size_t DisplayWidth(std::string_view text);

}  // namespace vx::automation::host
