#pragma once
// The words for every status the library returns.

#include <string_view>

#include "visa/visa.h"

namespace vx::visa {

// The standard name of a status ("VI_ERROR_TMO"), or empty for an unknown code.
std::string_view StatusName(ViStatus status);
// One sentence saying what the status means, or empty for an unknown code.
std::string_view StatusMeaning(ViStatus status);

}  // namespace vx::visa
