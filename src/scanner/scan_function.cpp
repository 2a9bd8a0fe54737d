#include "scanner/scan_function.h"

#include <algorithm>

#include "common/c_number.h"

namespace vx::scanner {

std::string_view ShownName(ScanFunction f) {
  return kScanFunctions[static_cast<size_t>(IndexOf(f))].shown;
}

std::string_view ScpiName(ScanFunction f) {
  return kScanFunctions[static_cast<size_t>(IndexOf(f))].scpi;
}

ScanFunction FunctionAt(int index) {
  if (index < 0 || index >= kFunctionCount) return ScanFunction::None;
  return kScanFunctions[static_cast<size_t>(index)].function;
}

ScanFunction WithoutShunt(ScanFunction f) {
  if (f == ScanFunction::Dci) return ScanFunction::Dcv;
  if (f == ScanFunction::Aci) return ScanFunction::Acv;
  return f;
}

ScanFunction FunctionFromCardAnswer(std::string_view answer) {
  std::string name(answer);
  std::erase_if(name, [](char c) { return c == '"' || c == '\n'; });
  if (name == "VOLT" || name == "CURR") name += ":DC";
  for (const ScanFunctionRow& row : kScanFunctions) {
    if (name == row.scpi) return row.function;
  }
  for (const ScanFunctionRow& row : kScanFunctions) {
    if (name == row.shown) return row.function;
  }
  return ScanFunction::None;
}

std::optional<ScanFunction> FunctionFromShownName(std::string_view name) {
  for (const ScanFunctionRow& row : kScanFunctions) {
    if (EqualsNoCase(name, row.shown)) return row.function;
  }
  return std::nullopt;
}

}  // namespace vx::scanner
