// CONFigure and MEASure: select a function with its range (automatic unless one is given);
// MEASure? also takes a reading. The resolution parameter is accepted and not used.

#include <string>

#include "sim/function_paths.h"
#include "sim/meter_engine.h"

namespace vx::sim {

void MeterEngine::AddConfigureCommands(CommandList& list) {
  for (const FunctionPath& path : FunctionPaths()) {
    const int f = static_cast<int>(path.function);
    list.push_back({"CONFigure:" + std::string(path.pattern), &MeterEngine::ConfigureCommand, f});
    list.push_back({"MEASure:" + std::string(path.pattern) + "?", &MeterEngine::MeasureQuery, f});
  }
}

void MeterEngine::ConfigureCommand(const Call& c) {
  Configure(c, false);
}

void MeterEngine::MeasureQuery(const Call& c) {
  Configure(c, true);
}

void MeterEngine::Configure(const Call& c, bool measure) {
  const Function f = c.F();
  if (!Offered(f)) return;
  std::string_view rest = c.params;
  std::string_view rangeParam;
  std::string_view resolutionParam;
  const bool hasRange = NextParameter(rest, rangeParam) && !rangeParam.empty();
  const bool hasResolution = NextParameter(rest, resolutionParam);
  std::string_view extra;
  const auto ranges = Ranges(f, variant_);
  const bool rangeless = ranges.empty() || f == Function::Freq || f == Function::Per;
  if (NextParameter(rest, extra) || (rangeless && hasRange)) {
    AddError(-108);
    return;
  }
  bool autoRange = true;
  int range = 0;
  if (hasRange) {
    const Special special = SpecialOf(rangeParam);
    if (special == Special::Min || special == Special::Max) {
      autoRange = false;
      range = special == Special::Min ? 0 : static_cast<int>(ranges.size()) - 1;
    } else if (special == Special::None && !MatchesKeyword(rangeParam, "AUTO")) {
      double value = 0;
      if (!ParseNumber(rangeParam, value)) {
        AddError(-104);
        return;
      }
      range = RangeIndexFor(ranges, value);
      if (range < 0) {
        AddError(-222);
        return;
      }
      autoRange = false;
    }
  }
  if (hasResolution) {
    double resolution = 0;
    if (SpecialOf(resolutionParam) == Special::None && !ParseNumber(resolutionParam, resolution)) {
      AddError(-104);
      return;
    }
  }
  function_ = f;
  FunctionSettings& s = SettingsFor(f);
  s.autoRange = autoRange;
  if (!autoRange) s.range = range;
  memoryValid_ = false;
  if (measure) ReadQuery(c.now);
}

}  // namespace vx::sim
