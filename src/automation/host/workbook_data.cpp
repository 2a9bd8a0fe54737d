#include "automation/host/workbook_data.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/c_number.h"

namespace vx::automation::host {
namespace {

constexpr size_t kMaxNameLength = 255;

int ColumnPixels(double characters) {
  return static_cast<int>(std::lround(characters * 7 + 5));
}

bool ValidName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  const auto first = static_cast<unsigned char>(name.front());
  if (!std::isalpha(first) && name.front() != '_' && name.front() != '\\') return false;
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '\\') {
      return false;
    }
  }
  return !ParseA1(name).block && !ParseR1C1(name).block && !EqualsNoCase(name, "TRUE") &&
         !EqualsNoCase(name, "FALSE");
}

size_t DisplayLength(std::string_view text) {
  size_t length = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++length;
    } else if (c >= 0xE0) {
      length += 2;  // wide (CJK) characters take two columns
    } else if (c >= 0xC0) {
      ++length;
    }
  }
  return length;
}

}  // namespace

bool SplitQualified(std::string_view qualified, std::string& sheet, std::string& name) {
  const size_t bang = qualified.rfind('!');
  if (bang == std::string_view::npos) {
    sheet.clear();
    name = std::string(qualified);
    return true;
  }
  std::string_view sheetPart = qualified.substr(0, bang);
  if (sheetPart.size() >= 2 && sheetPart.front() == '\'' && sheetPart.back() == '\'') {
    sheetPart = sheetPart.substr(1, sheetPart.size() - 2);
    sheet.clear();
    for (size_t i = 0; i < sheetPart.size(); ++i) {
      sheet += sheetPart[i];
      if (sheetPart[i] == '\'' && i + 1 < sheetPart.size() && sheetPart[i + 1] == '\'') ++i;
    }
  } else {
    sheet = std::string(sheetPart);
  }
  name = std::string(qualified.substr(bang + 1));
  return !sheet.empty();
}

const std::vector<Cell>& SheetData::RowCells(int row) const {
  static const std::vector<Cell> kNoCells;
  const auto index = static_cast<size_t>((row - 1) / kRowsPerBlock);
  if (row < 1 || index >= blocks_.size()) return kNoCells;
  const RowBlock& block = *blocks_[index];
  const auto offset = static_cast<size_t>((row - 1) % kRowsPerBlock);
  return offset < block.size() ? block[offset] : kNoCells;
}

SheetData::RowBlock& SheetData::WritableBlock(int row) {
  const auto index = static_cast<size_t>((row - 1) / kRowsPerBlock);
  if (index >= blocks_.size()) blocks_.resize(index + 1);
  std::shared_ptr<RowBlock>& block = blocks_[index];
  // Only this thread takes snapshots, so a count of one cannot grow while the block changes;
  // a snapshot that lets go meanwhile merely costs a copy that was not needed.
  if (!block) {
    block = std::make_shared<RowBlock>();
  } else if (block.use_count() > 1) {
    block = std::make_shared<RowBlock>(*block);
  }
  return *block;
}

const Cell* SheetData::Find(int row, int column) const {
  if (row < 1 || row > RowCount()) return nullptr;
  const auto& cells = RowCells(row);
  if (column < 1 || column > static_cast<int>(cells.size())) return nullptr;
  return &cells[column - 1];
}

Cell& SheetData::At(int row, int column) {
  RowBlock& block = WritableBlock(row);
  const auto offset = static_cast<size_t>((row - 1) % kRowsPerBlock);
  if (offset >= block.size()) block.resize(offset + 1);
  rowCount_ = std::max(rowCount_, row);
  auto& cells = block[offset];
  if (column > static_cast<int>(cells.size())) {
    // Cells a row gains take their column's format.
    const int first = static_cast<int>(cells.size()) + 1;
    cells.resize(column);
    for (auto style = columnStyles_.lower_bound(first);
         style != columnStyles_.end() && style->first <= column; ++style) {
      cells[style->first - 1].style = style->second;
    }
  }
  return cells[column - 1];
}

std::uint16_t SheetData::ColumnStyle(int column) const {
  const auto found = columnStyles_.find(column);
  return found == columnStyles_.end() ? 0 : found->second;
}

Value SheetData::ValueAt(int row, int column) const {
  const Cell* cell = Find(row, column);
  return cell ? cell->value : Value{};
}

double SheetData::ColumnWidth(int column) const {
  const auto found = columnWidths_.find(column);
  return found == columnWidths_.end() ? kDefaultColumnWidth : found->second;
}

void SheetData::SetColumnWidth(int column, double characters) {
  const double edge = ColumnLeft(column + 1);
  columnWidths_[column] = characters;
  const double shift = ColumnLeft(column + 1) - edge;
  if (shift == 0) return;
  constexpr double kHalfPixel = 0.375;  // points
  for (ShapeData& shape : shapes_) {
    if (shape.left >= edge - kHalfPixel) shape.left += shift;
  }
}

double SheetData::ColumnLeft(int column) const {
  double pixels = 0;
  int counted = 1;
  for (const auto& [index, width] : columnWidths_) {
    if (index >= column) break;
    pixels += (index - counted) * ColumnPixels(kDefaultColumnWidth) + ColumnPixels(width);
    counted = index + 1;
  }
  pixels += (column - counted) * ColumnPixels(kDefaultColumnWidth);
  return pixels * 0.75;
}

void SheetData::CellAtPoint(double top, double left, int& row, int& column, int& rowOffsetPx,
                            int& columnOffsetPx) const {
  const int topPx = std::max(0, static_cast<int>(std::lround(top / 0.75)));
  const int rowPx = static_cast<int>(kDefaultRowHeight / 0.75);
  row = std::min(topPx / rowPx + 1, kMaxRows);
  rowOffsetPx = topPx - (row - 1) * rowPx;
  int leftPx = std::max(0, static_cast<int>(std::lround(left / 0.75)));
  column = 1;
  while (column < kMaxColumns && leftPx >= ColumnPixels(ColumnWidth(column))) {
    leftPx -= ColumnPixels(ColumnWidth(column));
    ++column;
  }
  columnOffsetPx = leftPx;
}

ShapeData* SheetData::FindShape(std::string_view name) {
  for (ShapeData& shape : shapes_) {
    if (EqualsNoCase(shape.name, name)) return &shape;
  }
  return nullptr;
}

ShapeData* SheetData::FindShape(int id) {
  for (ShapeData& shape : shapes_) {
    if (shape.id == id) return &shape;
  }
  return nullptr;
}

std::shared_ptr<const WorkbookData> WorkbookData::Snapshot() const {
  auto copy = std::make_shared<WorkbookData>(*this);
  for (auto& sheet : copy->sheets_) sheet = std::make_shared<SheetData>(*sheet);
  for (auto& chart : copy->charts_) chart = std::make_shared<ChartData>(*chart);
  return copy;
}

std::shared_ptr<SheetData> WorkbookData::AddSheet() {
  int number = static_cast<int>(sheets_.size()) + 1;
  while (!SheetNameFree("Sheet" + std::to_string(number))) ++number;
  sheets_.push_back(std::make_shared<SheetData>("Sheet" + std::to_string(number)));
  return sheets_.back();
}

std::shared_ptr<ChartData> WorkbookData::AddChart() {
  auto chart = std::make_shared<ChartData>();
  do {
    chart->name = "Chart" + std::to_string(++chartCounter_);
  } while (!SheetNameFree(chart->name));
  chart->sheetName = chart->name;
  charts_.push_back(chart);
  return chart;
}

bool WorkbookData::SheetNameFree(std::string_view name) const {
  for (const auto& sheet : sheets_) {
    if (EqualsNoCase(sheet->Name(), name)) return false;
  }
  for (const auto& chart : charts_) {
    if (chart->place == ChartData::Place::ChartSheet && EqualsNoCase(chart->sheetName, name)) {
      return false;
    }
  }
  return true;
}

std::uint16_t WorkbookData::StyleIndex(const CellStyle& style) {
  for (size_t i = 0; i < styles_.size(); ++i) {
    if (styles_[i] == style) return static_cast<std::uint16_t>(i);
  }
  if (styles_.size() >= 0xFFFF) return 0;  // the table is full: fall back to the default
  styles_.push_back(style);
  return static_cast<std::uint16_t>(styles_.size() - 1);
}

std::string WorkbookData::DefineName(std::string_view qualifiedName, std::string_view refersToR1C1,
                                     int defaultSheet) {
  std::string sheetName;
  std::string name;
  int sheet = defaultSheet;
  if (SplitQualified(qualifiedName, sheetName, name) && !sheetName.empty()) {
    sheet = SheetIndex(sheetName);
    if (sheet < 0)
      return "There is no sheet called \"" + sheetName + "\" for the name " + name + ".";
  }
  if (!ValidName(name)) return "\"" + std::string(qualifiedName) + "\" is not a valid name.";
  DefinedNameData data;
  data.name = name;
  data.sheet = sheet;
  data.refersToR1C1 = std::string(refersToR1C1);
  Formula::Parsed parsed = Formula::Parse(refersToR1C1);
  data.formula = std::move(parsed.formula);
  data.error = std::move(parsed.error);
  for (DefinedNameData& existing : names_) {
    if (existing.sheet == sheet && EqualsNoCase(existing.name, name)) {
      existing = std::move(data);
      return {};
    }
  }
  names_.push_back(std::move(data));
  return {};
}

const DefinedNameData* WorkbookData::FindName(int sheet, std::string_view name) const {
  const DefinedNameData* global = nullptr;
  for (const DefinedNameData& data : names_) {
    if (!EqualsNoCase(data.name, name)) continue;
    if (data.sheet == sheet) return &data;
    if (data.sheet < 0) global = &data;
  }
  return global;
}

bool WorkbookData::ResolveName(const DefinedNameData& name, int& sheet, CellBlock& block,
                               std::string& error) const {
  if (!name.formula) {
    error = name.error;
    return false;
  }
  const FormulaValue value =
      Evaluate(*name.formula, name.sheet >= 0 ? name.sheet : activeSheet, *this);
  if (value.kind == FormulaValue::Kind::Error) {
    error = "The name " + name.name + " covers no cells: " + value.text + ".";
    return false;
  }
  if (value.kind != FormulaValue::Kind::Reference) {
    error = "The name " + name.name + " is not a reference to cells.";
    return false;
  }
  sheet = value.sheet;
  block = value.block;
  return true;
}

bool WorkbookData::ResolveReference(std::string_view formula, int defaultSheet, int& sheet,
                                    CellBlock& block, std::string& error) const {
  Formula::Parsed parsed = Formula::Parse(formula);
  if (!parsed.formula) {
    error = parsed.error;
    return false;
  }
  const FormulaValue value = Evaluate(*parsed.formula, defaultSheet, *this);
  if (value.kind != FormulaValue::Kind::Reference) {
    error = "\"" + std::string(formula) + "\" covers no cells" +
            (value.kind == FormulaValue::Kind::Error ? ": " + value.text : std::string()) + ".";
    return false;
  }
  sheet = value.sheet;
  block = value.block;
  return true;
}

int WorkbookData::SheetIndex(std::string_view name) const {
  for (size_t i = 0; i < sheets_.size(); ++i) {
    if (EqualsNoCase(sheets_[i]->Name(), name)) return static_cast<int>(i);
  }
  return -1;
}

Value WorkbookData::CellValue(int sheet, int row, int column) const {
  if (sheet < 0 || sheet >= static_cast<int>(sheets_.size())) return {};
  return sheets_[sheet]->ValueAt(row, column);
}

std::shared_ptr<const Formula> WorkbookData::NameFormula(int sheet, std::string_view name,
                                                         int& definedOn, std::string& error) const {
  const DefinedNameData* data = FindName(sheet, name);
  if (data == nullptr) return nullptr;
  definedOn = data->sheet;
  if (!data->formula) error = data->error;
  return data->formula;
}

std::string DisplayText(const Cell& cell, const CellStyle& style) {
  if (const double* number = std::get_if<double>(&cell.value)) {
    return style.numberFormat.empty() ? FormatC("%.10g", *number) : style.numberFormat;
  }
  if (std::holds_alternative<DateValue>(cell.value)) {
    return style.numberFormat.empty() ? std::string("yyyy/mm/dd hh:mm:ss") : style.numberFormat;
  }
  return TextOf(cell.value);
}

size_t DisplayWidth(std::string_view text) {
  return DisplayLength(text);
}

}  // namespace vx::automation::host
