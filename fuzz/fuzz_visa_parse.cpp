// Feeds arbitrary bytes to the resource-name parser and the match-expression compiler and
// matcher: none may crash, hang or read out of bounds, and what parses must print back in a
// form that parses to the same resource.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "visa/match_expression.h"
#include "visa/resource_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  if (const auto name = vx::visa::ParseResourceName(input)) {
    // A name is taken only when its canonical spelling fits the 255 characters a descriptor
    // may have, and that spelling names the same resource.
    const std::string canonical = name->Canonical();
    if (canonical.size() >= 256) std::abort();
    const auto again = vx::visa::ParseResourceName(canonical);
    if (!again || again->Canonical() != canonical) std::abort();
  }

  // The first line is an expression, the rest a descriptor to match against it.
  const size_t split = input.find('\n');
  const std::string_view expression = input.substr(0, split);
  const std::string_view descriptor =
      split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
  if (const auto matcher = vx::visa::MatchExpression::Compile(expression)) {
    matcher->Matches(descriptor);
    matcher->Matches(expression);
  }
  return 0;
}
