// Ranges of cells: values in and out in one call per block, number formats, font, alignment,
// column widths and places.
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/table/CellVertJustify2.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <algorithm>

#include "automation/calc/calc_objects.h"
#include "automation/typed_input.h"

namespace vx::automation::calc {
namespace {

// One call may change at most this many cells, as in the in-memory host.
constexpr long long kMaxCellsPerCall = 1LL << 21;
constexpr int xlTop = -4160;
constexpr int xlBottom = -4107;

Status CheckCellCount(const CellBlock& block) {
  const long long cells = static_cast<long long>(block.RowCount()) * block.ColumnCount();
  if (cells <= kMaxCellsPerCall) return {};
  return CalcError("The range " + AbsoluteA1(block) + " holds too many cells (" +
                   std::to_string(cells) + ") to change in one call.");
}

bool WholeColumns(const CellBlock& block) {
  return block.firstRow == 1 && block.lastRow == kMaxRows;
}

Any DataOf(const Value& value) {
  if (const double* number = std::get_if<double>(&value)) return AnyOf(*number);
  if (const DateValue* date = std::get_if<DateValue>(&value)) return AnyOf(date->oleDate);
  if (const bool* flag = std::get_if<bool>(&value)) return AnyOf(*flag ? 1.0 : 0.0);
  if (const std::string* text = std::get_if<std::string>(&value)) return AnyOf(ToUno(*text));
  return AnyOf(rtl::OUString());
}

// The number format keys of every cell of `block`, row by row: one call per group of cells
// that share their formatting.
std::vector<std::vector<sal_Int32>> FormatKeys(SheetState& sheet, const CellBlock& block) {
  std::vector<std::vector<sal_Int32>> keys(static_cast<size_t>(block.RowCount()),
                                           std::vector<sal_Int32>(block.ColumnCount(), 0));
  const Reference<css::container::XIndexAccess> groups =
      As<css::sheet::XUniqueCellFormatRangesSupplier>(sheet.Range(block))
          ->getUniqueCellFormatRanges();
  const sal_Int32 count = groups->getCount();
  for (sal_Int32 i = 0; i < count; ++i) {
    const Reference<css::sheet::XSheetCellRangeContainer> group(groups->getByIndex(i),
                                                                UNO_QUERY_THROW);
    sal_Int32 key = 0;
    As<css::beans::XPropertySet>(group)->getPropertyValue("NumberFormat") >>= key;
    const Sequence<css::table::CellRangeAddress> addresses = group->getRangeAddresses();
    for (const css::table::CellRangeAddress& address : addresses) {
      for (sal_Int32 row = address.StartRow; row <= address.EndRow; ++row) {
        for (sal_Int32 column = address.StartColumn; column <= address.EndColumn; ++column) {
          const int r = row + 1 - block.firstRow;
          const int c = column + 1 - block.firstColumn;
          if (r >= 0 && r < block.RowCount() && c >= 0 && c < block.ColumnCount()) {
            keys[static_cast<size_t>(r)][static_cast<size_t>(c)] = key;
          }
        }
      }
    }
  }
  return keys;
}

// Whether a cell whose format is `current` already shows `value` as its kind (a date as a
// date, a boolean as a boolean).
bool AlreadyShows(const CellFormat& current, const Value& value) {
  if (std::holds_alternative<DateValue>(value)) return current.showsDate;
  if (std::holds_alternative<bool>(value)) return current.showsBoolean;
  return true;
}

// A run of cells in one column that takes one number format.
struct FormatRun {
  CellBlock block;
  std::string code;
};

// The number formats the written values imply, where the cells do not already show them:
// dates and times in a date format, booleans as TRUE and FALSE.
Status ApplyImpliedFormats(BookState& book, SheetState& sheet, const CellBlock& block,
                           const std::vector<std::vector<TypedValue>>& typed) {
  const auto implied = [&](int r, int c) -> const TypedValue& {
    return typed[static_cast<size_t>(r)][static_cast<size_t>(c)];
  };
  // A column whose whole format the host set needs no look at its cells.
  std::vector<std::vector<sal_Int32>> keys;
  bool keysRead = false;
  std::vector<FormatRun> runs;
  for (int c = 0; c < block.ColumnCount(); ++c) {
    const int column = block.firstColumn + c;
    const auto columnFormat = sheet.columnFormats.find(column);
    for (int r = 0; r < block.RowCount(); ++r) {
      const TypedValue& value = implied(r, c);
      if (value.numberFormat.empty()) continue;
      CellFormat current;
      if (columnFormat != sheet.columnFormats.end()) {
        current = book.FormatOfKey(columnFormat->second);
      } else {
        if (!keysRead) {
          keys = FormatKeys(sheet, block);
          keysRead = true;
        }
        current = book.FormatOfKey(keys[static_cast<size_t>(r)][static_cast<size_t>(c)]);
      }
      if (AlreadyShows(current, value.value)) continue;
      const int row = block.firstRow + r;
      if (!runs.empty() && runs.back().code == value.numberFormat &&
          runs.back().block.firstColumn == column && runs.back().block.lastRow == row - 1) {
        runs.back().block.lastRow = row;
      } else {
        runs.push_back({CellBlock{row, column, row, column}, value.numberFormat});
      }
    }
  }
  for (const FormatRun& run : runs) {
    VX_ASSIGN_OR_RETURN(CellFormat format, book.FormatOfCode(run.code));
    sheet.Properties(run.block)->setPropertyValue("NumberFormat", AnyOf(format.key));
  }
  return {};
}

class CalcRangeObject final : public Range, public std::enable_shared_from_this<CalcRangeObject> {
 public:
  CalcRangeObject(HostPtr host, BookPtr book, SheetPtr sheet, CellBlock block)
      : host_(std::move(host)), book_(std::move(book)), sheet_(std::move(sheet)), block_(block) {}

  Result<automation::Value> Value() override {
    return CallOnSheet(Office(), *sheet_, [&]() -> Result<automation::Value> {
      const CellBlock first{block_.firstRow, block_.firstColumn, block_.firstRow,
                            block_.firstColumn};
      const Sequence<Sequence<Any>> data = sheet_->Data(first)->getDataArray();
      if (data.getLength() != 1 || data[0].getLength() != 1) return automation::Value{};
      double number = 0;
      if (!(data[0][0] >>= number)) return ValueOfCell(data[0][0], CellFormat{});
      return ValueOfCell(data[0][0], FormatOf(first));
    });
  }

  Status SetValue(const automation::Value& value) override {
    VX_RETURN_IF_ERROR(CheckCellCount(block_));
    return Write(ValueRows(static_cast<size_t>(block_.RowCount()),
                           std::vector<automation::Value>(block_.ColumnCount(), value)));
  }

  Result<ValueRows> Values() override {
    VX_RETURN_IF_ERROR(CheckCellCount(block_));
    return CallOnSheet(Office(), *sheet_, [&]() -> Result<ValueRows> {
      const Sequence<Sequence<Any>> data = sheet_->Data(block_)->getDataArray();
      const std::vector<std::vector<sal_Int32>> keys = FormatKeys(*sheet_, block_);
      ValueRows rows;
      for (sal_Int32 r = 0; r < data.getLength(); ++r) {
        std::vector<automation::Value>& row = rows.emplace_back();
        for (sal_Int32 c = 0; c < data[r].getLength(); ++c) {
          row.push_back(ValueOfCell(data[r][c], book_->FormatOfKey(keys[r][c])));
        }
      }
      return rows;
    });
  }

  Status SetValues(const ValueRows& rows) override {
    if (const std::string problem = BlockShapeProblem(rows, block_); !problem.empty()) {
      return CalcError(problem);
    }
    return Write(rows);
  }

  Status SetName(std::string_view name) override {
    return CallOnSheet(Office(), *sheet_, [&]() -> Status {
      const std::string target = "=" + QuoteSheetName(sheet_->name) + "!" + AbsoluteR1C1(block_);
      return DefineName(*book_, name, target, nullptr);
    });
  }

  Result<std::string> NumberFormat() override {
    return CallOnSheet(Office(), *sheet_, [&]() -> Result<std::string> {
      const CellFormat format = FormatOf(block_);
      return format.code.empty() ? std::string("General") : format.code;
    });
  }
  Status SetNumberFormat(std::string_view code) override {
    return CallOnSheet(Office(), *sheet_, [&]() -> Status {
      VX_ASSIGN_OR_RETURN(CellFormat format, book_->FormatOfCode(code));
      sheet_->Properties(block_)->setPropertyValue("NumberFormat", AnyOf(format.key));
      for (int column = block_.firstColumn; column <= block_.lastColumn; ++column) {
        if (WholeColumns(block_)) {
          sheet_->columnFormats[column] = format.key;
        } else {
          sheet_->columnFormats.erase(column);
        }
      }
      return {};
    });
  }

  Result<FontPtr> Font() override;

  Result<int> VerticalAlignment() override {
    return CallOnSheet(Office(), *sheet_, [&]() -> Result<int> {
      sal_Int32 justify = 0;
      sheet_->Properties(block_)->getPropertyValue("VertJustify") >>= justify;
      if (justify == css::table::CellVertJustify2::CENTER) return xlCenter;
      if (justify == css::table::CellVertJustify2::TOP) return xlTop;
      return xlBottom;
    });
  }
  Status SetVerticalAlignment(int alignment) override {
    sal_Int32 justify = 0;
    if (alignment == xlCenter) {
      justify = css::table::CellVertJustify2::CENTER;
    } else if (alignment == xlTop) {
      justify = css::table::CellVertJustify2::TOP;
    } else if (alignment == xlBottom) {
      justify = css::table::CellVertJustify2::BOTTOM;
    } else {
      return CalcError("The vertical alignment " + std::to_string(alignment) +
                       " is not one LibreOffice Calc has.");
    }
    return CallOnSheet(Office(), *sheet_, [&]() -> Status {
      sheet_->Properties(block_)->setPropertyValue("VertJustify", AnyOf(justify));
      return {};
    });
  }

  Result<RangePtr> EntireColumn() override {
    return MakeRange(host_, book_, sheet_,
                     CellBlock{1, block_.firstColumn, kMaxRows, block_.lastColumn});
  }

  Status AutoFit() override {
    return CallOnSheet(Office(), *sheet_, [&]() -> Status {
      const Reference<css::table::XTableColumns> columns =
          As<css::table::XColumnRowRange>(sheet_->Range(block_))->getColumns();
      As<css::beans::XPropertySet>(columns)->setPropertyValue("OptimalWidth", AnyOf(true));
      return {};
    });
  }

  Result<double> Top() override {
    return CallOnSheet(Office(), *sheet_,
                       [&]() -> Result<double> { return ToPoints(Position().Y); });
  }
  Result<double> Left() override {
    return CallOnSheet(Office(), *sheet_,
                       [&]() -> Result<double> { return ToPoints(Position().X); });
  }
  Result<std::string> Address() override { return AbsoluteA1(block_); }
  Result<WorksheetPtr> Worksheet() override { return MakeWorksheet(host_, book_, sheet_); }

  Result<bool> Bold() {
    return CallOnSheet(Office(), *sheet_, [&]() -> Result<bool> {
      float weight = 0;
      sheet_->Properties(block_)->getPropertyValue("CharWeight") >>= weight;
      return weight >= css::awt::FontWeight::SEMIBOLD;
    });
  }
  Status SetBold(bool bold) {
    return CallOnSheet(Office(), *sheet_, [&]() -> Status {
      const float weight = bold ? css::awt::FontWeight::BOLD : css::awt::FontWeight::NORMAL;
      sheet_->Properties(block_)->setPropertyValue("CharWeight", AnyOf(weight));
      return {};
    });
  }

 private:
  OfficeConnection& Office() { return *host_->office; }

  // In a batch the values go behind the caller: what failed before is reported first, and
  // the cells are not waited for.
  Status Write(const ValueRows& rows) {
    if (!Office().Batching()) {
      return CallOnSheet(Office(), *sheet_,
                         [&]() -> Status { return WriteBlock(*book_, *sheet_, block_, rows); });
    }
    VX_RETURN_IF_ERROR(Office().Lanes().TakeFailure());
    return CallNowOnSheet(Office(), sheet_->closed, [&]() -> Status {
      return WriteBlock(*book_, *sheet_, block_, rows, &Office().Lanes());
    });
  }

  CellFormat FormatOf(const CellBlock& block) {
    const auto column = sheet_->columnFormats.find(block.firstColumn);
    if (column != sheet_->columnFormats.end()) return book_->FormatOfKey(column->second);
    sal_Int32 key = 0;
    const CellBlock first{block.firstRow, block.firstColumn, block.firstRow, block.firstColumn};
    sheet_->Properties(first)->getPropertyValue("NumberFormat") >>= key;
    return book_->FormatOfKey(key);
  }

  css::awt::Point Position() {
    css::awt::Point point;
    const CellBlock first{block_.firstRow, block_.firstColumn, block_.firstRow, block_.firstColumn};
    sheet_->Properties(first)->getPropertyValue("Position") >>= point;
    return point;
  }

  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
  CellBlock block_;
};

class CalcFont final : public Font {
 public:
  explicit CalcFont(std::shared_ptr<CalcRangeObject> range) : range_(std::move(range)) {}
  Result<bool> Bold() override { return range_->Bold(); }
  Status SetBold(bool bold) override { return range_->SetBold(bold); }

 private:
  std::shared_ptr<CalcRangeObject> range_;
};

Result<FontPtr> CalcRangeObject::Font() {
  return FontPtr(std::make_shared<CalcFont>(shared_from_this()));
}

}  // namespace

namespace {

// The move is a guess: a cursor that could not go on is made anew for the next write, and
// nothing is reported, as nothing was written.
void MoveCursorAhead(SheetState& sheet, WriteLanes& lanes) {
  const std::optional<BlockWriter> ahead = sheet.MoveAhead();
  if (!ahead) return;
  const CellBlock below{sheet.CursorBlock()};
  lanes.Post(WriteLanes::Claim{&sheet, below, true}, [move = *ahead]() -> Status {
    try {
      move.Move();
    } catch (...) {
    }
    return {};
  });
}

}  // namespace

Status WriteBlock(BookState& book, SheetState& sheet, const CellBlock& block, const ValueRows& rows,
                  WriteLanes* behind) {
  std::vector<std::vector<TypedValue>> typed;
  bool anyFormat = false;
  for (const auto& row : rows) {
    auto& typedRow = typed.emplace_back();
    for (const Value& value : row) {
      TypedValue input = CellInput(value);
      // Calc keeps a boolean as a number that its format shows as TRUE or FALSE.
      if (std::holds_alternative<bool>(input.value)) input.numberFormat = "BOOLEAN";
      anyFormat = anyFormat || !input.numberFormat.empty();
      typedRow.push_back(std::move(input));
    }
  }
  WriteLanes::Claim claim{&sheet, block, false};
  std::function<void()> write;
  if (block.IsSingleCell()) {
    write = [cell = sheet.Cell(block), value = typed[0][0].value] {
      if (const std::string* text = std::get_if<std::string>(&value)) {
        As<css::text::XTextRange>(cell)->setString(ToUno(*text));
      } else if (IsEmpty(value)) {
        cell->setFormula(rtl::OUString());
      } else {
        double number = 0;
        DataOf(value) >>= number;
        cell->setValue(number);
      }
    };
  } else {
    Sequence<Sequence<Any>> data(block.RowCount());
    for (int r = 0; r < block.RowCount(); ++r) {
      Sequence<Any> row(block.ColumnCount());
      for (int c = 0; c < block.ColumnCount(); ++c) {
        row[c] = DataOf(typed[static_cast<size_t>(r)][static_cast<size_t>(c)].value);
      }
      data[r] = row;
    }
    const BlockWriter writer = sheet.Writer(block);
    claim.cursor = writer.UsesCursor();
    write = [writer, data] { writer.Write(data); };
  }
  if (behind == nullptr) {
    write();
  } else {
    behind->Post(claim, [&office = book.Office(), closed = sheet.closed, write]() -> Status {
      return CallNowOnSheet(office, closed, [&]() -> Status {
        write();
        return {};
      });
    });
    if (claim.cursor) MoveCursorAhead(sheet, *behind);
  }
  if (anyFormat) VX_RETURN_IF_ERROR(ApplyImpliedFormats(book, sheet, block, typed));
  return book.CellsWritten(sheet, block, typed);
}

RangePtr MakeRange(HostPtr host, BookPtr book, SheetPtr sheet, CellBlock block) {
  return std::make_shared<CalcRangeObject>(std::move(host), std::move(book), std::move(sheet),
                                           block);
}

}  // namespace vx::automation::calc
