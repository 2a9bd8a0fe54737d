#pragma once
// What the Calc host keeps on this side of the bridge. Calc holds the cells; the host keeps
// the UNO objects it reuses (each costs a round trip to make), the number formats it has met,
// what Calc cannot hold itself (names in the row-column form they were given, charts whose
// series follow names), and which documents and toolbars it made, so that it can leave
// Calc as it found it apart from what it handed to the user.

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/chart2/XDataSeriesContainer.hpp>
#include <com/sun/star/chart2/data/XDataReceiver.hpp>
#include <com/sun/star/chart2/data/XRangeXMLConversion.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellCursor.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/task/XStatusIndicator.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>

#include "automation/calc/office_connection.h"
#include "automation/cell_reference.h"
#include "automation/formula.h"
#include "automation/formula_evaluator.h"
#include "automation/host/workbook_data.h"
#include "automation/spreadsheet.h"
#include "automation/typed_input.h"

namespace vx::automation::calc {

struct HostState;
struct BookState;
struct SheetState;
struct ChartState;
using HostPtr = std::shared_ptr<HostState>;
using BookPtr = std::shared_ptr<BookState>;
using SheetPtr = std::shared_ptr<SheetState>;
using ChartStatePtr = std::shared_ptr<ChartState>;
class ButtonBoard;

// A Calc cell range and the interfaces of it in use, each made once.
struct CalcRange {
  CellBlock block;
  Reference<css::table::XCellRange> range;
  Reference<css::table::XCell> cell;  // of a single cell
  Reference<css::sheet::XCellRangeData> data;
  Reference<css::beans::XPropertySet> properties;
};

// Where a block's values go in one call, and the cursor move that comes first when the
// sheet's cursor carries them. Made on the caller's side; Write may run on a write lane.
struct BlockWriter {
  Reference<css::sheet::XCellRangeData> data;
  Reference<css::table::XCellCursor> cursor;  // moved by the offsets first, when set
  sal_Int32 columnOffset = 0;
  sal_Int32 rowOffset = 0;
  // Set when a write through the cursor failed: where it stands is then unknown, and the
  // writes queued behind it through the same cursor are refused.
  std::shared_ptr<std::atomic<bool>> cursorLost;

  bool UsesCursor() const { return cursor.is(); }
  void Write(const Sequence<Sequence<Any>>& values) const;
  void Move() const;  // the cursor move alone
};

// Set when the user closes the document in Calc. A closed document's objects take calls
// and do nothing, so the host checks this before each call on them and reports the closing.
using ClosedFlag = std::shared_ptr<std::atomic<bool>>;

struct SheetState {
  Reference<css::sheet::XSpreadsheet> sheet;
  ClosedFlag closed;
  std::string name;          // as last read or set through the host
  sal_Int16 calcIndex = -1;  // its position among Calc's sheets, once asked
  // Number formats the host gave whole columns: a value written there already shows as
  // that format says.
  std::map<int, sal_Int32> columnFormats;

  // The interfaces of the range `block`; each is made on first use. Ranges in use are kept,
  // the least recently used let go, as every range object the office keeps is one more
  // listener to its document.
  Reference<css::table::XCell> Cell(const CellBlock& block);
  Reference<css::table::XCellRange> Range(const CellBlock& block);
  Reference<css::sheet::XCellRangeData> Data(const CellBlock& block);
  Reference<css::beans::XPropertySet> Properties(const CellBlock& block);
  // Where the values of `block` are written in one call: the block's own range object when
  // one is kept, else the sheet's cursor moved onto the block. A log writes each row once,
  // and a new range object for it would cost two round trips more (made, and asked for its
  // data interface) and a release later; moving the cursor costs one, none for a block of
  // its place and shape. The cursor is counted as moved at once: the writer moves it.
  BlockWriter Writer(const CellBlock& block);
  // A log writes its next row below the last one. Behind a batch's write through the
  // cursor, the cursor goes on to the block below while the caller goes on, so that the
  // next row costs one call. Nothing when the cursor has no place below.
  std::optional<BlockWriter> MoveAhead();
  const CellBlock& CursorBlock() const { return cursorBlock_; }
  void Forget() {
    ranges_.clear();
    cursor_.clear();
    cursorData_.clear();
  }

 private:
  CalcRange* Kept(const CellBlock& block);
  CalcRange& Cached(const CellBlock& block);
  std::list<CalcRange> ranges_;
  Reference<css::table::XCellCursor> cursor_;
  Reference<css::sheet::XCellRangeData> cursorData_;
  CellBlock cursorBlock_;  // where the cursor is, as this side moved it
  std::shared_ptr<std::atomic<bool>> cursorLost_ = std::make_shared<std::atomic<bool>>(false);
};

// Runs `body` on the sheet as CallNow does. A call the office refuses while the user closes
// the document (it may throw a bare runtime error on its way out instead of "disposed") is
// reported as the document's closing.
template <typename Body>
auto CallNowOnSheet(OfficeConnection& office, const ClosedFlag& closed, Body body)
    -> decltype(body()) {
  auto result = CallNow(office, body);
  if (!result && result.error().number == static_cast<uint32_t>(ErrorNumber::ObjectDefined) &&
      closed && closed->load()) {
    return office.ErrorOf(OfficeConnection::Thrown::Disposed, css::lang::DisposedException());
  }
  return result;
}

// Runs `body` on the sheet as Call does: once the writes behind the caller have landed.
template <typename Body>
auto CallOnSheet(OfficeConnection& office, const SheetState& sheet, Body body) -> decltype(body()) {
  if (Status written = office.Lanes().Drain(); !written) return written.error();
  return CallNowOnSheet(office, sheet.closed, std::move(body));
}

// A number format of a document: its key, its code, and what kind of value it shows.
struct CellFormat {
  sal_Int32 key = 0;
  std::string code;  // as the caller gave it, or as Calc writes it
  bool showsDate = false;
  bool showsBoolean = false;
};

// A defined name as the host was given it: Calc keeps the formula in its own syntax only.
struct NameRecord {
  std::string sheet;  // the sheet the name is local to; "" for the workbook
  std::string name;
  std::string refersToR1C1;
  std::shared_ptr<const Formula> formula;
};

// A chart: what the object model says of it, and the Calc chart object that shows it. Calc
// charts draw plain cell ranges only, so a series that follows a name is drawn from the
// block the name covers, and pointed again whenever a cell the name depends on changes.
struct ChartState {
  host::ChartData model;
  std::string holder;      // the sheet the Calc chart object sits on
  std::string objectName;  // its name among that sheet's charts
  Reference<css::table::XTableChart> table;
  Reference<css::chart::XChartDocument> document;
  Reference<css::chart2::XDataSeriesContainer> seriesContainer;  // once asked for
  Reference<css::chart2::data::XDataReceiver> receiver;          // once asked for
  Reference<css::chart2::data::XRangeXMLConversion> conversion;  // with the receiver
  // Whether Calc writes the chart's ranges as the host does in Calc's own syntax, and what
  // separates ranges in a list there (it follows the office's locale): learnt from the
  // data provider's conversion of the first ranges the chart is given.
  bool syntaxKnown = false;
  std::string listSeparator;
  Sequence<css::table::CellRangeAddress> drawn;  // the ranges the chart draws now
  // The cells the series' formulas depend on, by sheet name.
  std::vector<std::pair<std::string, CellBlock>> precedents;
};

struct BookState final : public FormulaContext {
  HostState* host = nullptr;
  ClosedFlag closed = std::make_shared<std::atomic<bool>>(false);
  Reference<css::lang::XEventListener> closeWatch;  // sets `closed`
  Reference<css::sheet::XSpreadsheetDocument> document;
  Reference<css::frame::XModel> model;
  std::string fullName;  // the file it was opened from or saved to
  bool own = true;       // added or opened by the host, not one the user had open
  // Visible: the user's from then on, left open when the host goes (its window shown where
  // there is a display). Handed over: saved for the user where there is no display.
  bool shown = false;
  bool handedOver = false;
  bool addIn = false;  // an add-in file, kept by the host and not loaded into Calc
  std::string addInName;
  std::vector<SheetPtr> sheets;  // sheet states met so far
  std::vector<NameRecord> names;
  std::vector<ChartStatePtr> charts;
  std::vector<std::string> chartSheets;  // sheets that stand in for chart sheets
  int chartCounter = 0;
  std::map<std::string, sal_Int32> formatKeys;  // code -> key
  std::map<sal_Int32, CellFormat> formats;      // key -> format
  Reference<css::util::XNumberFormats> numberFormats;

  OfficeConnection& Office() const;
  // Throws the office's own "disposed" exception once the user has closed the document.
  void CheckOpen() const;
  // The state of the sheet `sheet`, made when first met.
  SheetPtr StateOf(const Reference<css::sheet::XSpreadsheet>& sheet);
  SheetPtr SheetNamed(std::string_view name);  // nullptr when there is none
  bool IsChartSheet(std::string_view name) const;
  // The worksheets (not the chart sheets) in Calc's order.
  std::vector<SheetPtr> Worksheets();

  CellFormat FormatOfKey(sal_Int32 key);
  Result<CellFormat> FormatOfCode(std::string_view code);

  const NameRecord* FindName(std::string_view sheet, std::string_view name) const;
  // Every cell a chart's series formula depends on changed: the series are pointed again.
  // `written` holds the values as the cells now hold them, so that the names that depend on
  // them are worked out without reading them back.
  Status CellsWritten(const SheetState& sheet, const CellBlock& block,
                      const std::vector<std::vector<TypedValue>>& written);
  void NamesChanged();

  // The sheet an index of the evaluation context stands for.
  std::string SheetNameAt(int index) const {
    return index >= 0 && index < static_cast<int>(evaluationSheets_.size())
               ? evaluationSheets_[static_cast<size_t>(index)]
               : std::string();
  }

  // FormulaContext: the cells are read from Calc, the names from the host's records.
  int SheetIndex(std::string_view name) const override;
  Value CellValue(int sheet, int row, int column) const override;
  std::shared_ptr<const Formula> NameFormula(int sheet, std::string_view name, int& definedOn,
                                             std::string& error) const override;

  // While one lives, cell values read to work out what names cover are read once.
  class EvaluationScope {
   public:
    explicit EvaluationScope(const BookState& book) : book_(book) {
      if (book_.evaluationDepth_++ == 0) book_.knownValues_.clear();
    }
    ~EvaluationScope() {
      if (--book_.evaluationDepth_ == 0) book_.knownValues_.clear();
    }
    EvaluationScope(const EvaluationScope&) = delete;
    EvaluationScope& operator=(const EvaluationScope&) = delete;

   private:
    const BookState& book_;
  };

 private:
  mutable std::vector<std::string> evaluationSheets_;
  mutable std::map<std::tuple<int, int, int>, Value> knownValues_;
  mutable int evaluationDepth_ = 0;
};

struct HostState {
  std::unique_ptr<OfficeConnection> office;
  std::vector<BookPtr> books;  // documents this host added or opened
  bool visible = false;
  bool userControl = false;
  std::string statusText;
  Reference<css::task::XStatusIndicator> indicator;
  Reference<css::frame::XFrame> indicatorFrame;
  // Toolbars made temporary: they go when the host does.
  std::vector<std::string> temporaryToolbars;
  BookPtr activeBook;
  // The add-in toolbar's button states and the windows whose buttons the host answers.
  std::shared_ptr<ButtonBoard> buttons;

  ~HostState();
  BookPtr AddBook(const Reference<css::lang::XComponent>& component);
  // Makes the host's documents the user's: their windows shown where there is a display,
  // and, handed over without one, each saved in the documents folder.
  void ShowDocuments(bool handOver);
};

// A value read from Calc (what getDataArray gives for a cell) as the object model gives it,
// by the format the cell shows it in.
Value ValueOfCell(const Any& data, const CellFormat& format);

}  // namespace vx::automation::calc
