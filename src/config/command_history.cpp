#include "config/command_history.h"

#include <algorithm>

namespace vx::config {

void CommandHistory::Add(const std::string& text) {
  std::erase(entries_, text);
  entries_.insert(entries_.begin(), text);
  if (entries_.size() > kCapacity) entries_.resize(kCapacity);
}

}  // namespace vx::config
