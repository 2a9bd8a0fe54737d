#include "sim/scpi_pattern.h"

#include <algorithm>

namespace vx::sim {
namespace {

bool IsKeywordCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool Fail(std::string* error, std::string_view pattern, std::string_view problem) {
  if (error) *error = "SCPI pattern \"" + std::string(pattern) + "\": " + std::string(problem);
  return false;
}

}  // namespace

std::optional<ScpiPattern> ScpiPattern::Compile(std::string_view text, std::string* error) {
  ScpiPattern pattern;
  pattern.text_ = std::string(text);
  std::string_view rest = text;
  if (rest.size() >= 3 && rest.substr(rest.size() - 3) == "[?]") {
    pattern.form_ = Form::Either;
    rest.remove_suffix(3);
  } else if (!rest.empty() && rest.back() == '?') {
    pattern.form_ = Form::Query;
    rest.remove_suffix(1);
  }

  if (!rest.empty() && rest.front() == '*') {
    rest.remove_prefix(1);
    if (rest.size() != 3 ||
        !std::all_of(rest.begin(), rest.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
      Fail(error, text, "a common command is \"*\" and three capitals");
      return std::nullopt;
    }
    pattern.common_ = true;
    std::copy(rest.begin(), rest.end(), pattern.commonName_.begin());
    return pattern;
  }

  // Nodes: "KEYword", "[KEYword:]" before the next node, "[:KEYword]" after the previous one,
  // each maybe followed by "#".
  bool first = true;
  while (!rest.empty()) {
    Node node;
    bool closeAfterColon = false;  // "[KEYword:]": the colon sits inside the brackets
    if (rest.front() == '[') {
      node.optional = true;
      rest.remove_prefix(1);
      if (!rest.empty() && rest.front() == ':') {
        if (first) {
          Fail(error, text, "the first keyword has no colon before it");
          return std::nullopt;
        }
        rest.remove_prefix(1);
      } else {
        closeAfterColon = true;
      }
    } else if (!first) {
      if (rest.front() != ':') {
        Fail(error, text, "keywords are separated by \":\"");
        return std::nullopt;
      }
      rest.remove_prefix(1);
    }
    size_t length = 0;
    while (length < rest.size() && IsKeywordCharacter(rest[length])) ++length;
    const std::string_view spelling = rest.substr(0, length);
    node.kw = KeywordOfSpelling(spelling);
    if (node.kw == Kw::None) {
      Fail(error, text, "\"" + std::string(spelling) + "\" is not a keyword of the vocabulary");
      return std::nullopt;
    }
    rest.remove_prefix(length);
    if (!rest.empty() && rest.front() == '#') {
      node.takesSuffix = true;
      rest.remove_prefix(1);
    }
    if (node.optional) {
      const std::string_view close = closeAfterColon ? ":]" : "]";
      if (rest.substr(0, close.size()) != close) {
        Fail(error, text, "an optional keyword is not closed");
        return std::nullopt;
      }
      rest.remove_prefix(close.size());
      // "[KEYword:]" is followed directly by the next keyword, without a colon of its own.
      if (closeAfterColon && (rest.empty() || rest.front() == ':')) {
        Fail(error, text, "\"[KEYword:]\" must be followed by a keyword");
        return std::nullopt;
      }
    }
    pattern.nodes_.push_back(node);
    first = closeAfterColon;
  }
  if (std::none_of(pattern.nodes_.begin(), pattern.nodes_.end(),
                   [](const Node& n) { return !n.optional; })) {
    Fail(error, text, "a pattern needs at least one keyword that cannot be left out");
    return std::nullopt;
  }
  if (std::count_if(pattern.nodes_.begin(), pattern.nodes_.end(),
                    [](const Node& n) { return n.takesSuffix; }) > 1) {
    Fail(error, text, "only one keyword may take a suffix");
    return std::nullopt;
  }
  return pattern;
}

bool ScpiPattern::Matches(const Header& header, int& suffix) const {
  if (header.common != common_) return false;
  if ((form_ == Form::Command && header.query) || (form_ == Form::Query && !header.query)) {
    return false;
  }
  suffix = 0;
  if (common_) return header.name == commonName_;
  return MatchFrom(0, 0, header, suffix);
}

bool ScpiPattern::MatchFrom(size_t node, int headerNode, const Header& header, int& suffix) const {
  if (node == nodes_.size()) return headerNode == header.count;
  const Node& n = nodes_[node];
  if (headerNode < header.count && header.At(headerNode) == n.kw &&
      MatchFrom(node + 1, headerNode + 1, header, suffix)) {
    if (n.takesSuffix) suffix = header.suffix[static_cast<size_t>(headerNode)];
    return true;
  }
  return n.optional && MatchFrom(node + 1, headerNode, header, suffix);
}

std::vector<Kw> ScpiPattern::FirstKeywords() const {
  std::vector<Kw> keywords;
  for (const Node& n : nodes_) {
    keywords.push_back(n.kw);
    if (!n.optional) break;
  }
  return keywords;
}

std::string ScpiCommandTable::Add(std::string_view pattern, int id) {
  std::string error;
  auto compiled = ScpiPattern::Compile(pattern, &error);
  if (!compiled) return error;
  const auto index = static_cast<std::uint16_t>(patterns_.size());
  if (compiled->Common()) {
    common_.push_back(index);
  } else {
    for (const Kw kw : compiled->FirstKeywords()) {
      byFirstKeyword_[static_cast<size_t>(kw)].push_back(index);
    }
  }
  patterns_.push_back(std::move(*compiled));
  ids_.push_back(id);
  return {};
}

std::optional<ScpiCommandTable::Match> ScpiCommandTable::Find(const Header& header) const {
  const std::vector<std::uint16_t>& candidates =
      header.common ? common_ : byFirstKeyword_[static_cast<size_t>(header.At(0))];
  // Candidates are in table order, so the first match is the first pattern that matches.
  for (const std::uint16_t index : candidates) {
    int suffix = 0;
    if (patterns_[index].Matches(header, suffix)) return Match{ids_[index], suffix};
  }
  return std::nullopt;
}

}  // namespace vx::sim
