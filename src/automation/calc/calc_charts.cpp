// Charts: what the object model says of each chart, drawn by a Calc chart object. Calc has
// no chart sheets, so a sheet that holds only the chart stands in for one; and Calc charts
// draw cell ranges only, so a series that follows a name is drawn from the block the name
// covers now, and pointed again when a cell the name depends on changes.
#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/chart/ChartAxisLabelPosition.hpp>
#include <com/sun/star/chart/ChartDataRowSource.hpp>
#include <com/sun/star/chart/ChartSymbolType.hpp>
#include <com/sun/star/chart/XAxisXSupplier.hpp>
#include <com/sun/star/chart/XDiagram.hpp>
#include <com/sun/star/chart2/XChartDocument.hpp>
#include <com/sun/star/chart2/XChartTypeContainer.hpp>
#include <com/sun/star/chart2/XCoordinateSystemContainer.hpp>
#include <com/sun/star/chart2/XDataSeriesContainer.hpp>
#include <com/sun/star/chart2/data/XDataProvider.hpp>
#include <com/sun/star/chart2/data/XDataReceiver.hpp>
#include <com/sun/star/chart2/data/XRangeXMLConversion.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XTableCharts.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>

#include "automation/calc/calc_objects.h"
#include "common/c_number.h"

namespace vx::automation::calc {
namespace {

constexpr int xlLine = 4;
constexpr int xlTickLabelPositionNextToAxis = 4;
// Where a chart placed in a worksheet appears, and its size in points: as in the in-memory
// host, right of the logging columns.
constexpr int kEmbeddedRow = 2;
constexpr int kEmbeddedColumn = 8;
constexpr double kEmbeddedWidth = 360;
constexpr double kEmbeddedHeight = 216;
// A sheet that stands in for a chart sheet holds the chart this large (in 1/100 mm).
constexpr sal_Int32 kSheetChartWidth = 25000;
constexpr sal_Int32 kSheetChartHeight = 15000;
constexpr int kMaxNameDepth = 16;

AutomationError BadAxis(int type, int group) {
  return CalcError("The chart has no axis of type " + std::to_string(type) + " in group " +
                   std::to_string(group) + ".");
}

Status CheckChartType(int type) {
  if (type == xlLineMarkers || type == xlLine) return {};
  return CalcError("The chart type " + std::to_string(type) +
                   " is not one the LibreOffice Calc host draws (line, or line with markers).");
}

sal_Int16 CalcIndexOf(SheetState& sheet) {
  if (sheet.calcIndex < 0) {
    sheet.calcIndex = As<css::sheet::XCellRangeAddressable>(sheet.sheet)->getRangeAddress().Sheet;
  }
  return sheet.calcIndex;
}

css::table::CellRangeAddress AddressOf(sal_Int16 sheet, const CellBlock& block) {
  css::table::CellRangeAddress address;
  address.Sheet = sheet;
  address.StartColumn = block.firstColumn - 1;
  address.StartRow = block.firstRow - 1;
  address.EndColumn = block.lastColumn - 1;
  address.EndRow = block.lastRow - 1;
  return address;
}

bool SameRanges(const Sequence<css::table::CellRangeAddress>& a,
                const Sequence<css::table::CellRangeAddress>& b) {
  if (a.getLength() != b.getLength()) return false;
  for (sal_Int32 i = 0; i < a.getLength(); ++i) {
    if (a[i].Sheet != b[i].Sheet || a[i].StartColumn != b[i].StartColumn ||
        a[i].StartRow != b[i].StartRow || a[i].EndColumn != b[i].EndColumn ||
        a[i].EndRow != b[i].EndRow) {
      return false;
    }
  }
  return true;
}

// Every cell a formula depends on, through the names it uses.
void CollectPrecedents(const BookState& book, const FormulaNode& node, const std::string& scope,
                       int depth, std::vector<std::pair<std::string, CellBlock>>& out) {
  if (depth > kMaxNameDepth) return;
  if (node.kind == FormulaNode::Kind::Reference) {
    out.emplace_back(node.sheet.empty() ? scope : node.sheet, node.block);
  } else if (node.kind == FormulaNode::Kind::Name) {
    const std::string sheet = node.sheet.empty() ? scope : node.sheet;
    const NameRecord* record = book.FindName(sheet, node.text);
    if (record == nullptr) record = book.FindName("", node.text);
    if (record != nullptr && record->formula) {
      CollectPrecedents(book, record->formula->Root(),
                        record->sheet.empty() ? scope : record->sheet, depth + 1, out);
    }
  }
  for (const auto& child : node.children) CollectPrecedents(book, *child, scope, depth, out);
}

// What a series formula covers now: a block of one sheet, or nothing.
bool Covered(BookState& book, std::string_view formulaText, std::string& sheet, CellBlock& block) {
  if (formulaText.empty()) return false;
  const Formula::Parsed parsed = Formula::Parse(formulaText);
  if (!parsed.formula) return false;
  const FormulaValue value = Evaluate(*parsed.formula, -1, book);
  if (value.kind != FormulaValue::Kind::Reference) return false;
  sheet = book.SheetNameAt(value.sheet);
  block = value.block;
  return !sheet.empty();
}

// The ranges the chart's series cover now: for each series drawn, its label cell (when its
// name is a reference to one) and its values, as addresses and as the text the chart's data
// provider reads. Series that cover nothing yet are left out.
struct Drawing {
  Sequence<css::table::CellRangeAddress> ranges;
  std::string xmlRepresentation;            // "$Sheet1.$B$1 $Sheet1.$B$22:$Sheet1.$B$31"
  std::vector<std::string> calcReferences;  // "$Sheet1.$B$1", "$Sheet1.$B$22:$B$31"
  bool labelled = true;
  std::vector<size_t> series;  // the model's series drawn, in drawing order
};

struct Place {
  css::table::CellRangeAddress address;
  std::string reference;      // in the document format's syntax
  std::string calcReference;  // in Calc's own
};

Drawing Plan(BookState& book, ChartState& chart) {
  const BookState::EvaluationScope scope(book);
  Drawing drawing;
  std::vector<Place> labels;
  std::vector<Place> values;
  const auto place = [&](SheetState& sheet, const CellBlock& block) {
    return Place{AddressOf(CalcIndexOf(sheet), block), CalcXmlReference(sheet.name, block),
                 CalcReference(sheet.name, block)};
  };
  chart.precedents.clear();
  for (size_t i = 0; i < chart.model.series.size(); ++i) {
    const host::SeriesData& series = chart.model.series[i];
    if (const Formula::Parsed parsed = Formula::Parse(series.values); parsed.formula) {
      CollectPrecedents(book, parsed.formula->Root(), "", 0, chart.precedents);
    }
    std::string sheet;
    CellBlock block;
    if (!Covered(book, series.values, sheet, block)) continue;
    const SheetPtr state = book.SheetNamed(sheet);
    if (!state) continue;
    values.push_back(place(*state, block));
    std::string labelSheet;
    CellBlock label;
    const bool hasLabel = !series.name.empty() && series.name.front() == '=' &&
                          Covered(book, series.name, labelSheet, label) && label.IsSingleCell();
    const SheetPtr labelState = hasLabel ? book.SheetNamed(labelSheet) : nullptr;
    if (labelState) {
      labels.push_back(place(*labelState, label));
    } else {
      drawing.labelled = false;
      labels.emplace_back();
    }
    drawing.series.push_back(i);
  }
  std::vector<Place> all;
  for (size_t i = 0; i < values.size(); ++i) {
    if (drawing.labelled) all.push_back(labels[i]);
    all.push_back(values[i]);
  }
  // A Calc chart given no range at all has no diagram, and none comes later: one with
  // nothing to draw yet draws the empty last two cells of its own sheet's first column.
  if (all.empty()) {
    drawing.labelled = false;
    if (const SheetPtr holder = book.SheetNamed(chart.holder)) {
      all.push_back(place(*holder, CellBlock{kMaxRows - 1, 1, kMaxRows, 1}));
    }
  }
  std::vector<css::table::CellRangeAddress> addresses;
  for (const Place& each : all) {
    addresses.push_back(each.address);
    drawing.xmlRepresentation += (drawing.xmlRepresentation.empty() ? "" : " ") + each.reference;
    drawing.calcReferences.push_back(each.calcReference);
  }
  drawing.ranges = Sequence<css::table::CellRangeAddress>(addresses.data(),
                                                          static_cast<sal_Int32>(addresses.size()));
  return drawing;
}

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : separator) + part;
  return joined;
}

// The drawing's ranges in Calc's own syntax. Calc converts them from the document format's
// syntax, which reads the same in every locale; that conversion is a round trip, and a strip
// chart is pointed anew with every reading. So the first conversion is compared with the
// references as written here, and when they agree, which separator the office's locale puts
// between ranges is kept and the text is made here from then on.
rtl::OUString CalcRepresentation(ChartState& chart, const Drawing& drawing) {
  const std::vector<std::string>& parts = drawing.calcReferences;
  if (chart.syntaxKnown && (parts.size() < 2 || !chart.listSeparator.empty())) {
    return ToUno(Joined(parts, chart.listSeparator));
  }
  const std::string converted =
      FromUno(chart.conversion->convertRangeFromXML(ToUno(drawing.xmlRepresentation)));
  if (parts.size() == 1) {
    chart.syntaxKnown = converted == parts[0];
  } else if (parts.size() > 1 && converted.rfind(parts[0], 0) == 0) {
    const size_t next = converted.find(parts[1], parts[0].size());
    if (next != std::string::npos && next > parts[0].size()) {
      const std::string separator = converted.substr(parts[0].size(), next - parts[0].size());
      if (Joined(parts, separator) == converted) {
        chart.syntaxKnown = true;
        chart.listSeparator = separator;
      }
    }
  }
  return ToUno(converted);
}

// Gives the chart its ranges, each series a column: Calc's own way of setting them would
// guess the orientation from the ranges it had, and a chart that had a single cell (a series
// of one reading) would take its series from rows from then on.
void GiveRanges(ChartState& chart, const Drawing& drawing) {
  if (!chart.receiver.is()) {
    chart.receiver = As<css::chart2::data::XDataReceiver>(chart.document);
    chart.conversion = As<css::chart2::data::XRangeXMLConversion>(
        As<css::chart2::XChartDocument>(chart.document)->getDataProvider());
  }
  Sequence<css::beans::PropertyValue> arguments(4);
  arguments.getArray()[0].Name = "CellRangeRepresentation";
  // The ranges go in the document format's syntax, converted by Calc into its own: Calc's
  // own separates ranges by the list separator of the office's locale (";" in German).
  arguments.getArray()[0].Value <<= CalcRepresentation(chart, drawing);
  arguments.getArray()[1].Name = "HasCategories";
  arguments.getArray()[1].Value <<= false;
  arguments.getArray()[2].Name = "FirstCellAsLabel";
  arguments.getArray()[2].Value <<= drawing.labelled;
  arguments.getArray()[3].Name = "DataRowSource";
  arguments.getArray()[3].Value <<= css::chart::ChartDataRowSource_COLUMNS;
  chart.receiver->setArguments(arguments);
  chart.drawn = drawing.ranges;
  chart.seriesContainer.clear();
}

Reference<css::beans::XPropertySet> DiagramOf(ChartState& chart) {
  return As<css::beans::XPropertySet>(chart.document->getDiagram());
}

// The chart's series as Calc holds them, in drawing order.
Sequence<Reference<css::chart2::XDataSeries>> DrawnSeries(ChartState& chart) {
  if (!chart.seriesContainer.is()) {
    const Reference<css::chart2::XDiagram> diagram =
        As<css::chart2::XChartDocument>(chart.document)->getFirstDiagram();
    const auto systems =
        As<css::chart2::XCoordinateSystemContainer>(diagram)->getCoordinateSystems();
    if (systems.getLength() == 0) return {};
    const auto types = As<css::chart2::XChartTypeContainer>(systems[0])->getChartTypes();
    if (types.getLength() == 0) return {};
    chart.seriesContainer = As<css::chart2::XDataSeriesContainer>(types[0]);
  }
  return chart.seriesContainer->getDataSeries();
}

// New ranges put every series on the primary axis: the secondary ones go back.
void ApplySeriesAxes(ChartState& chart, const Drawing& drawing) {
  bool anySecondary = false;
  for (const size_t index : drawing.series) {
    anySecondary = anySecondary || chart.model.series[index].axisGroup == xlSecondary;
  }
  if (!anySecondary) return;
  const auto series = DrawnSeries(chart);
  for (size_t i = 0; i < drawing.series.size() && i < static_cast<size_t>(series.getLength());
       ++i) {
    const bool secondary = chart.model.series[drawing.series[i]].axisGroup == xlSecondary;
    As<css::beans::XPropertySet>(series[static_cast<sal_Int32>(i)])
        ->setPropertyValue("AttachedAxisIndex", AnyOf(static_cast<sal_Int32>(secondary ? 1 : 0)));
  }
}

void ApplyAxes(ChartState& chart, const Drawing& drawing) {
  const Reference<css::beans::XPropertySet> diagram = DiagramOf(chart);
  const auto& has = chart.model.hasAxis;
  diagram->setPropertyValue("HasXAxis", AnyOf(has[xlCategory - 1][xlPrimary - 1]));
  diagram->setPropertyValue("HasYAxis", AnyOf(has[xlValue - 1][xlPrimary - 1]));
  diagram->setPropertyValue("HasSecondaryXAxis", AnyOf(has[xlCategory - 1][xlSecondary - 1]));
  diagram->setPropertyValue("HasSecondaryYAxis", AnyOf(has[xlValue - 1][xlSecondary - 1]));
  const int position = chart.model.axes[xlCategory - 1][xlPrimary - 1].tickLabelPosition;
  const Reference<css::beans::XPropertySet> axis =
      As<css::chart::XAxisXSupplier>(chart.document->getDiagram())->getXAxis();
  axis->setPropertyValue(
      "LabelPosition",
      AnyOf(position == xlTickLabelPositionLow ? css::chart::ChartAxisLabelPosition_OUTSIDE_START
                                               : css::chart::ChartAxisLabelPosition_NEAR_AXIS));
  ApplySeriesAxes(chart, drawing);
}

void ApplyTitle(ChartState& chart) {
  As<css::beans::XPropertySet>(chart.document)
      ->setPropertyValue("HasMainTitle", AnyOf(chart.model.hasTitle));
  if (chart.model.hasTitle) {
    As<css::beans::XPropertySet>(chart.document->getTitle())
        ->setPropertyValue("String", AnyOf(ToUno(chart.model.title)));
  }
}

void ApplyType(ChartState& chart) {
  const Reference<css::lang::XMultiServiceFactory> factory =
      As<css::lang::XMultiServiceFactory>(chart.document);
  chart.document->setDiagram(Reference<css::chart::XDiagram>(
      factory->createInstance("com.sun.star.chart.LineDiagram"), UNO_QUERY_THROW));
  chart.seriesContainer.clear();
  DiagramOf(chart)->setPropertyValue("SymbolType", AnyOf(chart.model.chartType == xlLineMarkers
                                                             ? css::chart::ChartSymbolType::AUTO
                                                             : css::chart::ChartSymbolType::NONE));
}

// Draws everything the model says on the chart's Calc object; `retype` makes its diagram
// anew, of the model's type (on a new object, and when the type changes).
void ApplyAll(BookState& book, ChartState& chart, bool retype) {
  if (retype) ApplyType(chart);
  const Drawing drawing = Plan(book, chart);
  GiveRanges(chart, drawing);
  ApplyAxes(chart, drawing);
  ApplyTitle(chart);
}

Reference<css::table::XTableCharts> ChartsOn(const SheetState& sheet) {
  return As<css::table::XTableChartsSupplier>(sheet.sheet)->getCharts();
}

// Makes the chart's Calc object on `holder` in `rectangle` and draws the model on it.
void PlaceObject(BookState& book, ChartState& chart, SheetState& holder, const std::string& name,
                 const css::awt::Rectangle& rectangle) {
  const Reference<css::table::XTableCharts> charts = ChartsOn(holder);
  chart.holder = holder.name;
  chart.objectName = name;
  const Drawing drawing = Plan(book, chart);
  charts->addNewByName(ToUno(name), rectangle, drawing.ranges, drawing.labelled, false);
  chart.table = As<css::table::XTableChart>(charts->getByName(ToUno(name)));
  chart.document = As<css::chart::XChartDocument>(
      As<css::document::XEmbeddedObjectSupplier>(chart.table)->getEmbeddedObject());
  ApplyAll(book, chart, /*retype=*/true);
}

// Anchors the chart object `name` on `sheet` to the cell `at`: it moves with that cell as
// the columns before it are fitted to what they hold (the logging sheet's begin time in F),
// instead of covering them, as a chart anchored to its cells does in a saved workbook.
void AnchorToCell(SheetState& sheet, const std::string& name, const CellBlock& at) {
  const Reference<css::drawing::XDrawPage> page =
      As<css::drawing::XDrawPageSupplier>(sheet.sheet)->getDrawPage();
  for (sal_Int32 i = page->getCount() - 1; i >= 0; --i) {
    const Reference<css::beans::XPropertySet> shape(page->getByIndex(i), UNO_QUERY);
    if (!shape.is() || !shape->getPropertySetInfo()->hasPropertyByName("PersistName")) continue;
    rtl::OUString persistName;
    shape->getPropertyValue("PersistName") >>= persistName;
    if (FromUno(persistName) != name) continue;
    shape->setPropertyValue("Anchor", Any(sheet.Cell(at)));
    return;
  }
}

// Takes the chart's Calc object away, and the sheet that held only it.
void RemoveObject(BookState& book, ChartState& chart) {
  if (chart.holder.empty()) return;
  if (const SheetPtr holder = book.SheetNamed(chart.holder)) {
    const Reference<css::table::XTableCharts> charts = ChartsOn(*holder);
    if (charts->hasByName(ToUno(chart.objectName))) charts->removeByName(ToUno(chart.objectName));
    if (book.IsChartSheet(chart.holder)) {
      book.document->getSheets()->removeByName(ToUno(chart.holder));
      std::erase_if(book.chartSheets,
                    [&](const std::string& name) { return EqualsNoCase(name, chart.holder); });
      std::erase_if(book.sheets, [&](const SheetPtr& sheet) { return sheet == holder; });
    }
  }
  chart.table.clear();
  chart.document.clear();
  chart.receiver.clear();
  chart.conversion.clear();
  chart.seriesContainer.clear();
  chart.holder.clear();
  chart.objectName.clear();
}

// A new sheet at the end of the workbook that stands in for a chart sheet.
SheetPtr NewChartSheet(BookState& book, const std::string& name) {
  const Reference<css::sheet::XSpreadsheets> sheets = book.document->getSheets();
  const sal_Int16 count =
      static_cast<sal_Int16>(As<css::container::XIndexAccess>(sheets)->getCount());
  sheets->insertNewByName(ToUno(name), count);
  book.chartSheets.push_back(name);
  return book.SheetNamed(name);
}

class CalcSeries final : public Series {
 public:
  CalcSeries(HostPtr host, BookPtr book, ChartStatePtr chart, size_t index)
      : host_(std::move(host)), book_(std::move(book)), chart_(std::move(chart)), index_(index) {}

  Result<std::string> Name() override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    return series->name;
  }
  Status SetName(std::string_view name) override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    if (!name.empty() && name.front() == '=') {
      const Formula::Parsed parsed = Formula::Parse(name);
      if (!parsed.formula) return CalcError(parsed.error);
    }
    series->name = std::string(name);
    return Redraw();
  }
  Result<std::string> Values() override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    return series->values;
  }
  Status SetValues(std::string_view reference) override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    const Formula::Parsed parsed = Formula::Parse(reference);
    if (!parsed.formula) return CalcError(parsed.error);
    series->values = std::string(reference);
    return Redraw();
  }
  Result<int> AxisGroup() override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    return series->axisGroup;
  }
  Status SetAxisGroup(int group) override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    if (group != xlPrimary && group != xlSecondary) {
      return CalcError("There is no axis group " + std::to_string(group) + ".");
    }
    series->axisGroup = group;
    if (group == xlSecondary) chart_->model.hasAxis[xlValue - 1][xlSecondary - 1] = true;
    return Redraw();
  }
  Result<int> ChartType() override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    return series->chartType;
  }
  Status SetChartType(int type) override {
    VX_ASSIGN_OR_RETURN(host::SeriesData * series, Get());
    VX_RETURN_IF_ERROR(CheckChartType(type));
    series->chartType = type;
    return {};
  }

 private:
  Result<host::SeriesData*> Get() {
    if (index_ >= chart_->model.series.size()) return CalcError("The series no longer exists.");
    return &chart_->model.series[index_];
  }
  Status Redraw() {
    return Call(*host_->office, [&]() -> Status {
      chart_->drawn = Sequence<css::table::CellRangeAddress>();
      return DrawChart(*book_, *chart_);
    });
  }

  HostPtr host_;
  BookPtr book_;
  ChartStatePtr chart_;
  size_t index_;
};

class CalcSeriesCollection final : public SeriesCollection {
 public:
  CalcSeriesCollection(HostPtr host, BookPtr book, ChartStatePtr chart)
      : host_(std::move(host)), book_(std::move(book)), chart_(std::move(chart)) {}

  Result<int> Count() override { return static_cast<int>(chart_->model.series.size()); }
  Result<SeriesPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(chart_->model.series.size())) {
      return NoItem("SeriesCollection", std::to_string(index));
    }
    return SeriesPtr(
        std::make_shared<CalcSeries>(host_, book_, chart_, static_cast<size_t>(index - 1)));
  }
  Result<SeriesPtr> NewSeries() override {
    host::SeriesData series;
    series.name = "Series" + std::to_string(chart_->model.series.size() + 1);
    series.chartType = chart_->model.chartType;
    chart_->model.series.push_back(series);
    return Item(static_cast<int>(chart_->model.series.size()));
  }

 private:
  HostPtr host_;
  BookPtr book_;
  ChartStatePtr chart_;
};

class CalcAxis final : public Axis {
 public:
  CalcAxis(HostPtr host, BookPtr book, ChartStatePtr chart, int type, int group)
      : host_(std::move(host)),
        book_(std::move(book)),
        chart_(std::move(chart)),
        type_(type),
        group_(group) {}
  // Calc places categories itself: the setting is kept, not drawn.
  Result<int> CategoryType() override { return Data().categoryType; }
  Status SetCategoryType(int type) override {
    Data().categoryType = type;
    return {};
  }
  Result<int> TickLabelPosition() override { return Data().tickLabelPosition; }
  Status SetTickLabelPosition(int position) override {
    if (position != xlTickLabelPositionLow && position != xlTickLabelPositionNextToAxis) {
      return CalcError("The tick label position " + std::to_string(position) +
                       " is not one the LibreOffice Calc host draws.");
    }
    Data().tickLabelPosition = position;
    return Call(*host_->office, [&]() -> Status {
      if (chart_->document.is()) ApplyAxes(*chart_, Plan(*book_, *chart_));
      return {};
    });
  }

 private:
  host::ChartData::AxisData& Data() { return chart_->model.axes[type_ - 1][group_ - 1]; }
  HostPtr host_;
  BookPtr book_;
  ChartStatePtr chart_;
  int type_;
  int group_;
};

class CalcChartTitle final : public ChartTitle {
 public:
  CalcChartTitle(HostPtr host, ChartStatePtr chart)
      : host_(std::move(host)), chart_(std::move(chart)) {}
  Result<std::string> Text() override { return chart_->model.title; }
  // Giving the title a text shows it, as newer versions of the program do.
  Status SetText(std::string_view text) override {
    chart_->model.title = std::string(text);
    chart_->model.hasTitle = true;
    return Call(*host_->office, [&]() -> Status {
      if (chart_->document.is()) ApplyTitle(*chart_);
      return {};
    });
  }

 private:
  HostPtr host_;
  ChartStatePtr chart_;
};

class CalcChart final : public Chart {
 public:
  CalcChart(HostPtr host, BookPtr book, ChartStatePtr chart)
      : host_(std::move(host)), book_(std::move(book)), chart_(std::move(chart)) {}

  Result<std::string> Name() override {
    if (chart_->model.place == host::ChartData::Place::ChartSheet) return chart_->model.sheetName;
    return chart_->model.sheetName + " " + chart_->model.shapeName;
  }
  Result<int> ChartType() override { return chart_->model.chartType; }
  Status SetChartType(int type) override {
    VX_RETURN_IF_ERROR(CheckChartType(type));
    chart_->model.chartType = type;
    for (host::SeriesData& series : chart_->model.series) series.chartType = type;
    return Apply(/*retype=*/true);
  }

  Status SetSourceData(const RangePtr& source) override {
    if (!source) return CalcError("SetSourceData needs a range.");
    VX_ASSIGN_OR_RETURN(WorksheetPtr sheet, source->Worksheet());
    VX_ASSIGN_OR_RETURN(std::string sheetName, sheet->Name());
    VX_ASSIGN_OR_RETURN(std::string address, source->Address());
    const ParsedBlock parsed = ParseA1(address);
    if (!parsed.block) return CalcError(parsed.error);
    const CellBlock block = *parsed.block;
    VX_ASSIGN_OR_RETURN(RangePtr first, sheet->Cells(block.firstRow, block.firstColumn));
    VX_ASSIGN_OR_RETURN(Value firstValue, first->Value());
    const std::string prefix = "=" + QuoteSheetName(sheetName) + "!";
    // A text in the first row names the column's series; the cells below are its values.
    const bool headed = block.RowCount() > 1 && std::holds_alternative<std::string>(firstValue);
    chart_->model.series.clear();
    for (int column = block.firstColumn; column <= block.lastColumn; ++column) {
      host::SeriesData series;
      series.chartType = chart_->model.chartType;
      const int firstData = headed ? block.firstRow + 1 : block.firstRow;
      series.name =
          headed ? prefix + AbsoluteR1C1(CellBlock{block.firstRow, column, block.firstRow, column})
                 : "Series" + std::to_string(chart_->model.series.size() + 1);
      series.values = prefix + AbsoluteR1C1(CellBlock{firstData, column, block.lastRow, column});
      chart_->model.series.push_back(std::move(series));
    }
    return Apply(/*retype=*/false);
  }

  Result<SeriesCollectionPtr> SeriesCollection() override {
    return SeriesCollectionPtr(std::make_shared<CalcSeriesCollection>(host_, book_, chart_));
  }
  Result<bool> HasAxis(int type, int group) override {
    if (!ValidAxis(type, group)) return BadAxis(type, group);
    return chart_->model.hasAxis[type - 1][group - 1];
  }
  Status SetHasAxis(int type, int group, bool hasAxis) override {
    if (!ValidAxis(type, group)) return BadAxis(type, group);
    chart_->model.hasAxis[type - 1][group - 1] = hasAxis;
    return Call(*host_->office, [&]() -> Status {
      if (chart_->document.is()) ApplyAxes(*chart_, Plan(*book_, *chart_));
      return {};
    });
  }
  Result<bool> HasTitle() override { return chart_->model.hasTitle; }
  Status SetHasTitle(bool hasTitle) override {
    chart_->model.hasTitle = hasTitle;
    return Call(*host_->office, [&]() -> Status {
      if (chart_->document.is()) ApplyTitle(*chart_);
      return {};
    });
  }
  Result<AxisPtr> Axes(int type, int group) override {
    if (!ValidAxis(type, group)) return BadAxis(type, group);
    return AxisPtr(std::make_shared<CalcAxis>(host_, book_, chart_, type, group));
  }
  Result<ChartTitlePtr> ChartTitle() override {
    return ChartTitlePtr(std::make_shared<CalcChartTitle>(host_, chart_));
  }

  Result<ChartPtr> Location(int where, std::string_view name) override {
    if (where != xlLocationAsNewSheet && where != xlLocationAsObject) {
      return CalcError("There is no chart location " + std::to_string(where) + ".");
    }
    return Call(*host_->office, [&]() -> Result<ChartPtr> {
      if (where == xlLocationAsNewSheet) return ToChartSheet(name);
      return IntoSheet(name);
    });
  }

 private:
  Status Apply(bool retype) {
    return Call(*host_->office, [&]() -> Status {
      if (chart_->document.is()) ApplyAll(*book_, *chart_, retype);
      return {};
    });
  }

  Result<ChartPtr> ToChartSheet(std::string_view name) {
    if (name.empty() || name.size() > 31 ||
        name.find_first_of("[]:*?/\\") != std::string_view::npos) {
      return CalcError("\"" + std::string(name) + "\" is not a valid sheet name.");
    }
    const bool onChartSheet = chart_->model.place == host::ChartData::Place::ChartSheet;
    const bool ownName = onChartSheet && EqualsNoCase(chart_->model.sheetName, name);
    if (!ownName && book_->SheetNamed(name)) {
      return CalcError("A sheet called \"" + std::string(name) + "\" already exists.");
    }
    if (onChartSheet && !chart_->holder.empty()) {
      // The sheet that holds the chart takes the new name.
      const SheetPtr holder = book_->SheetNamed(chart_->holder);
      As<css::container::XNamed>(holder->sheet)->setName(ToUno(name));
      for (std::string& chartSheet : book_->chartSheets) {
        if (EqualsNoCase(chartSheet, chart_->holder)) chartSheet = std::string(name);
      }
      holder->name = std::string(name);
      chart_->holder = std::string(name);
    } else {
      RemoveObject(*book_, *chart_);
      const SheetPtr holder = NewChartSheet(*book_, std::string(name));
      PlaceObject(*book_, *chart_, *holder, "Chart",
                  css::awt::Rectangle(0, 0, kSheetChartWidth, kSheetChartHeight));
    }
    chart_->model.place = host::ChartData::Place::ChartSheet;
    chart_->model.sheetName = std::string(name);
    chart_->model.shapeName.clear();
    return MakeChart(host_, book_, chart_);
  }

  Result<ChartPtr> IntoSheet(std::string_view name) {
    const SheetPtr target = book_->SheetNamed(name);
    if (!target || book_->IsChartSheet(target->name)) {
      return CalcError("There is no worksheet called \"" + std::string(name) + "\".");
    }
    RemoveObject(*book_, *chart_);
    const sal_Int32 number =
        As<css::drawing::XDrawPageSupplier>(target->sheet)->getDrawPage()->getCount() + 1;
    const std::string shapeName = "Chart " + std::to_string(number);
    css::awt::Point corner;
    target->Properties(CellBlock{kEmbeddedRow, kEmbeddedColumn, kEmbeddedRow, kEmbeddedColumn})
        ->getPropertyValue("Position") >>= corner;
    PlaceObject(*book_, *chart_, *target, shapeName,
                css::awt::Rectangle(corner.X, corner.Y, ToHundredthMm(kEmbeddedWidth),
                                    ToHundredthMm(kEmbeddedHeight)));
    AnchorToCell(*target, shapeName,
                 CellBlock{kEmbeddedRow, kEmbeddedColumn, kEmbeddedRow, kEmbeddedColumn});
    chart_->model.place = host::ChartData::Place::InSheet;
    chart_->model.sheetName = target->name;
    chart_->model.shapeName = shapeName;
    return MakeChart(host_, book_, chart_);
  }

  HostPtr host_;
  BookPtr book_;
  ChartStatePtr chart_;
};

class CalcCharts final : public Charts {
 public:
  CalcCharts(HostPtr host, BookPtr book) : host_(std::move(host)), book_(std::move(book)) {}

  Result<int> Count() override { return static_cast<int>(book_->charts.size()); }
  Result<ChartPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(book_->charts.size())) {
      return NoItem("Charts", std::to_string(index));
    }
    return MakeChart(host_, book_, book_->charts[static_cast<size_t>(index - 1)]);
  }
  // A new chart on a sheet of its own, named as a chart sheet is.
  Result<ChartPtr> Add() override {
    return Call(*host_->office, [&]() -> Result<ChartPtr> {
      auto chart = std::make_shared<ChartState>();
      do {
        chart->model.name = "Chart" + std::to_string(++book_->chartCounter);
      } while (book_->SheetNamed(chart->model.name));
      chart->model.sheetName = chart->model.name;
      const SheetPtr holder = NewChartSheet(*book_, chart->model.name);
      PlaceObject(*book_, *chart, *holder, "Chart",
                  css::awt::Rectangle(0, 0, kSheetChartWidth, kSheetChartHeight));
      book_->charts.push_back(chart);
      return MakeChart(host_, book_, chart);
    });
  }

 private:
  HostPtr host_;
  BookPtr book_;
};

// Waits for the writes still on their way into cells the chart draws now or is to draw.
// Calc must not take them while it makes a chart's series anew: the office locks up when a
// cell the chart draws changes while its ranges are set from another thread.
void WaitForDrawnCells(BookState& book, const ChartState& chart, const Drawing& drawing) {
  const auto wait = [&](const Sequence<css::table::CellRangeAddress>& ranges) {
    for (const css::table::CellRangeAddress& address : ranges) {
      const CellBlock block{address.StartRow + 1, address.StartColumn + 1, address.EndRow + 1,
                            address.EndColumn + 1};
      for (const SheetPtr& sheet : book.sheets) {
        if (sheet->calcIndex == address.Sheet) {
          book.Office().Lanes().WaitFor(WriteLanes::Claim{sheet.get(), block, false});
        }
      }
    }
  };
  wait(chart.drawn);
  wait(drawing.ranges);
}

}  // namespace

Status DrawChart(BookState& book, ChartState& chart) {
  if (!chart.table.is()) return {};
  const Drawing drawing = Plan(book, chart);
  if (SameRanges(drawing.ranges, chart.drawn)) return {};
  WaitForDrawnCells(book, chart, drawing);
  GiveRanges(chart, drawing);
  ApplySeriesAxes(chart, drawing);
  return {};
}

ChartsPtr MakeCharts(HostPtr host, BookPtr book) {
  return std::make_shared<CalcCharts>(std::move(host), std::move(book));
}

ChartPtr MakeChart(HostPtr host, BookPtr book, ChartStatePtr chart) {
  return std::make_shared<CalcChart>(std::move(host), std::move(book), std::move(chart));
}

}  // namespace vx::automation::calc
