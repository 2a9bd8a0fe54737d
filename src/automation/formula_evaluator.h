#pragma once
// Evaluates formulas over a workbook's cells and names: enough for the named formulas of a
// logging sheet (OFFSET, IF, comparisons, + and -, references to cells and sheet-local
// names). What it does not understand gives an error value that names it; it never guesses.

#include <memory>
#include <string>
#include <string_view>

#include "automation/cell_reference.h"
#include "automation/formula.h"
#include "automation/value.h"

namespace vx::automation {

struct FormulaValue {
  enum class Kind { Number, Boolean, Text, Reference, Error };
  Kind kind = Kind::Number;
  double number = 0;
  bool boolean = false;
  std::string text;  // the text of a Text value, the reason of an Error
  int sheet = -1;    // the sheet of a Reference
  CellBlock block;

  static FormulaValue Error(std::string reason) {
    FormulaValue value;
    value.kind = Kind::Error;
    value.text = std::move(reason);
    return value;
  }
};

// What the evaluator reads: sheets by name, cell values, and the names defined for a sheet.
class FormulaContext {
 public:
  virtual ~FormulaContext() = default;
  // -1 when there is no such sheet.
  virtual int SheetIndex(std::string_view name) const = 0;
  virtual Value CellValue(int sheet, int row, int column) const = 0;
  // The formula of `name` as seen from `sheet` (its local names first, then the workbook's);
  // `definedOn` receives the sheet the name belongs to (-1 for the workbook). Null when the
  // name is not defined; `error` receives the reason when it is defined but not understood.
  virtual std::shared_ptr<const Formula> NameFormula(int sheet, std::string_view name,
                                                     int& definedOn, std::string& error) const = 0;
};

// Evaluates `formula` as written on sheet `sheet`.
FormulaValue Evaluate(const Formula& formula, int sheet, const FormulaContext& context);

}  // namespace vx::automation
