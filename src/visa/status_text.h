#pragma once
// The words for every status the library returns.

#include <cstddef>
#include <string>
#include <string_view>

#include "visa/visa.h"

namespace vx::visa {

// The standard name of a status ("VI_ERROR_TMO"), or empty for an unknown code.
std::string_view StatusName(ViStatus status);
// One sentence saying what the status means, or empty for an unknown code.
std::string_view StatusMeaning(ViStatus status);

// The longest text viStatusDesc gives (its buffer holds 256 characters with the terminator).
inline constexpr size_t kStatusTextLimit = 255;

// `meaning`, then the detail of the failure in parentheses, within `limit` characters: a
// detail too long to fit is cut after its last whole word that does, and marked with "...".
std::string WithDetail(std::string_view meaning, std::string_view detail,
                       size_t limit = kStatusTextLimit);

}  // namespace vx::visa
