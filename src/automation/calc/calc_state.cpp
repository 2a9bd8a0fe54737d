#include "automation/calc/calc_state.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRange.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/XUIConfigurationPersistence.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/EventObject.hpp>
#include <cppuhelper/implbase1.hxx>

#include "automation/calc/add_on_toolbar.h"
#include "automation/calc/calc_buttons.h"
#include "automation/calc/calc_objects.h"
#include "automation/host/handover.h"
#include "common/c_number.h"
#include "extension/extension_names.h"

#include <filesystem>

namespace vx::automation::calc {
namespace {

constexpr size_t kRangesKept = 48;
constexpr const char* kSpreadsheetModule = "com.sun.star.sheet.SpreadsheetDocument";

css::lang::Locale EnglishUs() {
  css::lang::Locale locale;
  locale.Language = "en";
  locale.Country = "US";
  return locale;
}

bool Intersect(const CellBlock& a, const CellBlock& b) {
  return a.firstRow <= b.lastRow && b.firstRow <= a.lastRow && a.firstColumn <= b.lastColumn &&
         b.firstColumn <= a.lastColumn;
}

// Told by the office when a document goes; only marks it, as it runs on a thread of the
// bridge.
class CloseWatch final : public cppu::WeakImplHelper1<css::lang::XEventListener> {
 public:
  explicit CloseWatch(ClosedFlag closed) : closed_(std::move(closed)) {}
  void SAL_CALL disposing(const css::lang::EventObject&) override { closed_->store(true); }

 private:
  ClosedFlag closed_;
};

void ThrowIfClosed(const ClosedFlag& closed) {
  if (closed && closed->load()) {
    throw css::lang::DisposedException("the document was closed", nullptr);
  }
}

}  // namespace

// --- Sheets ------------------------------------------------------------------------------

CalcRange* SheetState::Kept(const CellBlock& block) {
  for (auto it = ranges_.begin(); it != ranges_.end(); ++it) {
    if (it->block == block) {
      ranges_.splice(ranges_.begin(), ranges_, it);
      return &ranges_.front();
    }
  }
  return nullptr;
}

CalcRange& SheetState::Cached(const CellBlock& block) {
  if (CalcRange* kept = Kept(block)) return *kept;
  ranges_.push_front(CalcRange{block, {}, {}, {}, {}});
  if (ranges_.size() > kRangesKept) ranges_.pop_back();
  return ranges_.front();
}

Reference<css::table::XCell> SheetState::Cell(const CellBlock& block) {
  ThrowIfClosed(closed);
  CalcRange& cached = Cached(block);
  if (!cached.cell.is()) {
    cached.cell = sheet->getCellByPosition(block.firstColumn - 1, block.firstRow - 1);
  }
  return cached.cell;
}

Reference<css::table::XCellRange> SheetState::Range(const CellBlock& block) {
  ThrowIfClosed(closed);
  CalcRange& cached = Cached(block);
  if (!cached.range.is()) {
    if (block.IsSingleCell()) {
      cached.range = As<css::table::XCellRange>(Cell(block));
    } else {
      cached.range = sheet->getCellRangeByPosition(block.firstColumn - 1, block.firstRow - 1,
                                                   block.lastColumn - 1, block.lastRow - 1);
    }
  }
  return cached.range;
}

Reference<css::sheet::XCellRangeData> SheetState::Data(const CellBlock& block) {
  Reference<css::table::XCellRange> range = Range(block);
  CalcRange& cached = Cached(block);
  if (!cached.data.is()) cached.data = As<css::sheet::XCellRangeData>(range);
  return cached.data;
}

Reference<css::beans::XPropertySet> SheetState::Properties(const CellBlock& block) {
  Reference<css::table::XCellRange> range = Range(block);
  CalcRange& cached = Cached(block);
  if (!cached.properties.is()) cached.properties = As<css::beans::XPropertySet>(range);
  return cached.properties;
}

BlockWriter SheetState::Writer(const CellBlock& block) {
  ThrowIfClosed(closed);
  if (CalcRange* kept = Kept(block); kept && kept->data.is()) {
    BlockWriter writer;
    writer.data = kept->data;
    return writer;
  }
  // Until the cursor is where this side thinks it is, it is not used again.
  if (cursorLost_->load()) cursor_.clear();
  const bool sameShape = cursor_.is() && block.RowCount() == cursorBlock_.RowCount() &&
                         block.ColumnCount() == cursorBlock_.ColumnCount();
  BlockWriter writer;
  if (sameShape) {
    writer = BlockWriter{cursorData_, cursor_, block.firstColumn - cursorBlock_.firstColumn,
                         block.firstRow - cursorBlock_.firstRow, cursorLost_};
  } else {
    // A cursor of another shape is made anew: moved and resized, it could reach past the
    // sheet's edge between the two calls.
    cursor_.clear();
    cursorData_.clear();
    cursorLost_ = std::make_shared<std::atomic<bool>>(false);
    const Reference<css::table::XCellRange> range = sheet->getCellRangeByPosition(
        block.firstColumn - 1, block.firstRow - 1, block.lastColumn - 1, block.lastRow - 1);
    const Reference<css::sheet::XSheetCellCursor> made =
        sheet->createCursorByRange(As<css::sheet::XSheetCellRange>(range));
    cursorData_ = As<css::sheet::XCellRangeData>(made);
    cursor_ = As<css::table::XCellCursor>(made);
    writer = BlockWriter{cursorData_, cursor_, 0, 0, cursorLost_};
  }
  cursorBlock_ = block;
  return writer;
}

std::optional<BlockWriter> SheetState::MoveAhead() {
  const int rows = cursorBlock_.RowCount();
  if (!cursor_.is() || cursorLost_->load() || cursorBlock_.lastRow + rows > kMaxRows) {
    return std::nullopt;
  }
  cursorBlock_.firstRow += rows;
  cursorBlock_.lastRow += rows;
  return BlockWriter{cursorData_, cursor_, 0, rows, cursorLost_};
}

void BlockWriter::Write(const Sequence<Sequence<Any>>& values) const {
  Move();
  data->setDataArray(values);
}

void BlockWriter::Move() const {
  // A move queued behind one that failed would start from an unknown place.
  if (cursorLost && cursorLost->load()) {
    throw css::uno::RuntimeException(ToUno("The row before could not be written."), nullptr);
  }
  if (!cursor.is() || (columnOffset == 0 && rowOffset == 0)) return;
  try {
    cursor->gotoOffset(columnOffset, rowOffset);
  } catch (...) {
    cursorLost->store(true);
    throw;
  }
}

// --- Workbooks ---------------------------------------------------------------------------

OfficeConnection& BookState::Office() const {
  return *host->office;
}

void BookState::CheckOpen() const {
  ThrowIfClosed(closed);
}

SheetPtr BookState::StateOf(const Reference<css::sheet::XSpreadsheet>& sheet) {
  const std::string name = FromUno(As<css::container::XNamed>(sheet)->getName());
  for (const SheetPtr& state : sheets) {
    if (state->name == name) {
      state->sheet = sheet;
      return state;
    }
  }
  auto state = std::make_shared<SheetState>();
  state->sheet = sheet;
  state->closed = closed;
  state->name = name;
  sheets.push_back(state);
  return state;
}

SheetPtr BookState::SheetNamed(std::string_view name) {
  CheckOpen();
  // A sheet met before keeps its Calc object, whatever it is called in Calc since.
  for (const SheetPtr& sheet : sheets) {
    if (EqualsNoCase(sheet->name, name)) return sheet;
  }
  Reference<css::sheet::XSpreadsheets> all = document->getSheets();
  const rtl::OUString wanted = ToUno(name);
  if (all->hasByName(wanted)) return StateOf(As<css::sheet::XSpreadsheet>(all->getByName(wanted)));
  // Calc compares sheet names without regard to case too, but hasByName does not.
  const Sequence<rtl::OUString> sheetNames = all->getElementNames();
  for (const rtl::OUString& each : sheetNames) {
    if (EqualsNoCase(FromUno(each), name)) {
      return StateOf(As<css::sheet::XSpreadsheet>(all->getByName(each)));
    }
  }
  return nullptr;
}

bool BookState::IsChartSheet(std::string_view name) const {
  for (const std::string& chartSheet : chartSheets) {
    if (EqualsNoCase(chartSheet, name)) return true;
  }
  return false;
}

std::vector<SheetPtr> BookState::Worksheets() {
  CheckOpen();
  Reference<css::container::XIndexAccess> all =
      As<css::container::XIndexAccess>(document->getSheets());
  std::vector<SheetPtr> worksheets;
  const sal_Int32 count = all->getCount();
  for (sal_Int32 i = 0; i < count; ++i) {
    SheetPtr sheet = StateOf(As<css::sheet::XSpreadsheet>(all->getByIndex(i)));
    if (!IsChartSheet(sheet->name)) worksheets.push_back(sheet);
  }
  return worksheets;
}

CellFormat BookState::FormatOfKey(sal_Int32 key) {
  if (const auto found = formats.find(key); found != formats.end()) return found->second;
  Reference<css::beans::XPropertySet> format = numberFormats->getByKey(key);
  sal_Int16 type = 0;
  rtl::OUString code;
  css::lang::Locale locale;
  format->getPropertyValue("Type") >>= type;
  format->getPropertyValue("FormatString") >>= code;
  format->getPropertyValue("Locale") >>= locale;
  CellFormat described;
  described.key = key;
  // Each language has its own General format ("Standard" in German): all are General.
  const bool general =
      As<css::util::XNumberFormatTypes>(numberFormats)->getStandardIndex(locale) == key;
  described.code = general ? "General" : FromUno(code);
  described.showsDate =
      (type & (css::util::NumberFormat::DATE | css::util::NumberFormat::TIME)) != 0;
  described.showsBoolean = (type & css::util::NumberFormat::LOGICAL) != 0;
  formats[key] = described;
  return described;
}

Result<CellFormat> BookState::FormatOfCode(std::string_view code) {
  const std::string wanted(code);
  if (const auto found = formatKeys.find(wanted); found != formatKeys.end()) {
    return FormatOfKey(found->second);
  }
  const css::lang::Locale locale = EnglishUs();
  sal_Int32 key = numberFormats->queryKey(ToUno(code), locale, false);
  if (key < 0) {
    try {
      key = numberFormats->addNew(ToUno(code), locale);
    } catch (const css::uno::Exception&) {
      return CalcError("\"" + wanted + "\" is not a number format.");
    }
  }
  formatKeys[wanted] = key;
  CellFormat format = FormatOfKey(key);
  // The format reads back as the caller wrote it, as Calc may write the same code otherwise.
  format.code = wanted;
  formats[key] = format;
  return format;
}

const NameRecord* BookState::FindName(std::string_view sheet, std::string_view name) const {
  for (const NameRecord& record : names) {
    if (EqualsNoCase(record.sheet, sheet) && EqualsNoCase(record.name, name)) return &record;
  }
  return nullptr;
}

Status BookState::CellsWritten(const SheetState& sheet, const CellBlock& block,
                               const std::vector<std::vector<TypedValue>>& written) {
  std::vector<ChartState*> affected;
  for (const ChartStatePtr& chart : charts) {
    for (const auto& [sheetName, precedent] : chart->precedents) {
      if (EqualsNoCase(sheetName, sheet.name) && Intersect(precedent, block)) {
        affected.push_back(chart.get());
        break;
      }
    }
  }
  if (affected.empty()) return {};
  EvaluationScope scope(*this);
  const int index = SheetIndex(sheet.name);
  for (int r = 0; r < block.RowCount() && r < static_cast<int>(written.size()); ++r) {
    const auto& row = written[static_cast<size_t>(r)];
    for (int c = 0; c < block.ColumnCount() && c < static_cast<int>(row.size()); ++c) {
      knownValues_[{index, block.firstRow + r, block.firstColumn + c}] =
          row[static_cast<size_t>(c)].value;
    }
  }
  for (ChartState* chart : affected) VX_RETURN_IF_ERROR(DrawChart(*this, *chart));
  return {};
}

void BookState::NamesChanged() {
  EvaluationScope scope(*this);
  for (const ChartStatePtr& chart : charts) {
    if (!chart->precedents.empty()) DrawChart(*this, *chart);
  }
}

int BookState::SheetIndex(std::string_view name) const {
  for (size_t i = 0; i < evaluationSheets_.size(); ++i) {
    if (EqualsNoCase(evaluationSheets_[i], name)) return static_cast<int>(i);
  }
  const SheetPtr sheet = const_cast<BookState*>(this)->SheetNamed(name);
  if (!sheet) return -1;
  evaluationSheets_.push_back(sheet->name);
  return static_cast<int>(evaluationSheets_.size() - 1);
}

Value BookState::CellValue(int sheet, int row, int column) const {
  if (sheet < 0 || sheet >= static_cast<int>(evaluationSheets_.size())) return {};
  const bool remember = evaluationDepth_ > 0;
  if (const auto known = knownValues_.find({sheet, row, column});
      remember && known != knownValues_.end()) {
    return known->second;
  }
  const SheetPtr state = const_cast<BookState*>(this)->SheetNamed(evaluationSheets_[sheet]);
  if (!state) return {};
  const CellBlock cell{row, column, row, column};
  // A value read while writes go behind waits for the writes to that cell.
  Office().Lanes().WaitFor(WriteLanes::Claim{state.get(), cell, false});
  const Sequence<Sequence<Any>> data = state->Data(cell)->getDataArray();
  Value value;
  if (data.getLength() == 1 && data[0].getLength() == 1) {
    value = ValueOfCell(data[0][0], CellFormat{});
  }
  if (remember) knownValues_[{sheet, row, column}] = value;
  return value;
}

std::shared_ptr<const Formula> BookState::NameFormula(int sheet, std::string_view name,
                                                      int& definedOn, std::string& error) const {
  const std::string sheetName = sheet >= 0 && sheet < static_cast<int>(evaluationSheets_.size())
                                    ? evaluationSheets_[sheet]
                                    : std::string();
  if (const NameRecord* local = FindName(sheetName, name); local && !sheetName.empty()) {
    definedOn = sheet;
    return local->formula;
  }
  if (const NameRecord* global = FindName("", name)) {
    definedOn = -1;
    return global->formula;
  }
  // A name defined in Calc itself is read when it covers a plain block of cells.
  auto* self = const_cast<BookState*>(this);
  Reference<css::sheet::XNamedRanges> ranges;
  if (!sheetName.empty()) {
    if (const SheetPtr state = self->SheetNamed(sheetName)) {
      As<css::beans::XPropertySet>(state->sheet)->getPropertyValue("NamedRanges") >>= ranges;
    }
  }
  const rtl::OUString wanted = ToUno(name);
  definedOn = sheet;
  if (!ranges.is() || !ranges->hasByName(wanted)) {
    As<css::beans::XPropertySet>(document)->getPropertyValue("NamedRanges") >>= ranges;
    definedOn = -1;
  }
  if (!ranges.is() || !ranges->hasByName(wanted)) return nullptr;
  Reference<css::sheet::XCellRangeReferrer> referrer(ranges->getByName(wanted), UNO_QUERY);
  Reference<css::table::XCellRange> cells = referrer.is() ? referrer->getReferredCells() : nullptr;
  if (!cells.is()) {
    error = "The name " + std::string(name) + " is defined in LibreOffice by a formula the host " +
            "does not read.";
    return nullptr;
  }
  const css::table::CellRangeAddress address =
      As<css::sheet::XCellRangeAddressable>(cells)->getRangeAddress();
  Reference<css::container::XIndexAccess> all =
      As<css::container::XIndexAccess>(document->getSheets());
  const std::string target =
      FromUno(As<css::container::XNamed>(all->getByIndex(address.Sheet))->getName());
  const CellBlock block{address.StartRow + 1, address.StartColumn + 1, address.EndRow + 1,
                        address.EndColumn + 1};
  const Formula::Parsed parsed =
      Formula::Parse("=" + QuoteSheetName(target) + "!" + AbsoluteR1C1(block));
  error = parsed.error;
  return parsed.formula;
}

Value ValueOfCell(const Any& data, const CellFormat& format) {
  double number = 0;
  if (data >>= number) {
    if (format.showsBoolean) return Value{number != 0};
    if (format.showsDate) return Value{DateValue{number}};
    return Value{number};
  }
  rtl::OUString text;
  if ((data >>= text) && !text.isEmpty()) return Value{FromUno(text)};
  return Value{};
}

// --- The host ----------------------------------------------------------------------------

BookPtr HostState::AddBook(const Reference<css::lang::XComponent>& component) {
  auto book = std::make_shared<BookState>();
  book->host = this;
  book->document = As<css::sheet::XSpreadsheetDocument>(component);
  book->model = As<css::frame::XModel>(component);
  book->numberFormats = As<css::util::XNumberFormatsSupplier>(component)->getNumberFormats();
  book->closeWatch = new CloseWatch(book->closed);
  component->addEventListener(book->closeWatch);
  books.push_back(book);
  activeBook = book;
  return book;
}

void HostState::ShowDocuments(bool handOver) {
  const bool headless = office->Options().headless;
  for (const BookPtr& book : books) {
    if (book->addIn || !book->own || book->closed->load()) continue;
    if (!book->shown && !headless) {
      const Reference<css::frame::XFrame> frame = book->model->getCurrentController()->getFrame();
      // A document opened hidden before the add-in was switched on shows its toolbar too.
      if (AddOnToolbarConfigured(*office, extension::kToolbarUrl)) {
        PrepareAddOnToolbar(frame, extension::kToolbarUrl);
      }
      frame->getContainerWindow()->setVisible(true);
      if (Reference<css::awt::XTopWindow> top{frame->getContainerWindow(), UNO_QUERY}; top.is()) {
        top->toFront();
      }
    }
    book->shown = true;
    if (handOver && headless && !book->handedOver) {
      // Without a display nobody sees a window: the workbook is handed over as the in-memory
      // host hands it over, saved in the documents folder.
      const Reference<css::document::XDocumentProperties> properties =
          As<css::document::XDocumentPropertiesSupplier>(book->document)->getDocumentProperties();
      const std::string title = FromUno(properties->getTitle());
      const std::string path =
          book->fullName.empty()
              ? host::FreePathFor(host::DocumentsFolder(), title.empty() ? "Book" : title, ".xlsx")
              : book->fullName;
      std::error_code error;
      std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
      Sequence<css::beans::PropertyValue> arguments(1);
      arguments[0].Name = "FilterName";
      arguments[0].Value <<= rtl::OUString("Calc MS Excel 2007 XML");
      As<css::frame::XStorable>(book->document)->storeToURL(ToUno(FileUrlOf(path)), arguments);
      book->fullName = path;
      book->handedOver = true;
    }
  }
}

HostState::~HostState() {
  if (!office) return;
  ReleaseButtons(*this);
  try {
    if (office->Alive()) {
      if (indicator.is()) indicator->end();
      if (!temporaryToolbars.empty()) {
        const Reference<css::ui::XUIConfigurationManager> toolbars =
            css::ui::theModuleUIConfigurationManagerSupplier::get(office->Context())
                ->getUIConfigurationManager(rtl::OUString::createFromAscii(kSpreadsheetModule));
        for (const std::string& url : temporaryToolbars) {
          if (toolbars->hasSettings(ToUno(url))) toolbars->removeSettings(ToUno(url));
        }
        As<css::ui::XUIConfigurationPersistence>(toolbars)->store();
      }
      // Documents never made visible are the host's own: they go with it. Visible ones are
      // the user's, in the user's office (one the host started ends below all the same).
      bool userDocuments = false;
      for (const BookPtr& book : books) {
        if (book->addIn || !book->own) continue;
        if (book->shown) {
          // The user's now: the host no longer listens for its closing.
          if (!book->closed->load()) {
            As<css::lang::XComponent>(book->model)->removeEventListener(book->closeWatch);
          }
          userDocuments = true;
          continue;
        }
        if (book->closed->load()) continue;
        Reference<css::util::XCloseable> closeable(book->document, UNO_QUERY);
        if (closeable.is()) closeable->close(true);
      }
      if (userDocuments) office->LeaveOfficeRunning();
    }
  } catch (const css::uno::Exception&) {
    // An office that has gone takes what the host would have closed with it.
  }
  books.clear();
  activeBook.reset();
  indicator.clear();
  indicatorFrame.clear();
  if (office->StartedHere()) office->EndStartedOffice();
  office.reset();
}

}  // namespace vx::automation::calc
