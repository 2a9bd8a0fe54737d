#pragma once
// How SCPI headers name the measurement functions: "VOLTage[:DC]", "CURRent:AC", ... The
// [SENSe:] settings, CONFigure and MEASure build their patterns on these paths, and
// "FUNCtion" takes one as its parameter.

#include <optional>
#include <span>
#include <string_view>

#include "sim/measurement.h"
#include "sim/scpi_command.h"

namespace vx::sim {

struct FunctionPath {
  std::string_view pattern;  // SCPI pattern of the path (scpi_pattern.h)
  Function function;
};

// Every function's path, in an order where no path is a prefix of one that follows.
std::span<const FunctionPath> FunctionPaths();

// The function a header names as a whole ("VOLT:AC", "volt:dc:rat"); none for anything else.
std::optional<Function> FunctionOfPath(const Header& header);

}  // namespace vx::sim
