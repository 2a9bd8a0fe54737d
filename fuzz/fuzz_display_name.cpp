// Feeds arbitrary descriptors and identity answers (the first line and the rest) to the
// display-name builder: no crash, no read past either text, and no ":" in any name.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "instrument/display_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\n');
  const std::string descriptor(input.substr(0, split));
  const std::string identity(split == std::string_view::npos ? std::string_view{}
                                                             : input.substr(split + 1));
  // Exactly sized copies: a read past either end is caught.
  const std::string name = vx::instrument::MakeDisplayName(descriptor, identity);
  if (name.find(':') != std::string::npos) std::abort();
  vx::instrument::MakeDisplayName(input, input);
  return 0;
}
