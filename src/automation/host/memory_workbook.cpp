// Workbooks, workbooks, their sheets and worksheets, and defined names.
#include <filesystem>

#include "automation/host/memory_objects.h"
#include "common/c_number.h"

namespace vx::automation::host {
namespace {

bool IsAddInFile(const std::filesystem::path& path) {
  const std::string extension = ToLowerAscii(path.extension().string());
  return extension == ".xla" || extension == ".xlam";
}

class MemoryWorkbooks final : public Workbooks {
 public:
  explicit MemoryWorkbooks(HostPtr host) : host_(std::move(host)) {}

  Result<int> Count() override {
    int count = 0;
    for (const auto& book : host_->workbooks) count += book->addIn ? 0 : 1;
    return count;
  }
  Result<WorkbookPtr> Item(int index) override {
    int position = 0;
    for (const auto& book : host_->workbooks) {
      if (!book->addIn && ++position == index) return MakeWorkbook(host_, book);
    }
    return BadIndex("Workbooks", std::to_string(index));
  }
  Result<WorkbookPtr> Add() override {
    BookPtr book = host_->NewWorkbook();
    book->AddSheet();
    return MakeWorkbook(host_, book);
  }
  // The host has no reader for workbook files: an existing file opens as an empty workbook
  // named after it, marked so that it is never saved over the file it came from. Add-in
  // files open as add-ins, which the collection does not count.
  Result<WorkbookPtr> Open(std::string_view path) override {
    const std::filesystem::path file(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
      return AutomationError::Make(ErrorNumber::FileNotFound,
                                   "'" + std::string(path) +
                                       "' could not be found. Check the spelling of the file "
                                       "name, and verify that the file location is correct.");
    }
    BookPtr book = host_->NewWorkbook(file.filename().string());
    book->fullName = std::filesystem::absolute(file, error).string();
    book->openedUnreadable = true;
    book->addIn = IsAddInFile(file);
    book->AddSheet();
    return MakeWorkbook(host_, book);
  }

 private:
  HostPtr host_;
};

class MemorySheets final : public Sheets {
 public:
  MemorySheets(HostPtr host, BookPtr book) : host_(std::move(host)), book_(std::move(book)) {}

  Result<int> Count() override { return static_cast<int>(book_->Sheets().size()); }
  Result<WorksheetPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(book_->Sheets().size())) {
      return BadIndex("Sheets", std::to_string(index));
    }
    return MakeWorksheet(host_, book_, book_->Sheets()[index - 1]);
  }
  Result<WorksheetPtr> Item(std::string_view name) override {
    const int index = book_->SheetIndex(name);
    if (index < 0) return BadIndex("Sheets", "\"" + std::string(name) + "\"");
    return MakeWorksheet(host_, book_, book_->Sheets()[index]);
  }

 private:
  HostPtr host_;
  BookPtr book_;
};

class MemoryWorkbook final : public Workbook {
 public:
  MemoryWorkbook(HostPtr host, BookPtr book) : host_(std::move(host)), book_(std::move(book)) {}

  Result<std::string> Name() override { return book_->Name(); }
  Result<std::string> FullName() override { return book_->fullName; }
  Result<std::string> Title() override { return book_->title; }
  Status SetTitle(std::string_view title) override {
    book_->title = std::string(title);
    return {};
  }
  Result<SheetsPtr> Sheets() override {
    return SheetsPtr(std::make_shared<MemorySheets>(host_, book_));
  }
  Result<SheetsPtr> Worksheets() override { return Sheets(); }
  Result<ChartsPtr> Charts() override { return MakeCharts(host_, book_); }
  Result<NamesPtr> Names() override { return MakeNames(host_, book_, nullptr); }
  Status SaveAs(std::string_view path) override { return SaveWorkbook(*book_, std::string(path)); }
  Result<PendingSavePtr> SaveCopyAsInBackground(std::string_view path) override {
    return SaveCopyInBackground(*book_, std::string(path));
  }

 private:
  HostPtr host_;
  BookPtr book_;
};

class MemoryWorksheet final : public Worksheet {
 public:
  MemoryWorksheet(HostPtr host, BookPtr book, SheetPtr sheet)
      : host_(std::move(host)), book_(std::move(book)), sheet_(std::move(sheet)) {}

  Result<std::string> Name() override { return sheet_->Name(); }
  Status SetName(std::string_view name) override {
    if (name.empty() || name.size() > 31 ||
        name.find_first_of("[]:*?/\\") != std::string_view::npos) {
      return HostError("\"" + std::string(name) + "\" is not a valid sheet name.");
    }
    if (!EqualsNoCase(name, sheet_->Name()) && !book_->SheetNameFree(name)) {
      return HostError("A sheet called \"" + std::string(name) + "\" already exists.");
    }
    sheet_->Rename(std::string(name));
    return {};
  }
  Result<RangePtr> Range(std::string_view cell) override {
    const ParsedBlock parsed = ParseA1(cell);
    if (!parsed.block) return HostError(parsed.error);
    return InSheet(*parsed.block);
  }
  Result<RangePtr> Range(std::string_view first, std::string_view last) override {
    const ParsedBlock a = ParseA1(first);
    if (!a.block) return HostError(a.error);
    const ParsedBlock b = ParseA1(last);
    if (!b.block) return HostError(b.error);
    return InSheet(SpanOf(*a.block, *b.block));
  }
  Result<RangePtr> Cells(int row, int column) override {
    if (!WithinSheet(row, column)) return Outside(row, column);
    return InSheet(CellBlock{row, column, row, column});
  }
  Result<NamesPtr> Names() override { return MakeNames(host_, book_, sheet_); }
  Result<ShapesPtr> Shapes() override { return MakeShapes(book_, sheet_); }
  Result<RangePtr> Rows(int row) override {
    if (row < 1 || row > kMaxRows) return BadIndex("Rows", std::to_string(row));
    return MakeRange(host_, book_, sheet_, CellBlock{row, 1, row, kMaxColumns});
  }
  Result<RangePtr> Columns(int column) override {
    if (column < 1 || column > kMaxColumns) return BadIndex("Columns", std::to_string(column));
    return MakeRange(host_, book_, sheet_, CellBlock{1, column, kMaxRows, column});
  }
  Result<WorkbookPtr> Parent() override { return MakeWorkbook(host_, book_); }
  Status Select() override {
    const int position = SheetPosition(*book_, *sheet_);
    if (position >= 0) book_->activeSheet = position;
    return {};
  }

 private:
  // A block that starts below the sheet's last row lies outside it.
  Result<RangePtr> InSheet(const CellBlock& block) {
    if (block.firstRow > host_->lastRow) return Outside(block.firstRow, block.firstColumn);
    return MakeRange(host_, book_, sheet_, block);
  }
  static AutomationError Outside(int row, int column) {
    return HostError("The cell at row " + std::to_string(row) + ", column " +
                     std::to_string(column) + " lies outside the sheet.");
  }

  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
};

class MemoryDefinedName final : public DefinedName {
 public:
  MemoryDefinedName(HostPtr host, BookPtr book, int sheet, std::string name)
      : host_(std::move(host)), book_(std::move(book)), sheet_(sheet), name_(std::move(name)) {}

  Result<std::string> Name() override {
    VX_ASSIGN_OR_RETURN(const DefinedNameData* data, Data());
    if (data->sheet < 0) return data->name;
    return QuoteSheetName(book_->Sheets()[data->sheet]->Name()) + "!" + data->name;
  }
  Result<std::string> RefersTo() override {
    VX_ASSIGN_OR_RETURN(const DefinedNameData* data, Data());
    return data->formula ? data->formula->ToA1() : data->refersToR1C1;
  }
  Result<std::string> RefersToR1C1() override {
    VX_ASSIGN_OR_RETURN(const DefinedNameData* data, Data());
    return data->refersToR1C1;
  }
  Result<RangePtr> RefersToRange() override {
    VX_ASSIGN_OR_RETURN(const DefinedNameData* data, Data());
    int sheet = -1;
    CellBlock block;
    std::string error;
    if (!book_->ResolveName(*data, sheet, block, error)) return HostError(error);
    return MakeRange(host_, book_, book_->Sheets()[sheet], block);
  }

 private:
  Result<const DefinedNameData*> Data() {
    const DefinedNameData* data = book_->FindName(sheet_, name_);
    if (data == nullptr) return BadIndex("Names", "\"" + name_ + "\"");
    return data;
  }

  HostPtr host_;
  BookPtr book_;
  int sheet_;
  std::string name_;
};

class MemoryNames final : public Names {
 public:
  MemoryNames(HostPtr host, BookPtr book, SheetPtr sheet)
      : host_(std::move(host)), book_(std::move(book)), sheet_(std::move(sheet)) {}

  Result<int> Count() override {
    int count = 0;
    const int scope = Scope();
    for (const DefinedNameData& name : book_->Names()) count += (scope < 0 || name.sheet == scope);
    return count;
  }
  Result<NamePtr> Add(std::string_view name, std::string_view refersToR1C1) override {
    const std::string problem = book_->DefineName(name, refersToR1C1, Scope());
    if (!problem.empty()) return HostError(problem);
    return Item(name);
  }
  // The sheet part is read as the program writes it: quoted when it must be, with a quote
  // inside the name doubled ("'It''s'!DmmCount").
  Result<NamePtr> Item(std::string_view qualified) override {
    std::string sheetName;
    std::string name;
    int scope = Scope();
    if (SplitQualified(qualified, sheetName, name) && !sheetName.empty()) {
      scope = book_->SheetIndex(sheetName);
    }
    const DefinedNameData* data = book_->FindName(scope, name);
    if (data == nullptr) return BadIndex("Names", "\"" + std::string(qualified) + "\"");
    return NamePtr(std::make_shared<MemoryDefinedName>(host_, book_, data->sheet, data->name));
  }

 private:
  int Scope() const { return sheet_ ? SheetPosition(*book_, *sheet_) : -1; }

  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
};

}  // namespace

AutomationError HostError(std::string description) {
  return AutomationError::Make(ErrorNumber::ObjectDefined, std::move(description));
}

AutomationError BadIndex(const std::string& collection, const std::string& index) {
  return AutomationError::Make(ErrorNumber::BadIndex, collection + " holds no item " + index + ".");
}

int SheetPosition(const WorkbookData& book, const SheetData& sheet) {
  for (size_t i = 0; i < book.Sheets().size(); ++i) {
    if (book.Sheets()[i].get() == &sheet) return static_cast<int>(i);
  }
  return -1;
}

WorkbooksPtr MakeWorkbooks(HostPtr host) {
  return std::make_shared<MemoryWorkbooks>(std::move(host));
}
WorkbookPtr MakeWorkbook(HostPtr host, BookPtr book) {
  return std::make_shared<MemoryWorkbook>(std::move(host), std::move(book));
}
WorksheetPtr MakeWorksheet(HostPtr host, BookPtr book, SheetPtr sheet) {
  return std::make_shared<MemoryWorksheet>(std::move(host), std::move(book), std::move(sheet));
}
NamesPtr MakeNames(HostPtr host, BookPtr book, SheetPtr sheet) {
  return std::make_shared<MemoryNames>(std::move(host), std::move(book), std::move(sheet));
}

}  // namespace vx::automation::host
