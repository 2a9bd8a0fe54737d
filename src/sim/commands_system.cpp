// The SYSTem subsystem: the error queue, oldest entry first, and the SCPI version.

#include <algorithm>
#include <cstdio>

#include "sim/meter_engine.h"

namespace vx::sim {
namespace {

const char* ErrorText(int code) {
  switch (code) {
    case -100:
      return "Command error";
    case -101:
      return "Invalid character";
    case -102:
      return "Syntax error";
    case -104:
      return "Data type error";
    case -108:
      return "Parameter not allowed";
    case -109:
      return "Missing parameter";
    case -113:
      return "Undefined header";
    case -211:
      return "Trigger ignored";
    case -213:
      return "Init ignored";
    case -221:
      return "Settings conflict";
    case -222:
      return "Data out of range";
    case -223:
      return "Too much data";
    case -224:
      return "Illegal parameter value";
    case -241:
      return "Hardware missing";
    case -350:
      return "Queue overflow";
    case -363:
      return "Input buffer overrun";
    default:
      return "Unknown error";
  }
}

}  // namespace

void MeterEngine::AddSystemCommands(CommandList& list) {
  list.insert(list.end(), {
                              {"SYSTem:ERRor[:NEXT]?", &MeterEngine::ErrorQuery},
                              {"SYSTem:VERSion?", &MeterEngine::VersionQuery},
                          });
}

void MeterEngine::ErrorQuery(const Call& c) {
  if (!NoParams(c.params)) return;
  int code = 0;
  if (errorCount_ > 0) {
    code = errors_[0];
    std::copy(errors_.begin() + 1, errors_.begin() + static_cast<long>(errorCount_),
              errors_.begin());
    --errorCount_;
  }
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%+d,\"%s\"", code,
                              code == 0 ? "No error" : ErrorText(code));
  Answer().append(buffer, static_cast<size_t>(n));
}

void MeterEngine::VersionQuery(const Call& c) {
  if (NoParams(c.params)) Answer() = "1994.0";
}

}  // namespace vx::sim
