#pragma once
// VISA match expressions for resource searches, matched against whole descriptors without
// regard to letter case:
//   ?        any one character          [list]  one character of the list ("[0-9]", "[^0-3]")
//   *        the preceding item, any number of times (also none)
//   +        the preceding item, one or more times
//   a|b      either side                (exp)   grouping
//   \c       the character c itself
// So "USB[0-9]?*INSTR" matches every USB instrument and "?*" matches everything.
//
// Matching runs in time proportional to the expression's size times the descriptor's
// length, whatever the expression, so a hostile expression cannot stall a search.

#include <bitset>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::visa {

class MatchExpression {
 public:
  static std::optional<MatchExpression> Compile(std::string_view expression,
                                                std::string* error = nullptr);
  bool Matches(std::string_view descriptor) const;
  const std::string& Text() const { return text_; }

 private:
  enum class Op { Char, Any, Class, Split, Jump, Match };
  struct Instruction {
    Op op = Op::Match;
    char c = 0;           // Op::Char, lower case
    int classIndex = -1;  // Op::Class
    int x = 0, y = 0;     // Op::Split targets, Op::Jump target in x
  };
  friend class MatchCompiler;

  void AddThread(std::vector<int>& list, std::vector<unsigned>& mark, unsigned generation,
                 int pc) const;

  std::string text_;
  std::vector<Instruction> program_;
  std::vector<std::bitset<256>> classes_;
};

}  // namespace vx::visa
