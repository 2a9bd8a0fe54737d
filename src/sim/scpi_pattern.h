#pragma once
// SCPI command patterns written as instrument manuals write them, and a table that finds the
// pattern a parsed command header is an instance of.
//
// A pattern is a path of keywords in their SCPI spelling, long form with the short form in
// capitals ("SENSe:VOLTage:DC:RANGe"); each keyword must be one of the vocabulary in
// scpi_command.h, spelled the same way, so that the short and long forms and the letter case a
// header may use come from the pattern. A keyword in brackets may be left out:
// "[SENSe:]VOLTage[:DC]:RANGe[:UPPer]" covers "VOLT:RANG" and "SENSE:VOLTAGE:DC:RANGE:UPPER".
// A keyword followed by "#" hands its numeric suffix to the handler ("FUNCtion#" for
// "FUNC2"); other keywords accept a suffix and ignore it. The pattern ends with "?" for a
// query, with "[?]" when both the query and the command exist, and with neither for a
// command. A pattern that starts with "*" is an IEEE 488.2 common command ("*ESE[?]").

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scpi_command.h"

namespace vx::sim {

class ScpiPattern {
 public:
  // On a malformed pattern or an unknown keyword returns nothing and says why in `error`.
  static std::optional<ScpiPattern> Compile(std::string_view text, std::string* error = nullptr);

  // True when `header` is an instance of the pattern; `suffix` then holds the numeric suffix
  // of the node marked "#" (0 when the header gave none).
  bool Matches(const Header& header, int& suffix) const;

  // The keywords a matching header can begin with; empty for a common command.
  std::vector<Kw> FirstKeywords() const;
  bool Common() const { return common_; }
  const std::string& Text() const { return text_; }

 private:
  enum class Form : std::uint8_t { Command, Query, Either };
  struct Node {
    Kw kw = Kw::None;
    bool optional = false;
    bool takesSuffix = false;
  };
  bool MatchFrom(size_t node, int headerNode, const Header& header, int& suffix) const;

  std::string text_;
  Form form_ = Form::Command;
  bool common_ = false;
  std::array<char, 4> commonName_{};
  std::vector<Node> nodes_;
};

// Patterns with the number of the entry each stands for. The first pattern added that matches
// a header wins; lookups go through an index by the header's first keyword, so a table of a
// hundred patterns costs a lookup about what one comparison does.
class ScpiCommandTable {
 public:
  // Adds `pattern` for entry `id`; returns what is wrong with the pattern, or an empty text.
  std::string Add(std::string_view pattern, int id);

  struct Match {
    int id = 0;
    int suffix = 0;
  };
  std::optional<Match> Find(const Header& header) const;

  size_t Size() const { return patterns_.size(); }

 private:
  std::vector<ScpiPattern> patterns_;
  std::vector<int> ids_;
  std::array<std::vector<std::uint16_t>, static_cast<size_t>(Kw::Count_)> byFirstKeyword_;
  std::vector<std::uint16_t> common_;
};

}  // namespace vx::sim
