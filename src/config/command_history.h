#pragma once
// The command console's history: the texts sent before, most recent first.

#include <string>
#include <vector>

namespace vx::config {

class CommandHistory {
 public:
  static constexpr size_t kCapacity = 20;

  // Puts `text` at the top. An entry equal to it (exactly, letter case included) moves there
  // rather than appearing twice; beyond twenty entries the oldest is dropped.
  void Add(const std::string& text);

  const std::vector<std::string>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }

 private:
  std::vector<std::string> entries_;
};

}  // namespace vx::config
