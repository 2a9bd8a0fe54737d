// Defined names: kept in Calc in Calc's formula syntax, local to a sheet or to the workbook,
// and by the host in the row-column form they were given, from which it works out the cells
// they cover.
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/table/CellAddress.hpp>

#include <cctype>

#include "automation/calc/calc_objects.h"
#include "common/c_number.h"

namespace vx::automation::calc {
namespace {

bool ValidName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  const auto first = static_cast<unsigned char>(name.front());
  if (!std::isalpha(first) && name.front() != '_') return false;
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.') return false;
  }
  return !ParseA1(name).block && !ParseR1C1(name).block && !EqualsNoCase(name, "TRUE") &&
         !EqualsNoCase(name, "FALSE");
}

// "Sheet1!Name" or "'My data'!Name" into its sheet (empty when unqualified) and name.
void SplitQualified(std::string_view qualified, std::string& sheet, std::string& name) {
  const size_t bang = qualified.rfind('!');
  if (bang == std::string_view::npos) {
    sheet.clear();
    name = std::string(qualified);
    return;
  }
  std::string_view part = qualified.substr(0, bang);
  sheet.clear();
  if (part.size() >= 2 && part.front() == '\'' && part.back() == '\'') {
    part = part.substr(1, part.size() - 2);
    for (size_t i = 0; i < part.size(); ++i) {
      sheet += part[i];
      if (part[i] == '\'' && i + 1 < part.size() && part[i + 1] == '\'') ++i;
    }
  } else {
    sheet = std::string(part);
  }
  name = std::string(qualified.substr(bang + 1));
}

// "$Sheet1." or "$'My data'." before a reference.
std::string CalcSheetPrefix(std::string_view sheet) {
  bool plain = !sheet.empty();
  for (const char c : sheet) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') plain = false;
  }
  if (plain) return "$" + std::string(sheet) + ".";
  std::string quoted = "$'";
  for (const char c : sheet) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'.";
}

void Print(const FormulaNode& node, std::string_view scope, CalcFormula& out) {
  if (!out.error.empty()) return;
  switch (node.kind) {
    case FormulaNode::Kind::Number:
      out.text += TextOf(Value{node.number});
      break;
    case FormulaNode::Kind::Boolean:
      out.text += node.boolean ? "TRUE()" : "FALSE()";
      break;
    case FormulaNode::Kind::Text:
      out.text += '"';
      for (const char c : node.text) out.text += c == '"' ? std::string("\"\"") : std::string(1, c);
      out.text += '"';
      break;
    case FormulaNode::Kind::Reference: {
      if (!node.sheet.empty()) out.text += CalcSheetPrefix(node.sheet);
      const std::string a1 = AbsoluteA1(node.block);
      // "$B$2:$B$21" on another sheet is "$Sheet1.$B$2:$Sheet1.$B$21" in Calc's syntax.
      const size_t colon = a1.find(':');
      if (colon == std::string::npos || node.sheet.empty()) {
        out.text += a1;
      } else {
        out.text += a1.substr(0, colon + 1) + CalcSheetPrefix(node.sheet) + a1.substr(colon + 1);
      }
      break;
    }
    case FormulaNode::Kind::Name:
      // Calc finds a sheet's own names from a name of that sheet; another sheet's local
      // names it cannot reach.
      if (!node.sheet.empty() && !EqualsNoCase(node.sheet, scope)) {
        out.error = "LibreOffice Calc cannot refer to the name " + node.text +
                    " local to the sheet " + node.sheet + " from elsewhere.";
        return;
      }
      out.text += node.text;
      break;
    case FormulaNode::Kind::Call:
      out.text += node.text + "(";
      for (size_t i = 0; i < node.children.size(); ++i) {
        if (i > 0) out.text += ";";
        Print(*node.children[i], scope, out);
      }
      out.text += ")";
      break;
    case FormulaNode::Kind::Binary:
      Print(*node.children[0], scope, out);
      out.text += node.text;
      Print(*node.children[1], scope, out);
      break;
    case FormulaNode::Kind::Negate:
      out.text += "-";
      Print(*node.children[0], scope, out);
      break;
    case FormulaNode::Kind::Group:
      out.text += "(";
      Print(*node.children[0], scope, out);
      out.text += ")";
      break;
  }
}

Reference<css::sheet::XNamedRanges> NamedRangesOf(BookState& book, const SheetPtr& scope) {
  const Reference<css::beans::XPropertySet> owner =
      scope ? As<css::beans::XPropertySet>(scope->sheet)
            : As<css::beans::XPropertySet>(book.document);
  return Reference<css::sheet::XNamedRanges>(owner->getPropertyValue("NamedRanges"),
                                             UNO_QUERY_THROW);
}

class CalcDefinedName final : public DefinedName {
 public:
  CalcDefinedName(HostPtr host, BookPtr book, std::string sheet, std::string name)
      : host_(std::move(host)),
        book_(std::move(book)),
        sheet_(std::move(sheet)),
        name_(std::move(name)) {}

  Result<std::string> Name() override {
    if (sheet_.empty()) return name_;
    return QuoteSheetName(sheet_) + "!" + name_;
  }
  Result<std::string> RefersTo() override {
    VX_ASSIGN_OR_RETURN(const NameRecord* record, Record());
    return record->formula->ToA1();
  }
  Result<std::string> RefersToR1C1() override {
    VX_ASSIGN_OR_RETURN(const NameRecord* record, Record());
    return record->refersToR1C1;
  }
  Result<RangePtr> RefersToRange() override {
    VX_ASSIGN_OR_RETURN(const NameRecord* record, Record());
    return Call(*host_->office, [&]() -> Result<RangePtr> {
      const int scope = sheet_.empty() ? -1 : book_->SheetIndex(sheet_);
      const FormulaValue value = Evaluate(*record->formula, scope, *book_);
      if (value.kind == FormulaValue::Kind::Error) return CalcError(value.text);
      if (value.kind != FormulaValue::Kind::Reference) {
        return CalcError("The name " + name_ + " covers no cells.");
      }
      const std::string sheet = book_->SheetNameAt(value.sheet);
      const SheetPtr state = book_->SheetNamed(sheet);
      if (!state) return CalcError("There is no sheet called \"" + sheet + "\".");
      return MakeRange(host_, book_, state, value.block);
    });
  }

 private:
  Result<const NameRecord*> Record() {
    const NameRecord* record = book_->FindName(sheet_, name_);
    if (record == nullptr) return NoItem("Names", "\"" + name_ + "\"");
    return record;
  }

  HostPtr host_;
  BookPtr book_;
  std::string sheet_;
  std::string name_;
};

class CalcNames final : public Names {
 public:
  CalcNames(HostPtr host, BookPtr book, SheetPtr sheet)
      : host_(std::move(host)), book_(std::move(book)), sheet_(std::move(sheet)) {}

  Result<int> Count() override {
    int count = 0;
    for (const NameRecord& record : book_->names) {
      count += !sheet_ || EqualsNoCase(record.sheet, sheet_->name);
    }
    return count;
  }
  Result<NamePtr> Add(std::string_view name, std::string_view refersToR1C1) override {
    return Call(*host_->office, [&]() -> Result<NamePtr> {
      VX_RETURN_IF_ERROR(DefineName(*book_, name, refersToR1C1, sheet_));
      return Item(name);
    });
  }
  // A name as a sheet's names give it: its own local name first, then the workbook's.
  Result<NamePtr> Item(std::string_view qualified) override {
    std::string sheet;
    std::string name;
    SplitQualified(qualified, sheet, name);
    const NameRecord* record = nullptr;
    if (!sheet.empty()) {
      record = book_->FindName(sheet, name);
    } else {
      if (sheet_) record = book_->FindName(sheet_->name, name);
      if (record == nullptr) record = book_->FindName("", name);
    }
    if (record == nullptr) return NoItem("Names", "\"" + std::string(qualified) + "\"");
    return NamePtr(std::make_shared<CalcDefinedName>(host_, book_, record->sheet, record->name));
  }

 private:
  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
};

}  // namespace

std::string CalcXmlReference(std::string_view sheet, const CellBlock& block) {
  const std::string a1 = AbsoluteA1(block);
  const size_t colon = a1.find(':');
  if (colon == std::string::npos) return CalcSheetPrefix(sheet) + a1;
  return CalcSheetPrefix(sheet) + a1.substr(0, colon + 1) + CalcSheetPrefix(sheet) +
         a1.substr(colon + 1);
}

std::string CalcReference(std::string_view sheet, const CellBlock& block) {
  return CalcSheetPrefix(sheet) + AbsoluteA1(block);
}

CalcFormula ToCalcSyntax(const Formula& formula, std::string_view scopeSheet) {
  CalcFormula out;
  Print(formula.Root(), scopeSheet, out);
  return out;
}

Status DefineName(BookState& book, std::string_view qualifiedName, std::string_view refersToR1C1,
                  const SheetPtr& scope) {
  std::string sheetName;
  std::string name;
  SplitQualified(qualifiedName, sheetName, name);
  if (!ValidName(name)) return CalcError("\"" + name + "\" is not a valid name.");
  SheetPtr owner = scope;
  if (!sheetName.empty()) {
    owner = book.SheetNamed(sheetName);
    if (!owner) return CalcError("There is no sheet called \"" + sheetName + "\".");
  }
  const Formula::Parsed parsed = Formula::Parse(refersToR1C1);
  if (!parsed.formula) return CalcError(parsed.error);
  const std::string ownerName = owner ? owner->name : std::string();
  const CalcFormula calc = ToCalcSyntax(*parsed.formula, ownerName);
  if (!calc.error.empty()) return CalcError(calc.error);

  const Reference<css::sheet::XNamedRanges> ranges = NamedRangesOf(book, owner);
  const rtl::OUString unoName = ToUno(name);
  if (ranges->hasByName(unoName)) ranges->removeByName(unoName);
  css::table::CellAddress position;
  position.Sheet = 0;
  if (owner) {
    position.Sheet = As<css::sheet::XCellRangeAddressable>(owner->sheet)->getRangeAddress().Sheet;
  }
  ranges->addNewByName(unoName, ToUno(calc.text), position, 0);

  std::erase_if(book.names, [&](const NameRecord& record) {
    return EqualsNoCase(record.sheet, ownerName) && EqualsNoCase(record.name, name);
  });
  book.names.push_back(NameRecord{ownerName, name, std::string(refersToR1C1), parsed.formula});
  book.NamesChanged();
  return {};
}

NamesPtr MakeNames(HostPtr host, BookPtr book, SheetPtr sheet) {
  return std::make_shared<CalcNames>(std::move(host), std::move(book), std::move(sheet));
}

}  // namespace vx::automation::calc
