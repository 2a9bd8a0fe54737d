// Feeds arbitrary field texts to the record viewer's filter: the check made on every change
// of a field, and the bounds a search takes and admits (the first line is the lower bound,
// the second the upper). A text the check refuses must come with its replacement.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "records/viewer/filter_bounds.h"
#include "records/viewer/filter_field.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const vx::records::FieldCheck check = vx::records::CheckFilterField(input);
  if (!check.Ok()) {
    if (check.replacement.empty()) std::abort();
    vx::records::CheckFilterField(check.replacement);
  }
  const size_t split = input.find('\n');
  vx::records::FilterBounds bounds;
  bounds.Admit();
  bounds.Take(input.substr(0, split),
              split == std::string_view::npos ? std::string_view{} : input.substr(split + 1));
  bounds.Admit();
  bounds.Admit();
  return 0;
}
