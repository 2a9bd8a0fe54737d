#pragma once
// The formulas of defined names and chart series: references to cells and blocks (in A1 or
// row-column notation, optionally on another sheet), names, numbers, text, TRUE and FALSE,
// + - * /, the comparisons, parentheses and function calls. Parsed once into a tree, printed
// back in either notation, and evaluated by formula_evaluator.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/cell_reference.h"
#include "automation/value.h"

namespace vx::automation {

struct FormulaNode {
  enum class Kind { Number, Boolean, Text, Reference, Name, Call, Binary, Negate, Group };
  Kind kind = Kind::Number;
  double number = 0;
  bool boolean = false;
  // Text literal, name, function name (upper case) or binary operator.
  std::string text;
  // The sheet a reference or name was qualified with; empty when it was not.
  std::string sheet;
  CellBlock block;
  std::vector<std::unique_ptr<FormulaNode>> children;
};

class Formula {
 public:
  // Parses `text` with or without its leading "="; an error describes what was not understood.
  struct Parsed;
  static Parsed Parse(std::string_view text);

  const FormulaNode& Root() const { return *root_; }
  // "=OFFSET(Sheet1!$A$2,0,1,Sheet1!DmmCount,1)" and "=OFFSET(Sheet1!R2C1,0,1,...)".
  std::string ToA1() const;
  std::string ToR1C1() const;

 private:
  explicit Formula(std::shared_ptr<const FormulaNode> root) : root_(std::move(root)) {}
  std::shared_ptr<const FormulaNode> root_;
};

struct Formula::Parsed {
  std::shared_ptr<const Formula> formula;  // null on error
  std::string error;
};

}  // namespace vx::automation
