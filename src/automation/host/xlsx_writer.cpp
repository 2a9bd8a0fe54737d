#include "automation/host/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "common/c_locale_scope.h"
#include "common/c_number.h"

namespace vx::automation::host {
namespace {

constexpr size_t kMaxCellText = 32767;
constexpr size_t kMaxLibraryNameFormula = 128;
constexpr double kChartWidthPx = 480;
constexpr double kChartHeightPx = 288;
constexpr const char* kDefaultDateFormat = "yyyy/mm/dd hh:mm:ss";

// Keeps well-formed UTF-8 and replaces the rest, so that a meter's stray bytes can never
// make the file unreadable.
std::string CleanText(std::string_view text) {
  std::string out;
  out.reserve(std::min(text.size(), kMaxCellText));
  for (size_t i = 0; i < text.size() && out.size() < kMaxCellText;) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80           ? 1
                    : (c >> 5) == 0x6  ? 2
                    : (c >> 4) == 0xE  ? 3
                    : (c >> 3) == 0x1E ? 4
                                       : 0;
    bool valid = length > 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (valid && c >= 0x20) {
      out.append(text.substr(i, length));
    } else if (valid && (c == '\t' || c == '\n')) {
      out += static_cast<char>(c);
    } else if (valid) {
      out += ' ';
    } else {
      out += "\xEF\xBF\xBD";
      length = 1;
    }
    i += length;
  }
  return out;
}

class Writer {
 public:
  Writer(const WorkbookData& book, lxw_workbook* workbook) : book_(book), workbook_(workbook) {}

  XlsxResult Run() {
    for (const auto& sheet : book_.Sheets()) WriteSheet(*sheet);
    WriteNames();
    WriteCharts();
    if (book_.activeSheet >= 0 && book_.activeSheet < static_cast<int>(worksheets_.size())) {
      worksheet_activate(worksheets_[book_.activeSheet]);
    }
    return std::move(result_);
  }

 private:
  lxw_format* Format(std::uint16_t index, bool isDate) {
    const auto key = std::make_pair(index, isDate);
    if (const auto found = formats_.find(key); found != formats_.end()) return found->second;
    const CellStyle& style = book_.Style(index);
    lxw_format* format = nullptr;
    const std::string numberFormat =
        style.numberFormat.empty() && isDate ? kDefaultDateFormat : style.numberFormat;
    if (!numberFormat.empty() || style.bold || style.verticalAlignment != xlBottom) {
      format = workbook_add_format(workbook_);
      if (!numberFormat.empty()) format_set_num_format(format, numberFormat.c_str());
      if (style.bold) format_set_bold(format);
      if (style.verticalAlignment == xlCenter) format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
      if (style.verticalAlignment == -4160) format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
    }
    formats_[key] = format;
    return format;
  }

  void WriteSheet(const SheetData& sheet) {
    const std::string name = CleanText(sheet.Name());
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook_, name.c_str());
    worksheets_.push_back(worksheet);
    if (worksheet == nullptr) {
      Fail("the sheet \"" + sheet.Name() + "\" cannot be written");
      return;
    }
    std::map<int, std::pair<double, lxw_format*>> columns;
    for (const auto& [column, width] : sheet.ColumnWidths()) columns[column].first = width;
    for (const auto& [column, style] : sheet.ColumnStyles()) {
      if (!sheet.ColumnWidths().contains(column)) columns[column].first = LXW_DEF_COL_WIDTH;
      columns[column].second = Format(style, false);
    }
    for (const auto& [column, setting] : columns) {
      worksheet_set_column(worksheet, static_cast<lxw_col_t>(column - 1),
                           static_cast<lxw_col_t>(column - 1), setting.first, setting.second);
    }
    for (int row = 1; row <= sheet.RowCount(); ++row) {
      for (int column = 1; column <= sheet.ColumnsIn(row); ++column) {
        WriteCell(worksheet, static_cast<lxw_row_t>(row - 1), static_cast<lxw_col_t>(column - 1),
                  sheet.CellIn(row, column));
      }
    }
  }

  void WriteCell(lxw_worksheet* worksheet, lxw_row_t row, lxw_col_t column, const Cell& cell) {
    const Value& value = cell.value;
    const bool isDate = std::holds_alternative<DateValue>(value);
    lxw_format* format = Format(cell.style, isDate);
    if (const double* number = std::get_if<double>(&value)) {
      worksheet_write_number(worksheet, row, column, *number, format);
    } else if (isDate) {
      worksheet_write_number(worksheet, row, column, std::get<DateValue>(value).oleDate, format);
    } else if (const bool* flag = std::get_if<bool>(&value)) {
      worksheet_write_boolean(worksheet, row, column, *flag ? 1 : 0, format);
    } else if (const std::string* text = std::get_if<std::string>(&value)) {
      if (text->empty()) {
        if (format) worksheet_write_blank(worksheet, row, column, format);
      } else {
        worksheet_write_string(worksheet, row, column, CleanText(*text).c_str(), format);
      }
    } else if (format != nullptr) {
      worksheet_write_blank(worksheet, row, column, format);
    }
  }

  std::string SheetPrefix(int sheet) const {
    return QuoteSheetName(book_.Sheets()[sheet]->Name()) + "!";
  }

  // Names the file cannot hold (a formula the host does not understand) stay in memory only.
  // libxlsxwriter takes formulas of up to 127 characters; longer ones go in the second pass.
  void WriteNames() {
    for (const DefinedNameData& name : book_.Names()) {
      if (!name.formula) continue;
      const std::string formula = name.formula->ToA1();
      const std::string full = (name.sheet >= 0 ? SheetPrefix(name.sheet) : "") + name.name;
      if (formula.size() < kMaxLibraryNameFormula &&
          workbook_define_name(workbook_, full.c_str(), formula.c_str()) == LXW_NO_ERROR) {
        continue;
      }
      result_.patch.names.push_back({name.name, name.sheet, formula.substr(1)});
    }
  }

  // The plain block a series reference covers now, as "=Sheet1!$B$2:$B$21"; when it covers
  // none, `error` says why.
  bool ResolveSeries(const std::string& reference, int defaultSheet, std::string& plain,
                     std::string& error) const {
    int sheet = -1;
    CellBlock block;
    if (!book_.ResolveReference(reference, defaultSheet, sheet, block, error)) return false;
    plain = "=" + SheetPrefix(sheet) + AbsoluteA1(block);
    return true;
  }

  // What the file leaves out of the workbook is reported, never dropped in silence.
  void Omit(const ChartData& chart, const std::string& what) {
    result_.omissions.push_back("the chart \"" + chart.name + "\" (" + what + ")");
  }

  // libxlsxwriter numbers the chart parts in the order of the sheets that show them, and
  // within a sheet in the order the charts were inserted; chart sheets come after every
  // worksheet here. The second pass finds a chart by that number.
  void WriteCharts() {
    std::vector<std::pair<std::pair<int, int>, std::vector<int>>> secondary;
    int inserted = 0;
    int chartSheets = 0;
    for (const auto& chart : book_.Charts()) {
      std::vector<int> series;
      if (!WriteChart(*chart, series)) continue;
      const std::pair<int, int> order =
          chart->place == ChartData::Place::ChartSheet
              ? std::make_pair(static_cast<int>(worksheets_.size()) + chartSheets++, 0)
              : std::make_pair(book_.SheetIndex(chart->sheetName), inserted++);
      if (!series.empty()) secondary.emplace_back(order, std::move(series));
      orders_.push_back(order);
    }
    std::sort(orders_.begin(), orders_.end());
    for (auto& [order, series] : secondary) {
      const auto at = std::lower_bound(orders_.begin(), orders_.end(), order);
      result_.patch.secondaryAxes.emplace_back(static_cast<int>(at - orders_.begin()) + 1,
                                               std::move(series));
    }
  }

  bool WriteChart(const ChartData& data, std::vector<int>& secondary) {
    const int homeSheet = std::max(0, book_.SheetIndex(data.sheetName));
    struct Planned {
      std::string values;
      std::string name;
      int axisGroup;
    };
    std::vector<Planned> planned;
    std::string unwritten;
    for (const SeriesData& series : data.series) {
      Planned plan{{}, {}, series.axisGroup};
      std::string error;
      if (!ResolveSeries(series.values, homeSheet, plan.values, error)) {
        unwritten += (unwritten.empty() ? "" : "; ") + std::string("its series of ") +
                     (series.values.empty() ? std::string("no values") : series.values) + ": " +
                     error;
        continue;
      }
      if (!series.name.empty() && series.name.front() == '=') {
        if (!ResolveSeries(series.name, homeSheet, plan.name, error)) plan.name.clear();
      } else {
        plan.name = CleanText(series.name);
      }
      planned.push_back(std::move(plan));
    }
    if (data.series.empty()) unwritten = "it has no series";
    // A chart without a series that covers cells cannot be written.
    if (!unwritten.empty()) Omit(data, unwritten);
    if (planned.empty()) return false;
    lxw_chart* chart = workbook_add_chart(workbook_, LXW_CHART_LINE);
    if (chart == nullptr) {
      Omit(data, "the file cannot take another chart");
      return false;
    }
    for (size_t i = 0; i < planned.size(); ++i) {
      lxw_chart_series* series = chart_add_series(chart, nullptr, planned[i].values.c_str());
      if (!planned[i].name.empty()) chart_series_set_name(series, planned[i].name.c_str());
      chart_series_set_marker_type(series,
                                   i % 2 == 0 ? LXW_CHART_MARKER_DIAMOND : LXW_CHART_MARKER_SQUARE);
      if (planned[i].axisGroup == xlSecondary) secondary.push_back(static_cast<int>(i));
    }
    if (!data.hasAxis[xlCategory - 1][xlPrimary - 1]) chart_axis_off(chart->x_axis);
    if (!data.hasAxis[xlValue - 1][xlPrimary - 1]) chart_axis_off(chart->y_axis);
    if (data.axes[xlCategory - 1][xlPrimary - 1].tickLabelPosition == xlTickLabelPositionLow) {
      chart_axis_set_label_position(chart->x_axis, LXW_CHART_AXIS_LABEL_POSITION_LOW);
    }
    if (data.hasTitle && !data.title.empty()) {
      chart_title_set_name(chart, CleanText(data.title).c_str());
    } else {
      chart_title_off(chart);
    }
    if (!Place(data, chart)) {
      Omit(data, "its place in the workbook cannot be written");
      return false;
    }
    return true;
  }

  bool Place(const ChartData& data, lxw_chart* chart) {
    if (data.place == ChartData::Place::ChartSheet) {
      const std::string name = CleanText(data.sheetName);
      lxw_chartsheet* sheet = workbook_add_chartsheet(workbook_, name.c_str());
      return sheet != nullptr && chartsheet_set_chart(sheet, chart) == LXW_NO_ERROR;
    }
    const int index = book_.SheetIndex(data.sheetName);
    if (index < 0 || worksheets_[index] == nullptr) return false;
    const SheetData& sheet = *book_.Sheets()[index];
    const ShapeData* shape = nullptr;
    for (const ShapeData& candidate : sheet.Shapes()) {
      if (candidate.name == data.shapeName) shape = &candidate;
    }
    if (shape == nullptr) return false;
    int row = 1;
    int column = 1;
    lxw_chart_options options{};
    sheet.CellAtPoint(shape->top, shape->left, row, column, options.y_offset, options.x_offset);
    options.x_scale = shape->width / 0.75 / kChartWidthPx;
    options.y_scale = shape->height / 0.75 / kChartHeightPx;
    return worksheet_insert_chart_opt(worksheets_[index], static_cast<lxw_row_t>(row - 1),
                                      static_cast<lxw_col_t>(column - 1), chart,
                                      &options) == LXW_NO_ERROR;
  }

  void Fail(std::string error) {
    if (result_.error.empty()) result_.error = std::move(error);
  }

  const WorkbookData& book_;
  lxw_workbook* workbook_;
  std::vector<lxw_worksheet*> worksheets_;
  std::map<std::pair<std::uint16_t, bool>, lxw_format*> formats_;
  std::vector<std::pair<int, int>> orders_;
  XlsxResult result_;
};

}  // namespace

XlsxResult WriteXlsx(const WorkbookData& book, const std::string& path) {
  // libxlsxwriter formats every number (values, widths, times, chart sizes) with the C
  // library's printf, which follows the process locale: under a decimal-comma locale it would
  // write "0,5", which no spreadsheet program reads as a number.
  const CLocaleScope cLocale;
  lxw_workbook_options options{};
  options.use_zip64 = LXW_TRUE;
  // The host keeps cells in row order, which is what the constant-memory mode asks for: rows
  // go straight to the file, and a large log saves in about half the time.
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
  if (workbook == nullptr) return XlsxResult{"the file cannot be created", {}, {}};
  XlsxResult result = Writer(book, workbook).Run();
  const lxw_error error = workbook_close(workbook);
  if (error != LXW_NO_ERROR && result.error.empty()) result.error = lxw_strerror(error);
  return result;
}

}  // namespace vx::automation::host
