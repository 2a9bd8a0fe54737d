#include "automation/formula.h"

#include <cctype>

#include "automation/typed_input.h"
#include "automation/value.h"

namespace vx::automation {
namespace {

constexpr size_t kMaxDepth = 64;

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$' ||
         c == '\\';
}

// A word is a cell reference when it reads whole as one in either notation.
bool ReadsAsCell(std::string_view word) {
  return ParseR1C1(word).block.has_value() || ParseA1(word).block.has_value();
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  Formula::Parsed Run(std::unique_ptr<FormulaNode>& root) {
    SkipBlanks();
    if (Peek() == '=') ++pos_;
    root = Comparison(0);
    SkipBlanks();
    if (error_.empty() && pos_ < text_.size()) Fail("unexpected \"" + Rest() + "\"");
    return {nullptr, error_};
  }

 private:
  using Node = std::unique_ptr<FormulaNode>;

  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  std::string Rest() const { return std::string(text_.substr(pos_, 20)); }
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  Node Fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
    return std::make_unique<FormulaNode>();
  }
  bool Eat(std::string_view token) {
    SkipBlanks();
    if (text_.substr(pos_, token.size()) != token) return false;
    pos_ += token.size();
    return true;
  }

  static Node MakeBinary(std::string op, Node left, Node right) {
    auto node = std::make_unique<FormulaNode>();
    node->kind = FormulaNode::Kind::Binary;
    node->text = std::move(op);
    node->children.push_back(std::move(left));
    node->children.push_back(std::move(right));
    return node;
  }

  Node Comparison(size_t depth) {
    Node left = Additive(depth);
    for (const char* op : {"<=", ">=", "<>", "<", ">", "="}) {
      if (Eat(op)) return MakeBinary(op, std::move(left), Additive(depth));
    }
    return left;
  }

  Node Additive(size_t depth) {
    Node left = Multiplicative(depth);
    while (error_.empty()) {
      if (Eat("+")) {
        left = MakeBinary("+", std::move(left), Multiplicative(depth));
      } else if (Eat("-")) {
        left = MakeBinary("-", std::move(left), Multiplicative(depth));
      } else {
        break;
      }
    }
    return left;
  }

  Node Multiplicative(size_t depth) {
    Node left = Unary(depth);
    while (error_.empty()) {
      if (Eat("*")) {
        left = MakeBinary("*", std::move(left), Unary(depth));
      } else if (Eat("/")) {
        left = MakeBinary("/", std::move(left), Unary(depth));
      } else {
        break;
      }
    }
    return left;
  }

  Node Unary(size_t depth) {
    if (depth > kMaxDepth) return Fail("the formula is nested too deeply");
    if (Eat("-")) {
      auto node = std::make_unique<FormulaNode>();
      node->kind = FormulaNode::Kind::Negate;
      node->children.push_back(Unary(depth + 1));
      return node;
    }
    if (Eat("+")) return Unary(depth + 1);
    return Primary(depth);
  }

  Node Primary(size_t depth) {
    SkipBlanks();
    const char c = Peek();
    if (c == '(') {
      ++pos_;
      auto node = std::make_unique<FormulaNode>();
      node->kind = FormulaNode::Kind::Group;
      node->children.push_back(Comparison(depth + 1));
      if (!Eat(")")) return Fail("a \"(\" without its \")\"");
      return node;
    }
    if (c == '"') return TextLiteral();
    if (c == '\'') return QuotedSheetReference();
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return NumberLiteral();
    if (IsWordChar(c)) return WordThing(depth, {});
    if (c == '\0') return Fail("the formula ends too early");
    return Fail("unexpected \"" + Rest() + "\"");
  }

  Node TextLiteral() {
    ++pos_;
    std::string text;
    while (pos_ < text_.size()) {
      if (text_[pos_] == '"') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
          text += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;
        auto node = std::make_unique<FormulaNode>();
        node->kind = FormulaNode::Kind::Text;
        node->text = std::move(text);
        return node;
      }
      text += text_[pos_++];
    }
    return Fail("a text without its closing quote");
  }

  std::string_view TakeWord() {
    const size_t start = pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  // A number: digits with at most one point and an optional exponent. Words never start
  // with a digit or a point, so what follows the number must not be part of a word.
  Node NumberLiteral() {
    const size_t start = pos_;
    const auto digits = [&] {
      while (std::isdigit(static_cast<unsigned char>(Peek()))) ++pos_;
    };
    digits();
    if (Peek() == '.') {
      ++pos_;
      digits();
    }
    if (Peek() == 'e' || Peek() == 'E') {
      size_t exponent = pos_ + 1;
      if (exponent < text_.size() && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
      if (exponent < text_.size() && std::isdigit(static_cast<unsigned char>(text_[exponent]))) {
        pos_ = exponent;
        digits();
      }
    }
    double value = 0;
    if (!ParseDecimal(text_.substr(start, pos_ - start), value)) {
      return Fail("\"" + std::string(text_.substr(start, pos_ - start + 1)) + "\" is not a number");
    }
    if (IsWordChar(Peek())) return Fail("a number followed by \"" + Rest() + "\"");
    auto node = std::make_unique<FormulaNode>();
    node->kind = FormulaNode::Kind::Number;
    node->number = value;
    return node;
  }

  Node QuotedSheetReference() {
    ++pos_;
    std::string sheet;
    while (true) {
      if (pos_ >= text_.size()) return Fail("a sheet name without its closing quote");
      if (text_[pos_] == '\'') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
          sheet += '\'';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      sheet += text_[pos_++];
    }
    if (sheet.empty()) return Fail("an empty sheet name");
    if (Peek() != '!') return Fail("a quoted sheet name not followed by \"!\"");
    ++pos_;
    if (!IsWordChar(Peek())) return Fail("nothing after \"" + sheet + "!\"");
    return WordThing(0, sheet, true);
  }

  Node WordThing(size_t depth, std::string sheet, bool qualified = false) {
    std::string_view word = TakeWord();
    if (!qualified && Peek() == '!') {
      ++pos_;
      if (!IsWordChar(Peek())) return Fail("nothing after \"" + std::string(word) + "!\"");
      return WordThing(depth, std::string(word), true);
    }
    if (ReadsAsCell(word)) return Reference(word, std::move(sheet), qualified);
    SkipBlanks();
    if (!qualified && Peek() == '(') return Call(depth, word);
    auto node = std::make_unique<FormulaNode>();
    if (!qualified && (EqualsNoCaseWord(word, "TRUE") || EqualsNoCaseWord(word, "FALSE"))) {
      node->kind = FormulaNode::Kind::Boolean;
      node->boolean = EqualsNoCaseWord(word, "TRUE");
      return node;
    }
    node->kind = FormulaNode::Kind::Name;
    node->text = std::string(word);
    node->sheet = std::move(sheet);
    return node;
  }

  static bool EqualsNoCaseWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return true;
  }

  Node Reference(std::string_view first, std::string sheet, bool qualified) {
    auto node = std::make_unique<FormulaNode>();
    node->kind = FormulaNode::Kind::Reference;
    node->sheet = qualified ? std::move(sheet) : std::string();
    ParsedBlock parsed = ParseR1C1(first);
    const bool r1c1 = parsed.block.has_value();
    if (!r1c1) parsed = ParseA1(first);
    CellBlock block = *parsed.block;
    if (Peek() == ':') {
      ++pos_;
      const std::string_view second = TakeWord();
      const ParsedBlock other = r1c1 ? ParseR1C1(second) : ParseA1(second);
      if (!other.block) return Fail(other.error.empty() ? "a block without its end" : other.error);
      block = SpanOf(block, *other.block);
    }
    node->block = block;
    return node;
  }

  Node Call(size_t depth, std::string_view function) {
    ++pos_;  // "("
    auto node = std::make_unique<FormulaNode>();
    node->kind = FormulaNode::Kind::Call;
    for (const char c : function)
      node->text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    SkipBlanks();
    if (Eat(")")) return node;
    while (error_.empty()) {
      node->children.push_back(Comparison(depth + 1));
      if (Eat(")")) return node;
      if (!Eat(",")) return Fail("a call of " + node->text + " without its \")\"");
    }
    return node;
  }

  std::string_view text_;
  size_t pos_ = 0;
  std::string error_;
};

void Print(const FormulaNode& node, bool a1, std::string& out) {
  const auto sheetPrefix = [&] {
    if (!node.sheet.empty()) out += QuoteSheetName(node.sheet) + "!";
  };
  switch (node.kind) {
    case FormulaNode::Kind::Number:
      out += TextOf(Value{node.number});
      break;
    case FormulaNode::Kind::Boolean:
      out += node.boolean ? "TRUE" : "FALSE";
      break;
    case FormulaNode::Kind::Text: {
      out += '"';
      for (const char c : node.text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
      out += '"';
      break;
    }
    case FormulaNode::Kind::Reference:
      sheetPrefix();
      out += a1 ? AbsoluteA1(node.block) : AbsoluteR1C1(node.block);
      break;
    case FormulaNode::Kind::Name:
      sheetPrefix();
      out += node.text;
      break;
    case FormulaNode::Kind::Call:
      out += node.text + "(";
      for (size_t i = 0; i < node.children.size(); ++i) {
        if (i > 0) out += ",";
        Print(*node.children[i], a1, out);
      }
      out += ")";
      break;
    case FormulaNode::Kind::Binary:
      Print(*node.children[0], a1, out);
      out += node.text;
      Print(*node.children[1], a1, out);
      break;
    case FormulaNode::Kind::Negate:
      out += "-";
      Print(*node.children[0], a1, out);
      break;
    case FormulaNode::Kind::Group:
      out += "(";
      Print(*node.children[0], a1, out);
      out += ")";
      break;
  }
}

}  // namespace

Formula::Parsed Formula::Parse(std::string_view text) {
  std::unique_ptr<FormulaNode> root;
  Parser parser(text);
  Parsed parsed = parser.Run(root);
  if (!parsed.error.empty()) {
    parsed.error =
        "The formula \"" + std::string(text) + "\" is not understood: " + parsed.error + ".";
    return parsed;
  }
  parsed.formula = std::shared_ptr<const Formula>(new Formula(std::move(root)));
  return parsed;
}

std::string Formula::ToA1() const {
  std::string out = "=";
  Print(*root_, true, out);
  return out;
}

std::string Formula::ToR1C1() const {
  std::string out = "=";
  Print(*root_, false, out);
  return out;
}

}  // namespace vx::automation
