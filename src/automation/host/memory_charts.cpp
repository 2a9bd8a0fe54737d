// Charts: the workbook's charts, their series, axes and title, and where each chart lives.
#include "automation/host/memory_objects.h"
#include "common/c_number.h"

namespace vx::automation::host {
namespace {

using ChartDataPtr = std::shared_ptr<ChartData>;

// Where a newly embedded chart appears: to the right of the logging columns A to F.
constexpr int kEmbeddedRow = 2;
constexpr int kEmbeddedColumn = 8;

AutomationError BadAxis(int type, int group) {
  return HostError("The chart has no axis of type " + std::to_string(type) + " in group " +
                   std::to_string(group) + ".");
}

class MemorySeries final : public Series {
 public:
  MemorySeries(ChartDataPtr chart, size_t index) : chart_(std::move(chart)), index_(index) {}

  Result<std::string> Name() override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    return series->name;
  }
  Status SetName(std::string_view name) override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    if (!name.empty() && name.front() == '=') {
      const Formula::Parsed parsed = Formula::Parse(name);
      if (!parsed.formula) return HostError(parsed.error);
    }
    series->name = std::string(name);
    return {};
  }
  Result<std::string> Values() override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    return series->values;
  }
  // The reference is kept as written and resolved when the chart is drawn or saved, so a
  // series may follow a name whose cells are filled later.
  Status SetValues(std::string_view reference) override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    const Formula::Parsed parsed = Formula::Parse(reference);
    if (!parsed.formula) return HostError(parsed.error);
    series->values = std::string(reference);
    return {};
  }
  Result<int> AxisGroup() override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    return series->axisGroup;
  }
  Status SetAxisGroup(int group) override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    if (group != xlPrimary && group != xlSecondary) {
      return HostError("There is no axis group " + std::to_string(group) + ".");
    }
    series->axisGroup = group;
    if (group == xlSecondary) chart_->hasAxis[xlValue - 1][xlSecondary - 1] = true;
    return {};
  }
  Result<int> ChartType() override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    return series->chartType;
  }
  Status SetChartType(int type) override {
    VX_ASSIGN_OR_RETURN(SeriesData * series, Get());
    series->chartType = type;
    return {};
  }

 private:
  Result<SeriesData*> Get() {
    if (index_ >= chart_->series.size()) return HostError("The series no longer exists.");
    return &chart_->series[index_];
  }

  ChartDataPtr chart_;
  size_t index_;
};

class MemorySeriesCollection final : public SeriesCollection {
 public:
  explicit MemorySeriesCollection(ChartDataPtr chart) : chart_(std::move(chart)) {}

  Result<int> Count() override { return static_cast<int>(chart_->series.size()); }
  Result<SeriesPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(chart_->series.size())) {
      return BadIndex("SeriesCollection", std::to_string(index));
    }
    return SeriesPtr(std::make_shared<MemorySeries>(chart_, static_cast<size_t>(index - 1)));
  }
  Result<SeriesPtr> NewSeries() override {
    SeriesData series;
    series.name = "Series" + std::to_string(chart_->series.size() + 1);
    series.chartType = chart_->chartType;
    chart_->series.push_back(series);
    return Item(static_cast<int>(chart_->series.size()));
  }

 private:
  ChartDataPtr chart_;
};

class MemoryAxis final : public Axis {
 public:
  MemoryAxis(ChartDataPtr chart, int type, int group)
      : chart_(std::move(chart)), type_(type), group_(group) {}
  Result<int> CategoryType() override { return Data().categoryType; }
  Status SetCategoryType(int type) override {
    Data().categoryType = type;
    return {};
  }
  Result<int> TickLabelPosition() override { return Data().tickLabelPosition; }
  Status SetTickLabelPosition(int position) override {
    Data().tickLabelPosition = position;
    return {};
  }

 private:
  ChartData::AxisData& Data() { return chart_->axes[type_ - 1][group_ - 1]; }
  ChartDataPtr chart_;
  int type_;
  int group_;
};

class MemoryChartTitle final : public ChartTitle {
 public:
  explicit MemoryChartTitle(ChartDataPtr chart) : chart_(std::move(chart)) {}
  Result<std::string> Text() override { return chart_->title; }
  // Giving the title a text shows it, as newer versions of the program do.
  Status SetText(std::string_view text) override {
    chart_->title = std::string(text);
    chart_->hasTitle = true;
    return {};
  }

 private:
  ChartDataPtr chart_;
};

class MemoryChart final : public Chart {
 public:
  MemoryChart(HostPtr host, BookPtr book, ChartDataPtr chart)
      : host_(std::move(host)), book_(std::move(book)), chart_(std::move(chart)) {}

  Result<std::string> Name() override {
    if (chart_->place == ChartData::Place::ChartSheet) return chart_->sheetName;
    return chart_->sheetName + " " + chart_->shapeName;
  }
  Result<int> ChartType() override { return chart_->chartType; }
  Status SetChartType(int type) override {
    chart_->chartType = type;
    for (SeriesData& series : chart_->series) series.chartType = type;
    return {};
  }

  Status SetSourceData(const RangePtr& source) override {
    if (!source) return HostError("SetSourceData needs a range.");
    VX_ASSIGN_OR_RETURN(WorksheetPtr sheet, source->Worksheet());
    VX_ASSIGN_OR_RETURN(std::string sheetName, sheet->Name());
    VX_ASSIGN_OR_RETURN(std::string address, source->Address());
    const ParsedBlock parsed = ParseA1(address);
    if (!parsed.block) return HostError(parsed.error);
    const CellBlock block = *parsed.block;
    const int sheetIndex = book_->SheetIndex(sheetName);
    const std::string prefix = "=" + QuoteSheetName(sheetName) + "!";
    // A text in the first row names the column's series; the cells below are its values.
    const bool headed =
        block.RowCount() > 1 && std::holds_alternative<std::string>(book_->CellValue(
                                    sheetIndex, block.firstRow, block.firstColumn));
    chart_->series.clear();
    for (int column = block.firstColumn; column <= block.lastColumn; ++column) {
      SeriesData series;
      series.chartType = chart_->chartType;
      const int firstData = headed ? block.firstRow + 1 : block.firstRow;
      series.name =
          headed ? prefix + AbsoluteR1C1(CellBlock{block.firstRow, column, block.firstRow, column})
                 : "Series" + std::to_string(chart_->series.size() + 1);
      series.values = prefix + AbsoluteR1C1(CellBlock{firstData, column, block.lastRow, column});
      chart_->series.push_back(std::move(series));
    }
    return {};
  }

  Result<SeriesCollectionPtr> SeriesCollection() override {
    return SeriesCollectionPtr(std::make_shared<MemorySeriesCollection>(chart_));
  }
  Result<bool> HasAxis(int type, int group) override {
    if (!ValidAxis(type, group)) return BadAxis(type, group);
    return chart_->hasAxis[type - 1][group - 1];
  }
  Status SetHasAxis(int type, int group, bool hasAxis) override {
    if (!ValidAxis(type, group)) return BadAxis(type, group);
    chart_->hasAxis[type - 1][group - 1] = hasAxis;
    return {};
  }
  Result<bool> HasTitle() override { return chart_->hasTitle; }
  Status SetHasTitle(bool hasTitle) override {
    chart_->hasTitle = hasTitle;
    return {};
  }
  Result<AxisPtr> Axes(int type, int group) override {
    if (!ValidAxis(type, group)) return BadAxis(type, group);
    return AxisPtr(std::make_shared<MemoryAxis>(chart_, type, group));
  }
  Result<ChartTitlePtr> ChartTitle() override {
    return ChartTitlePtr(std::make_shared<MemoryChartTitle>(chart_));
  }

  Result<ChartPtr> Location(int where, std::string_view name) override {
    if (where == xlLocationAsNewSheet) return ToChartSheet(name);
    if (where == xlLocationAsObject) return IntoSheet(name);
    return HostError("There is no chart location " + std::to_string(where) + ".");
  }

 private:
  void LeaveSheet() {
    if (chart_->place != ChartData::Place::InSheet) return;
    const int index = book_->SheetIndex(chart_->sheetName);
    if (index < 0) return;
    auto& shapes = book_->Sheets()[index]->Shapes();
    std::erase_if(shapes, [&](const ShapeData& s) { return s.name == chart_->shapeName; });
  }

  Result<ChartPtr> ToChartSheet(std::string_view name) {
    const bool ownName =
        chart_->place == ChartData::Place::ChartSheet && EqualsNoCase(chart_->sheetName, name);
    if (name.empty() || name.size() > 31) {
      return HostError("\"" + std::string(name) + "\" is not a valid sheet name.");
    }
    if (!ownName && !book_->SheetNameFree(name)) {
      return HostError("A sheet called \"" + std::string(name) + "\" already exists.");
    }
    LeaveSheet();
    chart_->place = ChartData::Place::ChartSheet;
    chart_->sheetName = std::string(name);
    chart_->shapeName.clear();
    return MakeChart(host_, book_, chart_);
  }

  Result<ChartPtr> IntoSheet(std::string_view name) {
    const int index = book_->SheetIndex(name);
    if (index < 0) return HostError("There is no worksheet called \"" + std::string(name) + "\".");
    LeaveSheet();
    SheetData& sheet = *book_->Sheets()[index];
    ShapeData shape;
    shape.id = sheet.NextShapeNumber();
    shape.name = "Chart " + std::to_string(shape.id);
    shape.type = msoChart;
    shape.top = sheet.RowTop(kEmbeddedRow);
    shape.left = sheet.ColumnLeft(kEmbeddedColumn);
    sheet.Shapes().push_back(shape);
    chart_->place = ChartData::Place::InSheet;
    chart_->sheetName = sheet.Name();
    chart_->shapeName = shape.name;
    return MakeChart(host_, book_, chart_);
  }

  HostPtr host_;
  BookPtr book_;
  ChartDataPtr chart_;
};

class MemoryCharts final : public Charts {
 public:
  MemoryCharts(HostPtr host, BookPtr book) : host_(std::move(host)), book_(std::move(book)) {}

  Result<int> Count() override { return static_cast<int>(book_->Charts().size()); }
  Result<ChartPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(book_->Charts().size())) {
      return BadIndex("Charts", std::to_string(index));
    }
    return MakeChart(host_, book_, book_->Charts()[index - 1]);
  }
  Result<ChartPtr> Add() override { return MakeChart(host_, book_, book_->AddChart()); }

 private:
  HostPtr host_;
  BookPtr book_;
};

}  // namespace

ChartsPtr MakeCharts(HostPtr host, BookPtr book) {
  return std::make_shared<MemoryCharts>(std::move(host), std::move(book));
}

ChartPtr MakeChart(HostPtr host, BookPtr book, std::shared_ptr<ChartData> chart) {
  return std::make_shared<MemoryChart>(std::move(host), std::move(book), std::move(chart));
}

}  // namespace vx::automation::host
