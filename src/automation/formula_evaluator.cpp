#include "automation/formula_evaluator.h"

#include <cmath>
#include <optional>

#include "common/c_number.h"

namespace vx::automation {
namespace {

using Kind = FormulaNode::Kind;
using VKind = FormulaValue::Kind;

// Names may refer to names; a chain this long is a loop.
constexpr int kMaxNameDepth = 32;

FormulaValue Number(double number) {
  FormulaValue value;
  value.number = number;
  return value;
}

FormulaValue Boolean(bool flag) {
  FormulaValue value;
  value.kind = VKind::Boolean;
  value.boolean = flag;
  return value;
}

FormulaValue FromCell(const Value& cell) {
  if (std::holds_alternative<std::monostate>(cell)) return Number(0);
  if (const double* number = std::get_if<double>(&cell)) return Number(*number);
  if (const DateValue* date = std::get_if<DateValue>(&cell)) return Number(date->oleDate);
  if (const bool* flag = std::get_if<bool>(&cell)) return Boolean(*flag);
  FormulaValue text;
  text.kind = VKind::Text;
  text.text = std::get<std::string>(cell);
  return text;
}

class Evaluator {
 public:
  Evaluator(const FormulaContext& context) : context_(context) {}

  FormulaValue Run(const FormulaNode& node, int sheet, int depth) {
    switch (node.kind) {
      case Kind::Number:
        return Number(node.number);
      case Kind::Boolean:
        return Boolean(node.boolean);
      case Kind::Text: {
        FormulaValue text;
        text.kind = VKind::Text;
        text.text = node.text;
        return text;
      }
      case Kind::Group:
        return Run(*node.children[0], sheet, depth);
      case Kind::Reference:
        return ReferenceValue(node, sheet);
      case Kind::Name:
        return NameValue(node, sheet, depth);
      case Kind::Negate: {
        const FormulaValue operand = Scalar(Run(*node.children[0], sheet, depth));
        if (operand.kind == VKind::Error) return operand;
        const auto number = AsNumber(operand);
        return number ? Number(-*number) : FormulaValue::Error("a text where a number belongs");
      }
      case Kind::Binary:
        return BinaryValue(node, sheet, depth);
      case Kind::Call:
        return CallValue(node, sheet, depth);
    }
    return FormulaValue::Error("an unknown part of a formula");
  }

 private:
  FormulaValue ReferenceValue(const FormulaNode& node, int sheet) const {
    FormulaValue value;
    value.kind = VKind::Reference;
    value.sheet = node.sheet.empty() ? sheet : context_.SheetIndex(node.sheet);
    if (value.sheet < 0) return FormulaValue::Error("no sheet called \"" + node.sheet + "\"");
    value.block = node.block;
    return value;
  }

  FormulaValue NameValue(const FormulaNode& node, int sheet, int depth) {
    if (depth >= kMaxNameDepth)
      return FormulaValue::Error("the name " + node.text + " refers to itself");
    int lookIn = sheet;
    if (!node.sheet.empty()) {
      lookIn = context_.SheetIndex(node.sheet);
      if (lookIn < 0) return FormulaValue::Error("no sheet called \"" + node.sheet + "\"");
    }
    int definedOn = -1;
    std::string error;
    const auto formula = context_.NameFormula(lookIn, node.text, definedOn, error);
    if (!formula) {
      return FormulaValue::Error(error.empty() ? "the name " + node.text + " is not defined"
                                               : error);
    }
    // A name's own references without a sheet mean the sheet the name belongs to.
    return Run(formula->Root(), definedOn >= 0 ? definedOn : lookIn, depth + 1);
  }

  // A single-cell reference used as a value gives the cell's value.
  FormulaValue Scalar(FormulaValue value) const {
    if (value.kind != VKind::Reference) return value;
    if (!value.block.IsSingleCell()) return FormulaValue::Error("a block where one value belongs");
    return FromCell(context_.CellValue(value.sheet, value.block.firstRow, value.block.firstColumn));
  }

  static std::optional<double> AsNumber(const FormulaValue& value) {
    if (value.kind == VKind::Number) return value.number;
    if (value.kind == VKind::Boolean) return value.boolean ? 1.0 : 0.0;
    return std::nullopt;
  }

  static std::optional<bool> AsCondition(const FormulaValue& value) {
    const auto number = AsNumber(value);
    if (!number) return std::nullopt;
    return *number != 0;
  }

  FormulaValue BinaryValue(const FormulaNode& node, int sheet, int depth) {
    const FormulaValue left = Scalar(Run(*node.children[0], sheet, depth));
    if (left.kind == VKind::Error) return left;
    const FormulaValue right = Scalar(Run(*node.children[1], sheet, depth));
    if (right.kind == VKind::Error) return right;
    const std::string& op = node.text;
    if (left.kind == VKind::Text || right.kind == VKind::Text) {
      if (op == "=" || op == "<>") {
        const bool same = left.kind == right.kind && EqualsNoCase(left.text, right.text);
        return Boolean(op == "=" ? same : !same);
      }
      return FormulaValue::Error("a text where a number belongs");
    }
    const double a = *AsNumber(left);
    const double b = *AsNumber(right);
    if (op == "+") return Number(a + b);
    if (op == "-") return Number(a - b);
    if (op == "*") return Number(a * b);
    if (op == "/") return b == 0 ? FormulaValue::Error("a division by zero") : Number(a / b);
    if (op == "=") return Boolean(a == b);
    if (op == "<>") return Boolean(a != b);
    if (op == "<") return Boolean(a < b);
    if (op == "<=") return Boolean(a <= b);
    if (op == ">") return Boolean(a > b);
    if (op == ">=") return Boolean(a >= b);
    return FormulaValue::Error("the operator " + op + " is not known");
  }

  FormulaValue CallValue(const FormulaNode& node, int sheet, int depth) {
    if (node.text == "IF") return IfValue(node, sheet, depth);
    if (node.text == "OFFSET") return OffsetValue(node, sheet, depth);
    return FormulaValue::Error("the function " + node.text + " is not known");
  }

  FormulaValue IfValue(const FormulaNode& node, int sheet, int depth) {
    if (node.children.size() < 2 || node.children.size() > 3) {
      return FormulaValue::Error("IF takes two or three arguments");
    }
    const FormulaValue test = Scalar(Run(*node.children[0], sheet, depth));
    if (test.kind == VKind::Error) return test;
    const auto condition = AsCondition(test);
    if (!condition) return FormulaValue::Error("IF's condition is not a truth value");
    if (*condition) return Run(*node.children[1], sheet, depth);
    if (node.children.size() == 3) return Run(*node.children[2], sheet, depth);
    return Boolean(false);
  }

  std::optional<double> NumberArgument(const FormulaNode& node, int sheet, int depth,
                                       FormulaValue& error) {
    const FormulaValue value = Scalar(Run(node, sheet, depth));
    if (value.kind == VKind::Error) {
      error = value;
      return std::nullopt;
    }
    const auto number = AsNumber(value);
    if (!number) error = FormulaValue::Error("OFFSET takes numbers after its reference");
    return number;
  }

  FormulaValue OffsetValue(const FormulaNode& node, int sheet, int depth) {
    if (node.children.size() < 3 || node.children.size() > 5) {
      return FormulaValue::Error("OFFSET takes three to five arguments");
    }
    FormulaValue base = Run(*node.children[0], sheet, depth);
    if (base.kind == VKind::Error) return base;
    if (base.kind != VKind::Reference) return FormulaValue::Error("OFFSET starts from a reference");
    FormulaValue error;
    double numbers[4] = {0, 0, static_cast<double>(base.block.RowCount()),
                         static_cast<double>(base.block.ColumnCount())};
    for (size_t i = 1; i < node.children.size(); ++i) {
      const auto number = NumberArgument(*node.children[i], sheet, depth, error);
      if (!number) return error;
      numbers[i - 1] = std::trunc(*number);
    }
    const double firstRow = base.block.firstRow + numbers[0];
    const double firstColumn = base.block.firstColumn + numbers[1];
    const double height = numbers[2];
    const double width = numbers[3];
    if (height < 1 || width < 1) return FormulaValue::Error("OFFSET of no cells");
    const double lastRow = firstRow + height - 1;
    const double lastColumn = firstColumn + width - 1;
    if (firstRow < 1 || firstColumn < 1 || lastRow > kMaxRows || lastColumn > kMaxColumns) {
      return FormulaValue::Error("OFFSET beyond the edge of the sheet");
    }
    base.block = CellBlock{static_cast<int>(firstRow), static_cast<int>(firstColumn),
                           static_cast<int>(lastRow), static_cast<int>(lastColumn)};
    return base;
  }

  const FormulaContext& context_;
};

}  // namespace

FormulaValue Evaluate(const Formula& formula, int sheet, const FormulaContext& context) {
  Evaluator evaluator(context);
  return evaluator.Run(formula.Root(), sheet, 0);
}

}  // namespace vx::automation
