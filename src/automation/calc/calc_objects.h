#pragma once
// The automation objects of the Calc host: thin views on the host's state and Calc's own
// objects, each holding what it views, as the in-memory host's do.

#include "automation/calc/calc_state.h"
#include "automation/charts.h"
#include "automation/command_bars.h"
#include "automation/spreadsheet.h"

namespace vx::automation::calc {

WorkbookPtr MakeWorkbook(HostPtr host, BookPtr book);
WorksheetPtr MakeWorksheet(HostPtr host, BookPtr book, SheetPtr sheet);
RangePtr MakeRange(HostPtr host, BookPtr book, SheetPtr sheet, CellBlock block);
NamesPtr MakeNames(HostPtr host, BookPtr book, SheetPtr sheet);  // sheet null: the workbook's
ShapesPtr MakeShapes(HostPtr host, BookPtr book, SheetPtr sheet);
ChartsPtr MakeCharts(HostPtr host, BookPtr book);
ChartPtr MakeChart(HostPtr host, BookPtr book, ChartStatePtr chart);
CommandBarsPtr MakeCommandBars(HostPtr host);
// The add-ins: the extensions of the user's LibreOffice.
AddInsPtr MakeAddIns(HostPtr host);
// Whether the add-in file at `path`, or the extension file that stands for it, is there.
bool AddInFileExists(std::string_view path);

// The host's refusal of a call, in its own words.
AutomationError CalcError(std::string description);
AutomationError NoItem(const std::string& collection, const std::string& index);

// Writes the values of `rows` into `block` of the sheet in one call, with the number formats
// the values imply, and tells the book which cells changed. Given lanes, the call itself
// goes behind the caller on one of them.
Status WriteBlock(BookState& book, SheetState& sheet, const CellBlock& block, const ValueRows& rows,
                  WriteLanes* behind = nullptr);
// Defines a name: `qualifiedName` may carry its sheet ("Sheet1!DmmCount"), else the name
// belongs to `scope` (null: the workbook). `refersToR1C1` is a formula in row-column
// notation, given to Calc in its own syntax.
Status DefineName(BookState& book, std::string_view qualifiedName, std::string_view refersToR1C1,
                  const SheetPtr& scope);
// A formula in Calc's own syntax, for a name local to `scopeSheet` ("" for the workbook);
// the reason when Calc cannot hold it.
struct CalcFormula {
  std::string text;
  std::string error;
};
CalcFormula ToCalcSyntax(const Formula& formula, std::string_view scopeSheet);
// "$Sheet1.$B$2" or "$'My data'.$B$2:$'My data'.$B$21": a reference in the document
// format's syntax, which reads the same whatever the office's locale.
std::string CalcXmlReference(std::string_view sheet, const CellBlock& block);
// "$Sheet1.$B$2:$B$21": the same reference in Calc's own syntax, which a list of references
// separates by the office locale's list separator.
std::string CalcReference(std::string_view sheet, const CellBlock& block);

// Points the chart's Calc object at what its series cover now.
Status DrawChart(BookState& book, ChartState& chart);

// Points to hundredths of a millimetre, Calc's unit of length, and back.
inline sal_Int32 ToHundredthMm(double points) {
  return static_cast<sal_Int32>(points * 2540.0 / 72.0 + (points >= 0 ? 0.5 : -0.5));
}
inline double ToPoints(sal_Int32 hundredthMm) {
  return hundredthMm * 72.0 / 2540.0;
}

}  // namespace vx::automation::calc
