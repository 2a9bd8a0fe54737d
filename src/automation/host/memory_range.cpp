// Ranges of cells and their font.
#include <algorithm>

#include "automation/host/memory_objects.h"
#include "automation/typed_input.h"

namespace vx::automation::host {
namespace {

// One call may change at most this many cells: a whole column, not the whole sheet.
constexpr long long kMaxCellsPerCall = 1LL << 21;
constexpr double kBoldWidthFactor = 1.1;
constexpr double kFitPadding = 0.43;

class MemoryRange final : public Range, public std::enable_shared_from_this<MemoryRange> {
 public:
  MemoryRange(HostPtr host, BookPtr book, SheetPtr sheet, CellBlock block)
      : host_(std::move(host)), book_(std::move(book)), sheet_(std::move(sheet)), block_(block) {}

  Result<automation::Value> Value() override {
    return sheet_->ValueAt(block_.firstRow, block_.firstColumn);
  }

  Status SetValue(const automation::Value& value) override {
    const TypedValue typed = CellInput(value);
    return ForEachCell([&](Cell& cell) { Store(cell, typed.value, typed.numberFormat); });
  }

  Result<ValueRows> Values() override {
    VX_RETURN_IF_ERROR(CheckCellCount());
    ValueRows rows(static_cast<size_t>(block_.RowCount()));
    for (int row = block_.firstRow; row <= block_.lastRow; ++row) {
      auto& values = rows[static_cast<size_t>(row - block_.firstRow)];
      for (int column = block_.firstColumn; column <= block_.lastColumn; ++column) {
        values.push_back(sheet_->ValueAt(row, column));
      }
    }
    return rows;
  }

  Status SetValues(const ValueRows& rows) override {
    if (const std::string problem = BlockShapeProblem(rows, block_); !problem.empty()) {
      return HostError(problem);
    }
    for (int row = block_.firstRow; row <= block_.lastRow; ++row) {
      const auto& values = rows[static_cast<size_t>(row - block_.firstRow)];
      for (int column = block_.firstColumn; column <= block_.lastColumn; ++column) {
        const TypedValue typed =
            CellInput(values[static_cast<size_t>(column - block_.firstColumn)]);
        Store(sheet_->At(row, column), typed.value, typed.numberFormat);
      }
    }
    return {};
  }

  Status SetName(std::string_view name) override {
    const std::string target = "=" + QuoteSheetName(sheet_->Name()) + "!" + AbsoluteR1C1(block_);
    const std::string problem = book_->DefineName(name, target, -1);
    if (!problem.empty()) return HostError(problem);
    return {};
  }

  Result<std::string> NumberFormat() override {
    const std::string& format = FirstStyle().numberFormat;
    return format.empty() ? std::string("General") : format;
  }
  Status SetNumberFormat(std::string_view format) override {
    const std::string text = format == "General" ? std::string() : std::string(format);
    return Restyle([&](CellStyle& style) { style.numberFormat = text; });
  }

  Result<FontPtr> Font() override;

  Result<int> VerticalAlignment() override { return FirstStyle().verticalAlignment; }
  Status SetVerticalAlignment(int alignment) override {
    return Restyle([&](CellStyle& style) { style.verticalAlignment = alignment; });
  }

  Result<RangePtr> EntireColumn() override {
    return MakeRange(host_, book_, sheet_,
                     CellBlock{1, block_.firstColumn, kMaxRows, block_.lastColumn});
  }

  Status AutoFit() override {
    const int lastRow = std::min(block_.lastRow, sheet_->RowCount());
    for (int column = block_.firstColumn; column <= block_.lastColumn; ++column) {
      double widest = 0;
      for (int row = block_.firstRow; row <= lastRow; ++row) {
        const Cell* cell = sheet_->Find(row, column);
        if (cell == nullptr || IsEmpty(cell->value)) continue;
        const CellStyle& style = book_->Style(cell->style);
        const double width = static_cast<double>(DisplayWidth(DisplayText(*cell, style))) *
                             (style.bold ? kBoldWidthFactor : 1.0);
        widest = std::max(widest, width);
      }
      sheet_->SetColumnWidth(column, widest > 0 ? widest + kFitPadding : kDefaultColumnWidth);
    }
    return {};
  }

  Result<double> Top() override { return sheet_->RowTop(block_.firstRow); }
  Result<double> Left() override { return sheet_->ColumnLeft(block_.firstColumn); }
  Result<std::string> Address() override { return AbsoluteA1(block_); }
  Result<WorksheetPtr> Worksheet() override { return MakeWorksheet(host_, book_, sheet_); }

  Result<bool> Bold() { return FirstStyle().bold; }
  Status SetBold(bool bold) {
    return Restyle([&](CellStyle& style) { style.bold = bold; });
  }

 private:
  const CellStyle& FirstStyle() const {
    const Cell* cell = sheet_->Find(block_.firstRow, block_.firstColumn);
    return book_->Style(cell ? cell->style : sheet_->ColumnStyle(block_.firstColumn));
  }

  bool WholeColumns() const { return block_.firstRow == 1 && block_.lastRow == kMaxRows; }

  Status CheckCellCount() const {
    const long long cells = static_cast<long long>(block_.RowCount()) * block_.ColumnCount();
    if (cells <= kMaxCellsPerCall) return {};
    return HostError("The range " + AbsoluteA1(block_) + " holds too many cells (" +
                     std::to_string(cells) + ") to change in one call.");
  }

  void Store(Cell& cell, const automation::Value& value, const std::string& impliedFormat) {
    cell.value = value;
    if (impliedFormat.empty() || !book_->Style(cell.style).numberFormat.empty()) return;
    CellStyle style = book_->Style(cell.style);
    style.numberFormat = impliedFormat;
    cell.style = book_->StyleIndex(style);
  }

  template <typename Change>
  Status ForEachCell(Change change) {
    VX_RETURN_IF_ERROR(CheckCellCount());
    for (int row = block_.firstRow; row <= block_.lastRow; ++row) {
      for (int column = block_.firstColumn; column <= block_.lastColumn; ++column) {
        change(sheet_->At(row, column));
      }
    }
    return {};
  }

  // Whole columns keep the style for the cells written into them later; only the cells they
  // already hold are changed now.
  template <typename Change>
  Status Restyle(Change change) {
    if (WholeColumns()) {
      for (int column = block_.firstColumn; column <= block_.lastColumn; ++column) {
        CellStyle style = book_->Style(sheet_->ColumnStyle(column));
        change(style);
        sheet_->SetColumnStyle(column, book_->StyleIndex(style));
        for (int row = 1; row <= sheet_->RowCount(); ++row) {
          if (column > sheet_->ColumnsIn(row)) continue;
          Cell& cell = sheet_->At(row, column);
          CellStyle own = book_->Style(cell.style);
          change(own);
          cell.style = book_->StyleIndex(own);
        }
      }
      return {};
    }
    return ForEachCell([&](Cell& cell) {
      CellStyle style = book_->Style(cell.style);
      change(style);
      cell.style = book_->StyleIndex(style);
    });
  }

  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
  CellBlock block_;
};

class MemoryFont final : public Font {
 public:
  explicit MemoryFont(std::shared_ptr<MemoryRange> range) : range_(std::move(range)) {}
  Result<bool> Bold() override { return range_->Bold(); }
  Status SetBold(bool bold) override { return range_->SetBold(bold); }

 private:
  std::shared_ptr<MemoryRange> range_;
};

Result<FontPtr> MemoryRange::Font() {
  return FontPtr(std::make_shared<MemoryFont>(shared_from_this()));
}

}  // namespace

RangePtr MakeRange(HostPtr host, BookPtr book, SheetPtr sheet, CellBlock block) {
  return std::make_shared<MemoryRange>(std::move(host), std::move(book), std::move(sheet), block);
}

}  // namespace vx::automation::host
