// The chart side of the logging engine: the names a growing or strip chart follows, the
// chart built after the first reading, and the scroll bars set up when a strip chart ends.
#include <utility>
#include <vector>

#include "addin/logging_engine.h"
#include "automation/charts.h"
#include "automation/error_text.h"
#include "common/c_number.h"

namespace vx::addin {
namespace {

using automation::Status;
using automation::Value;

struct NamedFormula {
  const char* name;
  const char* allReadings;  // chart kind 1
  const char* strip;        // chart kind 2
};

// "S" stands for the sheet's name as formulas write it.
constexpr NamedFormula kDualAxis{
    "Dmmy2Axis", "=OFFSET(S!R2C3,0,0,S!DmmCount,1)",
    "=IF(S!DmmisStripChart,OFFSET(S!R2C3,S!DmmCount-S!DmmPoints,0,S!DmmPoints,1),"
    "OFFSET(S!R2C3,0,0,S!DmmCount,1))"};
constexpr NamedFormula kChartFormulas[] = {
    {"DmmyAxis", "=OFFSET(S!R2C1,0,1,S!DmmCount,1)",
     "=IF(S!DmmisStripChart,OFFSET(S!R2C1,S!DmmCount-S!DmmPoints,1,S!DmmPoints,1),"
     "OFFSET(S!R2C1,0,1,S!DmmCount,1))"},
    // The growing chart's x name covers column B, the readings, as the engine always had it.
    {"DmmxAxis", "=OFFSET(S!R2C2,0,0,S!DmmCount,1)",
     "=IF(S!DmmisStripChart,OFFSET(S!R2C1,S!DmmCount-S!DmmPoints,0,S!DmmPoints,1),"
     "OFFSET(S!R2C1,0,0,S!DmmCount,1))"},
    {"DmmisStripChart", nullptr, "=S!DmmPoints<=S!DmmCount"},
};

// Puts the sheet's name in place of every "S!" of a formula.
std::string ForSheet(std::string_view formula, const std::string& sheet) {
  std::string out;
  for (size_t i = 0; i < formula.size(); ++i) {
    if (formula[i] == 'S' && i + 1 < formula.size() && formula[i + 1] == '!' &&
        (i == 0 || formula[i - 1] == '(' || formula[i - 1] == ',' || formula[i - 1] == '=' ||
         formula[i - 1] == '-' || formula[i - 1] == '<')) {
      out += sheet;
    } else {
      out += formula[i];
    }
  }
  return out;
}

}  // namespace

Status LoggingEngine::AddChart(std::int16_t kind, bool inSheet, ViSession session) {
  state_.chartKind = kind;
  state_.chartInSheet = inSheet;
  state_.session = session;
  state_.dualReading = false;
  if (!WriteCommand("*idn?")) return {};
  const std::string identity = ReadAnswer();
  if (state_.ioFailed) return {};
  if (identity.find(state_.model2a) != std::string::npos ||
      identity.find(state_.model2b) != std::string::npos) {
    if (!WriteCommand("sens:func2?")) return {};
    const std::string second = ReadAnswer();
    if (state_.ioFailed) return {};
    state_.dualReading = ToUpperAscii(second).find("NONE") == std::string::npos;
  }
  return DefineChartNames();
}

Status LoggingEngine::DefineChartNames() {
  if (state_.chartKind != static_cast<int>(ChartKind::AllReadings) &&
      state_.chartKind != static_cast<int>(ChartKind::Strip)) {
    return {};
  }
  if (!state_.sheet) {
    return automation::AutomationError::Make(automation::ErrorNumber::Failed,
                                             "The engine has no sheet: call SetSheet.");
  }
  const bool strip = state_.chartKind == static_cast<int>(ChartKind::Strip);
  const std::string s = automation::QuoteSheetName(SheetName());
  VX_ASSIGN_OR_RETURN(automation::RangePtr count, state_.sheet->Cells(6, 6));
  VX_RETURN_IF_ERROR(count->SetName(s + "!DmmCount"));
  VX_ASSIGN_OR_RETURN(automation::RangePtr dataRef, state_.sheet->Cells(1, 1));
  VX_RETURN_IF_ERROR(dataRef->SetName(s + "!DmmDataRef"));
  if (strip) {
    VX_ASSIGN_OR_RETURN(automation::RangePtr points, state_.sheet->Cells(8, 6));
    VX_RETURN_IF_ERROR(points->SetName(s + "!DmmPoints"));
  }
  VX_ASSIGN_OR_RETURN(automation::NamesPtr names, state_.sheet->Names());
  std::vector<NamedFormula> formulas;
  if (state_.dualReading) formulas.push_back(kDualAxis);
  formulas.insert(formulas.end(), std::begin(kChartFormulas), std::end(kChartFormulas));
  for (const NamedFormula& formula : formulas) {
    const char* text = strip ? formula.strip : formula.allReadings;
    if (text == nullptr) continue;
    auto added = names->Add(s + "!" + formula.name, ForSheet(text, s));
    if (!added) return added.error();
  }
  return {};
}

bool LoggingEngine::CreateChart() {
  const Status built = BuildChart();
  if (built) return true;
  Message("Create Chart Error:\n" + built.error().description + "\n" +
          automation::ErrorNumberText(built.error().number));
  StopLogging();
  return false;
}

Status LoggingEngine::BuildChart() {
  using namespace automation;
  const std::string s = QuoteSheetName(SheetName());
  VX_ASSIGN_OR_RETURN(WorkbookPtr book, state_.sheet->Parent());
  VX_ASSIGN_OR_RETURN(ChartsPtr charts, book->Charts());
  VX_ASSIGN_OR_RETURN(ChartPtr chart, charts->Add());
  VX_RETURN_IF_ERROR(chart->SetChartType(xlLineMarkers));
  VX_ASSIGN_OR_RETURN(RangePtr source, state_.sheet->Range("A1"));
  VX_RETURN_IF_ERROR(chart->SetSourceData(source));
  VX_ASSIGN_OR_RETURN(SeriesCollectionPtr series, chart->SeriesCollection());
  VX_ASSIGN_OR_RETURN(SeriesPtr first, series->Item(1));
  VX_RETURN_IF_ERROR(first->SetName("=" + s + "!R1C2"));
  VX_RETURN_IF_ERROR(first->SetValues("=" + s + "!DmmyAxis"));
  if (state_.hostVersion <= 11) {
    VX_RETURN_IF_ERROR(chart->SetHasAxis(xlCategory, xlPrimary, true));
    VX_RETURN_IF_ERROR(chart->SetHasAxis(xlValue, xlPrimary, true));
  } else {
    VX_RETURN_IF_ERROR(chart->SetHasAxis(xlCategory, xlPrimary, false));
    VX_RETURN_IF_ERROR(chart->SetHasTitle(true));
    VX_RETURN_IF_ERROR(chart->SetHasAxis(xlValue, xlPrimary, true));
  }
  VX_ASSIGN_OR_RETURN(AxisPtr axis, chart->Axes(xlCategory, xlPrimary));
  VX_RETURN_IF_ERROR(axis->SetCategoryType(xlAutomatic));
  VX_RETURN_IF_ERROR(axis->SetTickLabelPosition(xlTickLabelPositionLow));
  VX_ASSIGN_OR_RETURN(RangePtr beginCell, state_.sheet->Cells(1, 6));
  VX_ASSIGN_OR_RETURN(Value beginValue, beginCell->Value());
  VX_ASSIGN_OR_RETURN(ChartTitlePtr title, chart->ChartTitle());
  VX_RETURN_IF_ERROR(title->SetText(TextOf(beginValue)));
  if (state_.dualReading) {
    VX_ASSIGN_OR_RETURN(SeriesPtr second, series->NewSeries());
    VX_RETURN_IF_ERROR(second->SetName("=" + s + "!R1C3"));
    VX_RETURN_IF_ERROR(second->SetValues("=" + s + "!Dmmy2Axis"));
    VX_RETURN_IF_ERROR(second->SetAxisGroup(xlSecondary));
    VX_RETURN_IF_ERROR(second->SetChartType(xlLineMarkers));
  }
  const std::string sheetName = SheetName();
  if (state_.chartInSheet) {
    VX_ASSIGN_OR_RETURN(chart, chart->Location(xlLocationAsObject, sheetName));
    if (state_.dualReading) VX_RETURN_IF_ERROR(MoveChartShapes());
  } else {
    VX_ASSIGN_OR_RETURN(std::string chartName, chart->Name());
    VX_ASSIGN_OR_RETURN(chart, chart->Location(xlLocationAsNewSheet, sheetName + chartName));
  }
  state_.chart = chart;
  return state_.sheet->Select();
}

// With two readings, every chart in the sheet goes to the top of row 10, column E.
Status LoggingEngine::MoveChartShapes() {
  using namespace automation;
  VX_ASSIGN_OR_RETURN(RangePtr row, state_.sheet->Rows(10));
  VX_ASSIGN_OR_RETURN(double top, row->Top());
  VX_ASSIGN_OR_RETURN(RangePtr column, state_.sheet->Columns(5));
  VX_ASSIGN_OR_RETURN(double left, column->Left());
  VX_ASSIGN_OR_RETURN(ShapesPtr shapes, state_.sheet->Shapes());
  VX_ASSIGN_OR_RETURN(int count, shapes->Count());
  for (int i = 1; i <= count; ++i) {
    VX_ASSIGN_OR_RETURN(ShapePtr shape, shapes->Item(i));
    VX_ASSIGN_OR_RETURN(int type, shape->Type());
    if (type != msoChart) continue;
    VX_RETURN_IF_ERROR(shape->SetTop(top));
    VX_RETURN_IF_ERROR(shape->SetLeft(left));
  }
  return {};
}

void LoggingEngine::SetScrollBars() {
  const Status set = ProgramScrollBars();
  if (!set) Message("Scroll Bar Error:\n" + set.error().description);
}

Status LoggingEngine::ProgramScrollBars() {
  using namespace automation;
  if (!state_.sheet) return {};
  int readings = std::min(state_.nextRow, 30000);
  readings = readings == 2 ? 1 : readings - 2;
  VX_ASSIGN_OR_RETURN(RangePtr pointsCell, state_.sheet->Cells(8, 6));
  VX_ASSIGN_OR_RETURN(Value pointsValue, pointsCell->Value());
  const int points = static_cast<int>(NumberOf(pointsValue).value_or(0));
  VX_ASSIGN_OR_RETURN(ShapesPtr shapes, state_.sheet->Shapes());
  VX_ASSIGN_OR_RETURN(int count, shapes->Count());
  for (int i = 1; i <= count; ++i) {
    VX_ASSIGN_OR_RETURN(ShapePtr shape, shapes->Item(i));
    VX_ASSIGN_OR_RETURN(std::string name, shape->Name());
    const bool first = name == "Scroll Bar 1";
    if (!first && name != "Scroll Bar 2") continue;
    VX_ASSIGN_OR_RETURN(ControlFormatPtr control, shape->ControlFormat());
    VX_RETURN_IF_ERROR(control->SetMax(readings));
    VX_RETURN_IF_ERROR(control->SetValue(first ? readings : points));
    VX_RETURN_IF_ERROR(control->SetMin(1));
    VX_RETURN_IF_ERROR(control->SetSmallChange(1));
    VX_RETURN_IF_ERROR(control->SetLargeChange(5));
    VX_RETURN_IF_ERROR(control->SetLinkedCell(first ? "$F$6" : "$F$8"));
  }
  return {};
}

}  // namespace vx::addin
