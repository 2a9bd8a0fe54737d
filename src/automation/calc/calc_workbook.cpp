// Workbooks, their worksheets, and the objects a worksheet gives.
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>

#include <filesystem>

#include "automation/calc/calc_objects.h"
#include "common/c_number.h"

namespace vx::automation::calc {
namespace {

// The filter Calc saves with, by the file's extension: its own format for .ods, the
// spreadsheet program's for everything else, as SaveAs is documented to write .xlsx.
rtl::OUString FilterFor(const std::string& path) {
  const std::string extension = ToLowerAscii(std::filesystem::path(path).extension().string());
  if (extension == ".ods") return "calc8";
  if (extension == ".xls") return "MS Excel 97";
  return "Calc MS Excel 2007 XML";
}

AutomationError NotAWorkbook(const BookState& book) {
  return CalcError("The add-in " + book.addInName +
                   " is kept by the host and is not a workbook "
                   "open in LibreOffice.");
}

// A save that was over before it was handed back.
class FinishedSave final : public PendingSave {
 public:
  explicit FinishedSave(Status outcome) : outcome_(std::move(outcome)) {}
  bool Done() const override { return true; }
  Status Wait() override { return outcome_; }

 private:
  Status outcome_;
};

class CalcSheets final : public Sheets {
 public:
  CalcSheets(HostPtr host, BookPtr book) : host_(std::move(host)), book_(std::move(book)) {}

  Result<int> Count() override {
    return Call(*host_->office,
                [&]() -> Result<int> { return static_cast<int>(book_->Worksheets().size()); });
  }
  Result<WorksheetPtr> Item(int index) override {
    return Call(*host_->office, [&]() -> Result<WorksheetPtr> {
      const std::vector<SheetPtr> sheets = book_->Worksheets();
      if (index < 1 || index > static_cast<int>(sheets.size())) {
        return NoItem("Sheets", std::to_string(index));
      }
      return MakeWorksheet(host_, book_, sheets[static_cast<size_t>(index - 1)]);
    });
  }
  Result<WorksheetPtr> Item(std::string_view name) override {
    return Call(*host_->office, [&]() -> Result<WorksheetPtr> {
      const SheetPtr sheet = book_->SheetNamed(name);
      if (!sheet || book_->IsChartSheet(sheet->name)) {
        return NoItem("Sheets", "\"" + std::string(name) + "\"");
      }
      return MakeWorksheet(host_, book_, sheet);
    });
  }

 private:
  HostPtr host_;
  BookPtr book_;
};

class CalcWorkbook final : public Workbook {
 public:
  CalcWorkbook(HostPtr host, BookPtr book) : host_(std::move(host)), book_(std::move(book)) {}

  Result<std::string> Name() override {
    if (book_->addIn) return book_->addInName;
    if (!book_->fullName.empty()) {
      return std::filesystem::path(book_->fullName).filename().string();
    }
    return Call(*host_->office, [&]() -> Result<std::string> {
      return FromUno(As<css::frame::XTitle>(book_->model)->getTitle());
    });
  }
  Result<std::string> FullName() override { return book_->fullName; }
  Result<std::string> Title() override {
    if (book_->addIn) return std::string();
    return Call(*host_->office,
                [&]() -> Result<std::string> { return FromUno(Properties()->getTitle()); });
  }
  Status SetTitle(std::string_view title) override {
    if (book_->addIn) return NotAWorkbook(*book_);
    return Call(*host_->office, [&]() -> Status {
      Properties()->setTitle(ToUno(title));
      return {};
    });
  }
  Result<SheetsPtr> Sheets() override {
    if (book_->addIn) return NotAWorkbook(*book_);
    return SheetsPtr(std::make_shared<CalcSheets>(host_, book_));
  }
  Result<SheetsPtr> Worksheets() override { return Sheets(); }
  Result<ChartsPtr> Charts() override {
    if (book_->addIn) return NotAWorkbook(*book_);
    return MakeCharts(host_, book_);
  }
  Result<NamesPtr> Names() override {
    if (book_->addIn) return NotAWorkbook(*book_);
    return MakeNames(host_, book_, nullptr);
  }
  Status SaveAs(std::string_view path) override {
    const std::string target(path);
    VX_RETURN_IF_ERROR(Store(target, /*asCopy=*/false));
    std::error_code error;
    book_->fullName = std::filesystem::absolute(target, error).string();
    return {};
  }
  // Calc writes a document on the office's own thread, one store at a time, and a store over
  // the bridge returns when the file is written: the copy is written before this returns,
  // and the save handed back is over.
  Result<PendingSavePtr> SaveCopyAsInBackground(std::string_view path) override {
    return PendingSavePtr(std::make_shared<FinishedSave>(Store(std::string(path), true)));
  }

 private:
  // Writes the document at `target`: as its file (SaveAs), or a copy of it that leaves the
  // document's own file as it was.
  Status Store(const std::string& target, bool asCopy) {
    if (book_->addIn) return NotAWorkbook(*book_);
    // Calc would make the missing folders; the object model refuses a path that is not there.
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(target, error).parent_path();
    if (!std::filesystem::is_directory(folder, error)) {
      return AutomationError::Make(ErrorNumber::PathNotFound,
                                   "The workbook cannot be saved as " + target + ": the folder " +
                                       folder.string() + " does not exist.");
    }
    return Call(*host_->office, [&]() -> Status {
      book_->CheckOpen();
      Sequence<css::beans::PropertyValue> arguments(2);
      arguments[0].Name = "FilterName";
      arguments[0].Value <<= FilterFor(target);
      arguments[1].Name = "Overwrite";
      arguments[1].Value <<= true;
      const auto storable = As<css::frame::XStorable>(book_->document);
      try {
        if (asCopy) {
          storable->storeToURL(ToUno(FileUrlOf(target)), arguments);
        } else {
          storable->storeAsURL(ToUno(FileUrlOf(target)), arguments);
        }
      } catch (const css::io::IOException&) {
        return AutomationError::Make(
            ErrorNumber::PathNotFound,
            "The workbook cannot be saved as " + target + ": LibreOffice cannot write there.");
      }
      return {};
    });
  }

  Reference<css::document::XDocumentProperties> Properties() {
    book_->CheckOpen();
    return As<css::document::XDocumentPropertiesSupplier>(book_->document)->getDocumentProperties();
  }

  HostPtr host_;
  BookPtr book_;
};

class CalcWorksheet final : public Worksheet {
 public:
  CalcWorksheet(HostPtr host, BookPtr book, SheetPtr sheet)
      : host_(std::move(host)), book_(std::move(book)), sheet_(std::move(sheet)) {}

  Result<std::string> Name() override {
    return Call(*host_->office, [&]() -> Result<std::string> {
      sheet_->name = FromUno(As<css::container::XNamed>(sheet_->sheet)->getName());
      return sheet_->name;
    });
  }
  Status SetName(std::string_view name) override {
    if (name.empty() || name.size() > 31 ||
        name.find_first_of("[]:*?/\\") != std::string_view::npos) {
      return CalcError("\"" + std::string(name) + "\" is not a valid sheet name.");
    }
    return Call(*host_->office, [&]() -> Status {
      const SheetPtr existing = book_->SheetNamed(name);
      if (existing && existing != sheet_) {
        return CalcError("A sheet called \"" + std::string(name) + "\" already exists.");
      }
      const std::string old = sheet_->name;
      As<css::container::XNamed>(sheet_->sheet)->setName(ToUno(name));
      sheet_->name = std::string(name);
      for (NameRecord& record : book_->names) {
        if (EqualsNoCase(record.sheet, old)) record.sheet = sheet_->name;
      }
      for (const ChartStatePtr& chart : book_->charts) {
        if (EqualsNoCase(chart->holder, old)) chart->holder = sheet_->name;
      }
      return {};
    });
  }
  Result<RangePtr> Range(std::string_view cell) override {
    const ParsedBlock parsed = ParseA1(cell);
    if (!parsed.block) return CalcError(parsed.error);
    return MakeRange(host_, book_, sheet_, *parsed.block);
  }
  Result<RangePtr> Range(std::string_view first, std::string_view last) override {
    const ParsedBlock a = ParseA1(first);
    if (!a.block) return CalcError(a.error);
    const ParsedBlock b = ParseA1(last);
    if (!b.block) return CalcError(b.error);
    return MakeRange(host_, book_, sheet_, SpanOf(*a.block, *b.block));
  }
  Result<RangePtr> Cells(int row, int column) override {
    if (!WithinSheet(row, column)) {
      return CalcError("The cell at row " + std::to_string(row) + ", column " +
                       std::to_string(column) + " lies outside the sheet.");
    }
    return MakeRange(host_, book_, sheet_, CellBlock{row, column, row, column});
  }
  Result<NamesPtr> Names() override { return MakeNames(host_, book_, sheet_); }
  Result<ShapesPtr> Shapes() override { return MakeShapes(host_, book_, sheet_); }
  Result<RangePtr> Rows(int row) override {
    if (row < 1 || row > kMaxRows) return NoItem("Rows", std::to_string(row));
    return MakeRange(host_, book_, sheet_, CellBlock{row, 1, row, kMaxColumns});
  }
  Result<RangePtr> Columns(int column) override {
    if (column < 1 || column > kMaxColumns) return NoItem("Columns", std::to_string(column));
    return MakeRange(host_, book_, sheet_, CellBlock{1, column, kMaxRows, column});
  }
  Result<WorkbookPtr> Parent() override { return MakeWorkbook(host_, book_); }
  Status Select() override {
    return Call(*host_->office, [&]() -> Status {
      As<css::sheet::XSpreadsheetView>(book_->model->getCurrentController())
          ->setActiveSheet(sheet_->sheet);
      return {};
    });
  }

 private:
  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
};

}  // namespace

AutomationError CalcError(std::string description) {
  return AutomationError::Make(ErrorNumber::ObjectDefined, std::move(description));
}

AutomationError NoItem(const std::string& collection, const std::string& index) {
  return AutomationError::Make(ErrorNumber::BadIndex, collection + " holds no item " + index + ".");
}

WorkbookPtr MakeWorkbook(HostPtr host, BookPtr book) {
  return std::make_shared<CalcWorkbook>(std::move(host), std::move(book));
}

WorksheetPtr MakeWorksheet(HostPtr host, BookPtr book, SheetPtr sheet) {
  return std::make_shared<CalcWorksheet>(std::move(host), std::move(book), std::move(sheet));
}

}  // namespace vx::automation::calc
