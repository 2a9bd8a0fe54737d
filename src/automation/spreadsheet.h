#pragma once
// The spreadsheet program's object model, as far as the system calls it: the application,
// workbooks, worksheets, cells and names, shapes and form controls. Every member is named as
// in the program's own model; a property's setter is the name with "Set" in front. Indices
// of collections count from 1, as the program counts them.
//
// Any call may fail with an automation error: an implementation over a running program
// reports what the program reports, the in-memory host what it refuses.

#include <memory>
#include <string>
#include <string_view>

#include "automation/automation_error.h"
#include "automation/unknown.h"
#include "automation/value.h"

namespace vx::automation {

class Workbooks;
class Workbook;
class Sheets;
class Worksheet;
class Range;
class Font;
class Names;
class DefinedName;
class Shapes;
class Shape;
class ControlFormat;
class Charts;
class Chart;
class AddIns;
class CommandBars;
class Documents;

using WorkbooksPtr = std::shared_ptr<Workbooks>;
using WorkbookPtr = std::shared_ptr<Workbook>;
using SheetsPtr = std::shared_ptr<Sheets>;
using WorksheetPtr = std::shared_ptr<Worksheet>;
using RangePtr = std::shared_ptr<Range>;
using FontPtr = std::shared_ptr<Font>;
using NamesPtr = std::shared_ptr<Names>;
using NamePtr = std::shared_ptr<DefinedName>;
using ShapesPtr = std::shared_ptr<Shapes>;
using ShapePtr = std::shared_ptr<Shape>;
using ControlFormatPtr = std::shared_ptr<ControlFormat>;
using ChartsPtr = std::shared_ptr<Charts>;
using ChartPtr = std::shared_ptr<Chart>;
using AddInsPtr = std::shared_ptr<AddIns>;
using CommandBarsPtr = std::shared_ptr<CommandBars>;
using DocumentsPtr = std::shared_ptr<Documents>;

// Published constants of the object model.
inline constexpr int xlCenter = -4108;
inline constexpr int xlAutomatic = -4105;
inline constexpr int xlTickLabelPositionLow = -4134;
inline constexpr int xlLineMarkers = 65;
inline constexpr int xlLocationAsNewSheet = 1;
inline constexpr int xlLocationAsObject = 2;
inline constexpr int xlCategory = 1;
inline constexpr int xlValue = 2;
inline constexpr int xlPrimary = 1;
inline constexpr int xlSecondary = 2;

// Whether a chart has an axis of this type (xlCategory, xlValue) in this group (xlPrimary,
// xlSecondary): both hosts check an axis request with it.
inline constexpr bool ValidAxis(int type, int group) {
  return (type == xlCategory || type == xlValue) && (group == xlPrimary || group == xlSecondary);
}

inline constexpr int msoChart = 3;
inline constexpr int msoFormControl = 8;
inline constexpr int xlScrollBar = 8;

// The spreadsheet program, or the word processor: each offers the members of its kind and
// answers the others with ErrorNumber::MemberNotFound.
class Application {
 public:
  static constexpr std::string_view kInterfaceId = "vx.automation.Application";
  virtual ~Application() = default;

  virtual Result<WorkbooksPtr> Workbooks() = 0;
  virtual Result<AddInsPtr> AddIns() = 0;
  virtual Result<CommandBarsPtr> CommandBars() = 0;
  virtual Result<DocumentsPtr> Documents() = 0;
  // The program's name as it gives it, with its own version: "LibreOffice Calc 7.4.7.2".
  virtual Result<std::string> Name() = 0;
  // The version as text, "12.0"; its number is the major version.
  virtual Result<std::string> Version() = 0;
  virtual Result<bool> Visible() = 0;
  virtual Status SetVisible(bool visible) = 0;
  // Visible and under user control, the program stays open for the user when the caller
  // lets go of it, with every open workbook in front of the user.
  virtual Result<bool> UserControl() = 0;
  virtual Status SetUserControl(bool userControl) = 0;
  virtual Result<std::string> StatusBar() = 0;
  virtual Status SetStatusBar(std::string_view text) = 0;
  // Between BeginBatch and EndBatch a host may carry cell values out behind the caller:
  // SetValue and SetValues may return before the values are in the workbook, and then a
  // write that fails is reported by the host's next call. One cell's values still arrive in
  // the order they were written, and every other call (a read above all) waits for the
  // writes before it. EndBatch returns once every value has arrived, with the first failure
  // not yet reported. Batches nest; a host that writes at once has nothing to wait for.
  virtual Status BeginBatch() = 0;
  virtual Status EndBatch() = 0;
};
using ApplicationPtr = std::shared_ptr<Application>;

class Workbooks {
 public:
  virtual ~Workbooks() = default;
  virtual Result<int> Count() = 0;
  virtual Result<WorkbookPtr> Item(int index) = 0;
  // A new, empty workbook (no template).
  virtual Result<WorkbookPtr> Add() = 0;
  virtual Result<WorkbookPtr> Open(std::string_view path) = 0;
};

// A save that goes on on another thread (Workbook::SaveCopyAsInBackground).
class PendingSave {
 public:
  virtual ~PendingSave() = default;
  // True once the file is written or the save has failed.
  virtual bool Done() const = 0;
  // Waits for the end of the save; what SaveAs would have given.
  virtual Status Wait() = 0;
};
using PendingSavePtr = std::shared_ptr<PendingSave>;

class Workbook {
 public:
  virtual ~Workbook() = default;
  virtual Result<std::string> Name() = 0;
  // The file the workbook was last saved to or opened from; "" before that.
  virtual Result<std::string> FullName() = 0;
  // The document title; also the name proposed for its file when it is handed to the user.
  virtual Result<std::string> Title() = 0;
  virtual Status SetTitle(std::string_view title) = 0;
  virtual Result<SheetsPtr> Sheets() = 0;
  virtual Result<SheetsPtr> Worksheets() = 0;
  virtual Result<ChartsPtr> Charts() = 0;
  virtual Result<NamesPtr> Names() = 0;
  // Saves the workbook as an .xlsx file at `path`.
  virtual Status SaveAs(std::string_view path) = 0;
  // Saves a copy of the workbook, as it is at the call, as an .xlsx file at `path`, and
  // returns at once: the file is written on another thread while the caller goes on
  // changing the workbook. FullName stays as it was.
  virtual Result<PendingSavePtr> SaveCopyAsInBackground(std::string_view path) = 0;
};

// The worksheets of a workbook, by position or by name.
class Sheets {
 public:
  virtual ~Sheets() = default;
  virtual Result<int> Count() = 0;
  virtual Result<WorksheetPtr> Item(int index) = 0;
  virtual Result<WorksheetPtr> Item(std::string_view name) = 0;
};

class Worksheet {
 public:
  virtual ~Worksheet() = default;
  virtual Result<std::string> Name() = 0;
  virtual Status SetName(std::string_view name) = 0;
  // A cell or block by its A1 reference ("C12", "$F$6", "A1:B5").
  virtual Result<RangePtr> Range(std::string_view cell) = 0;
  // The block from `first` to `last` (the same name twice for one cell).
  virtual Result<RangePtr> Range(std::string_view first, std::string_view last) = 0;
  virtual Result<RangePtr> Cells(int row, int column) = 0;
  virtual Result<NamesPtr> Names() = 0;
  virtual Result<ShapesPtr> Shapes() = 0;
  virtual Result<RangePtr> Rows(int row) = 0;
  virtual Result<RangePtr> Columns(int column) = 0;
  virtual Result<WorkbookPtr> Parent() = 0;
  virtual Status Select() = 0;
};

class Range {
 public:
  virtual ~Range() = default;
  // The value of the first cell.
  virtual Result<automation::Value> Value() = 0;
  // Sets every cell. Text is taken as typed input: numbers become numbers, times of day and
  // dates become dates, other text stays text.
  virtual Status SetValue(const automation::Value& value) = 0;
  // Every cell's value, row by row.
  virtual Result<ValueRows> Values() = 0;
  // Sets the cells from a block of the range's own size in one call, as setting the range's
  // Value to a two-dimensional array does; text is typed input, as for SetValue. A host over
  // a running program makes one call of it, where a call per cell would cost one round trip
  // each.
  virtual Status SetValues(const ValueRows& rows) = 0;
  // Defines a name for the range; "Sheet1!Count" makes a name local to that sheet.
  virtual Status SetName(std::string_view name) = 0;
  virtual Result<std::string> NumberFormat() = 0;
  // On whole columns (Columns(i), EntireColumn), a format, like the font and alignment, also
  // holds for the cells written into those columns later.
  virtual Status SetNumberFormat(std::string_view format) = 0;
  virtual Result<FontPtr> Font() = 0;
  virtual Result<int> VerticalAlignment() = 0;
  virtual Status SetVerticalAlignment(int alignment) = 0;
  virtual Result<RangePtr> EntireColumn() = 0;
  // Fits the widths of the range's columns to the texts of their cells.
  virtual Status AutoFit() = 0;
  // Position of the range's top-left corner on the sheet, in points.
  virtual Result<double> Top() = 0;
  virtual Result<double> Left() = 0;
  // The absolute A1 reference, "$B$2:$B$21".
  virtual Result<std::string> Address() = 0;
  // The sheet the range lies on.
  virtual Result<WorksheetPtr> Worksheet() = 0;
};

class Font {
 public:
  virtual ~Font() = default;
  virtual Result<bool> Bold() = 0;
  virtual Status SetBold(bool bold) = 0;
};

// Defined names of a workbook or of one sheet.
class Names {
 public:
  virtual ~Names() = default;
  virtual Result<int> Count() = 0;
  // `name` may carry its sheet ("Sheet1!DmmCount"); `refersToR1C1` is a formula in
  // row-column notation, "=OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1)".
  virtual Result<NamePtr> Add(std::string_view name, std::string_view refersToR1C1) = 0;
  virtual Result<NamePtr> Item(std::string_view name) = 0;
};

// A defined name (the object model's Name object).
class DefinedName {
 public:
  virtual ~DefinedName() = default;
  virtual Result<std::string> Name() = 0;
  virtual Result<std::string> RefersTo() = 0;  // A1 notation
  virtual Result<std::string> RefersToR1C1() = 0;
  // The cells the formula covers now; an error when it covers none.
  virtual Result<RangePtr> RefersToRange() = 0;
};

class Shapes {
 public:
  virtual ~Shapes() = default;
  virtual Result<int> Count() = 0;
  virtual Result<ShapePtr> Item(int index) = 0;
  virtual Result<ShapePtr> Item(std::string_view name) = 0;
  // A form control (xlScrollBar) at the given place, in points.
  virtual Result<ShapePtr> AddFormControl(int type, double left, double top, double width,
                                          double height) = 0;
};

class Shape {
 public:
  virtual ~Shape() = default;
  virtual Result<std::string> Name() = 0;
  virtual Status SetName(std::string_view name) = 0;
  // msoChart for a chart, msoFormControl for a form control.
  virtual Result<int> Type() = 0;
  virtual Result<double> Top() = 0;
  virtual Status SetTop(double points) = 0;
  virtual Result<double> Left() = 0;
  virtual Status SetLeft(double points) = 0;
  // The control's settings; an error for a shape that is not a form control.
  virtual Result<ControlFormatPtr> ControlFormat() = 0;
};

// A scroll bar's settings. Its value is kept in the linked cell, and the cell follows it.
class ControlFormat {
 public:
  virtual ~ControlFormat() = default;
  virtual Result<int> Max() = 0;
  virtual Status SetMax(int value) = 0;
  virtual Result<int> Min() = 0;
  virtual Status SetMin(int value) = 0;
  virtual Result<int> Value() = 0;
  virtual Status SetValue(int value) = 0;
  virtual Result<int> SmallChange() = 0;
  virtual Status SetSmallChange(int value) = 0;
  virtual Result<int> LargeChange() = 0;
  virtual Status SetLargeChange(int value) = 0;
  virtual Result<std::string> LinkedCell() = 0;
  virtual Status SetLinkedCell(std::string_view cell) = 0;
};

}  // namespace vx::automation
