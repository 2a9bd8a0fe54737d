#pragma once

#include <string>
#include <string_view>

namespace vx::instrument {

// The short name under which a meter is listed: the model field of its identity answer,
// then "-USBTMC-<serial>" or "-GPIB-<address>" from its descriptor, with every ":" removed
// ("W9-90/1-USBTMC-TW00012345", "W9-90/1-GPIB-22").
std::string MakeDisplayName(std::string_view descriptor, std::string_view identity);

}  // namespace vx::instrument
