#include "visa/match_expression.h"

#include <memory>

namespace vx::visa {
namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

constexpr size_t kMaxExpressionLength = 1024;
constexpr int kMaxNesting = 64;

struct Node {
  enum class Kind { Literal, Any, Class, Concat, Alternation, Star, Plus } kind;
  char c = 0;
  int classIndex = -1;
  std::vector<std::unique_ptr<Node>> children;

  explicit Node(Kind k) : kind(k) {}
};
using NodePtr = std::unique_ptr<Node>;

}  // namespace

// Turns the expression into a small program for a Thompson-style matcher.
class MatchCompiler {
 public:
  MatchCompiler(std::string_view text, MatchExpression& out) : text_(text), out_(out) {}

  bool Run(std::string* error) {
    NodePtr root = ParseAlternation(0);
    if (!root) return Report(error);
    if (pos_ != text_.size()) {
      error_ = text_[pos_] == ')' ? "unbalanced \")\"" : "unexpected character";
      return Report(error);
    }
    Emit(*root);
    MatchExpression::Instruction match;
    match.op = MatchExpression::Op::Match;
    out_.program_.push_back(match);
    return true;
  }

 private:
  bool Report(std::string* error) {
    if (error) *error = error_ + " at position " + std::to_string(pos_ + 1);
    return false;
  }

  bool AtEnd() const { return pos_ >= text_.size(); }

  NodePtr ParseAlternation(int depth) {
    if (depth > kMaxNesting) {
      error_ = "groups nested too deeply";
      return nullptr;
    }
    NodePtr first = ParseConcatenation(depth);
    if (!first) return nullptr;
    if (AtEnd() || text_[pos_] != '|') return first;
    auto alternation = std::make_unique<Node>(Node::Kind::Alternation);
    alternation->children.push_back(std::move(first));
    while (!AtEnd() && text_[pos_] == '|') {
      ++pos_;
      NodePtr next = ParseConcatenation(depth);
      if (!next) return nullptr;
      alternation->children.push_back(std::move(next));
    }
    return alternation;
  }

  NodePtr ParseConcatenation(int depth) {
    auto concatenation = std::make_unique<Node>(Node::Kind::Concat);
    while (!AtEnd() && text_[pos_] != '|' && text_[pos_] != ')') {
      NodePtr item = ParseRepetition(depth);
      if (!item) return nullptr;
      concatenation->children.push_back(std::move(item));
    }
    if (concatenation->children.empty()) {
      error_ = "empty expression";
      return nullptr;
    }
    return concatenation;
  }

  NodePtr ParseRepetition(int depth) {
    NodePtr atom = ParseAtom(depth);
    if (!atom) return nullptr;
    while (!AtEnd() && (text_[pos_] == '*' || text_[pos_] == '+')) {
      auto repeat =
          std::make_unique<Node>(text_[pos_] == '*' ? Node::Kind::Star : Node::Kind::Plus);
      repeat->children.push_back(std::move(atom));
      atom = std::move(repeat);
      ++pos_;
    }
    return atom;
  }

  NodePtr ParseAtom(int depth) {
    const char c = text_[pos_];
    switch (c) {
      case '*':
      case '+':
        error_ = std::string("\"") + c + "\" has nothing to repeat";
        return nullptr;
      case '(': {
        ++pos_;
        NodePtr inner = ParseAlternation(depth + 1);
        if (!inner) return nullptr;
        if (AtEnd() || text_[pos_] != ')') {
          error_ = "missing \")\"";
          return nullptr;
        }
        ++pos_;
        return inner;
      }
      case '[':
        return ParseClass();
      case '?':
        ++pos_;
        return std::make_unique<Node>(Node::Kind::Any);
      case '\\': {
        ++pos_;
        if (AtEnd()) {
          error_ = "\"\\\" at the end of the expression";
          return nullptr;
        }
        return Literal(text_[pos_++]);
      }
      default:
        ++pos_;
        return Literal(c);
    }
  }

  static NodePtr Literal(char c) {
    auto node = std::make_unique<Node>(Node::Kind::Literal);
    node->c = Lower(c);
    return node;
  }

  NodePtr ParseClass() {
    ++pos_;  // '['
    std::bitset<256> set;
    bool negate = false;
    if (!AtEnd() && text_[pos_] == '^') {
      negate = true;
      ++pos_;
    }
    bool first = true;
    while (true) {
      if (AtEnd()) {
        error_ = "missing \"]\"";
        return nullptr;
      }
      char c = text_[pos_];
      if (c == ']' && !first) {
        ++pos_;
        break;
      }
      first = false;
      if (c == '\\') {
        if (++pos_ >= text_.size()) {
          error_ = "\"\\\" at the end of the expression";
          return nullptr;
        }
        c = text_[pos_];
      }
      ++pos_;
      char last = c;
      if (pos_ + 1 < text_.size() && text_[pos_] == '-' && text_[pos_ + 1] != ']') {
        last = text_[pos_ + 1];
        pos_ += 2;
        if (static_cast<unsigned char>(last) < static_cast<unsigned char>(c)) {
          error_ = "reversed range in \"[...]\"";
          return nullptr;
        }
      }
      for (unsigned v = static_cast<unsigned char>(c); v <= static_cast<unsigned char>(last); ++v) {
        set.set(static_cast<unsigned char>(Lower(static_cast<char>(v))));
        set.set(static_cast<unsigned char>(Upper(static_cast<char>(v))));
      }
    }
    if (negate) set.flip();
    auto node = std::make_unique<Node>(Node::Kind::Class);
    node->classIndex = static_cast<int>(out_.classes_.size());
    out_.classes_.push_back(set);
    return node;
  }

  int Here() const { return static_cast<int>(out_.program_.size()); }

  int Push(MatchExpression::Op op) {
    MatchExpression::Instruction instruction;
    instruction.op = op;
    out_.program_.push_back(instruction);
    return Here() - 1;
  }

  void Emit(const Node& node) {
    using Op = MatchExpression::Op;
    switch (node.kind) {
      case Node::Kind::Literal:
        out_.program_[Push(Op::Char)].c = node.c;
        break;
      case Node::Kind::Any:
        Push(Op::Any);
        break;
      case Node::Kind::Class:
        out_.program_[Push(Op::Class)].classIndex = node.classIndex;
        break;
      case Node::Kind::Concat:
        for (const NodePtr& child : node.children) Emit(*child);
        break;
      case Node::Kind::Alternation: {
        std::vector<int> jumps;
        for (size_t i = 0; i < node.children.size(); ++i) {
          if (i + 1 < node.children.size()) {
            const int split = Push(Op::Split);
            out_.program_[split].x = Here();
            Emit(*node.children[i]);
            jumps.push_back(Push(Op::Jump));
            out_.program_[split].y = Here();
          } else {
            Emit(*node.children[i]);
          }
        }
        for (const int jump : jumps) out_.program_[jump].x = Here();
        break;
      }
      case Node::Kind::Star: {
        const int split = Push(Op::Split);
        out_.program_[split].x = Here();
        Emit(*node.children.front());
        out_.program_[Push(Op::Jump)].x = split;
        out_.program_[split].y = Here();
        break;
      }
      case Node::Kind::Plus: {
        const int start = Here();
        Emit(*node.children.front());
        const int split = Push(Op::Split);
        out_.program_[split].x = start;
        out_.program_[split].y = Here();
        break;
      }
    }
  }

  std::string_view text_;
  MatchExpression& out_;
  size_t pos_ = 0;
  std::string error_;
};

std::optional<MatchExpression> MatchExpression::Compile(std::string_view expression,
                                                        std::string* error) {
  if (expression.empty()) {
    if (error) *error = "empty expression";
    return std::nullopt;
  }
  if (expression.size() > kMaxExpressionLength) {
    if (error) *error = "expression longer than 1024 characters";
    return std::nullopt;
  }
  MatchExpression result;
  result.text_ = std::string(expression);
  MatchCompiler compiler(expression, result);
  if (!compiler.Run(error)) return std::nullopt;
  return result;
}

void MatchExpression::AddThread(std::vector<int>& list, std::vector<unsigned>& mark,
                                unsigned generation, int pc) const {
  // Follows jumps and splits without recursion; `mark` keeps each instruction once per step.
  std::vector<int> pending{pc};
  while (!pending.empty()) {
    const int at = pending.back();
    pending.pop_back();
    if (mark[static_cast<size_t>(at)] == generation) continue;
    mark[static_cast<size_t>(at)] = generation;
    const Instruction& instruction = program_[static_cast<size_t>(at)];
    if (instruction.op == Op::Jump) {
      pending.push_back(instruction.x);
    } else if (instruction.op == Op::Split) {
      pending.push_back(instruction.y);
      pending.push_back(instruction.x);
    } else {
      list.push_back(at);
    }
  }
}

bool MatchExpression::Matches(std::string_view descriptor) const {
  std::vector<int> current;
  std::vector<int> next;
  std::vector<unsigned> mark(program_.size(), 0);
  unsigned generation = 1;
  AddThread(current, mark, generation, 0);
  for (const char raw : descriptor) {
    const char c = Lower(raw);
    ++generation;
    next.clear();
    for (const int pc : current) {
      const Instruction& instruction = program_[static_cast<size_t>(pc)];
      bool advance = false;
      switch (instruction.op) {
        case Op::Char:
          advance = instruction.c == c;
          break;
        case Op::Any:
          advance = true;
          break;
        case Op::Class:
          advance = classes_[static_cast<size_t>(instruction.classIndex)].test(
              static_cast<unsigned char>(raw));
          break;
        default:
          break;
      }
      if (advance) AddThread(next, mark, generation, pc + 1);
    }
    current.swap(next);
    if (current.empty()) return false;
  }
  for (const int pc : current) {
    if (program_[static_cast<size_t>(pc)].op == Op::Match) return true;
  }
  return false;
}

}  // namespace vx::visa
