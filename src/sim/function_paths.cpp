#include "sim/function_paths.h"

#include <cstdio>
#include <cstdlib>

#include "sim/scpi_pattern.h"

namespace vx::sim {
namespace {

constexpr FunctionPath kPaths[] = {
    {"VOLTage[:DC]", Function::VoltDc},
    {"VOLTage:AC", Function::VoltAc},
    {"VOLTage[:DC]:RATio", Function::VoltRatio},
    {"CURRent[:DC]", Function::CurrDc},
    {"CURRent:AC", Function::CurrAc},
    {"RESistance", Function::Res},
    {"FRESistance", Function::FRes},
    {"FREQuency", Function::Freq},
    {"PERiod", Function::Per},
    {"CONTinuity", Function::Cont},
    {"DIODe", Function::Diod},
    {"TEMPerature", Function::Temp},
    {"TCOuple", Function::Tco},
    {"CAPacitance", Function::Cap},
};

const ScpiCommandTable& PathTable() {
  static const ScpiCommandTable table = [] {
    ScpiCommandTable t;
    for (const FunctionPath& path : kPaths) {
      const std::string problem = t.Add(path.pattern, static_cast<int>(path.function));
      if (!problem.empty()) {
        std::fprintf(stderr, "simulated meter: %s\n", problem.c_str());
        std::abort();
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

std::span<const FunctionPath> FunctionPaths() {
  return kPaths;
}

std::optional<Function> FunctionOfPath(const Header& header) {
  const auto match = PathTable().Find(header);
  if (!match) return std::nullopt;
  return static_cast<Function>(match->id);
}

}  // namespace vx::sim
