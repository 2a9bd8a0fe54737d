// Feeds arbitrary text to the spreadsheet host's parsers: typed cell input, cell references
// in both notations, and formulas with their evaluation over a small workbook. Nothing may
// crash; a reference or formula that parses must print back to text that parses the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "automation/cell_reference.h"
#include "automation/formula.h"
#include "automation/host/workbook_data.h"
#include "automation/typed_input.h"

namespace {

using namespace vx::automation;
using namespace vx::automation::host;

void CheckReference(const ParsedBlock& parsed) {
  if (!parsed.block) return;
  const CellBlock& block = *parsed.block;
  if (!WithinSheet(block.firstRow, block.firstColumn) ||
      !WithinSheet(block.lastRow, block.lastColumn)) {
    std::abort();
  }
  if (ParseA1(AbsoluteA1(block)).block != block || ParseR1C1(AbsoluteR1C1(block)).block != block) {
    std::abort();
  }
}

// A logging sheet with its counter names, for the formulas to be evaluated against.
WorkbookData& Book() {
  static WorkbookData* book = [] {
    auto* made = new WorkbookData("Book1");
    made->AddSheet();
    SheetData& sheet = *made->Sheets()[0];
    for (int row = 2; row < 40; ++row) sheet.At(row, 2).value = row * 0.5;
    sheet.At(6, 6).value = 38.0;
    sheet.At(8, 6).value = 10.0;
    made->DefineName("Sheet1!DmmCount", "=Sheet1!R6C6", -1);
    made->DefineName("Sheet1!DmmPoints", "=Sheet1!R8C6", -1);
    return made;
  }();
  return *book;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TypedInput(text);
  CheckReference(ParseA1(text));
  CheckReference(ParseR1C1(text));

  const Formula::Parsed parsed = Formula::Parse(text);
  if (parsed.formula == nullptr) return 0;
  const std::string a1 = parsed.formula->ToA1();
  const Formula::Parsed again = Formula::Parse(a1);
  if (again.formula == nullptr || again.formula->ToA1() != a1) std::abort();
  Evaluate(*parsed.formula, 0, Book());
  // The formula as a name of its own, which other names may use.
  WorkbookData& book = Book();
  if (book.DefineName("Sheet1!Fuzzed", text, -1).empty()) {
    int sheet = -1;
    CellBlock block;
    std::string error;
    book.ResolveName(*book.FindName(0, "Fuzzed"), sheet, block, error);
  }
  return 0;
}
