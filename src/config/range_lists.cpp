#include "config/range_lists.h"

#include <algorithm>

namespace vx::config {
namespace {

constexpr RangeEntry kDcVolts[] = {{"AUTO", 0},    {"100m Vdc", 0.1}, {"1 Vdc", 1},
                                   {"10 Vdc", 10}, {"100 Vdc", 100},  {"1000 Vdc", 1000}};
constexpr RangeEntry kDcAmpsBase[] = {
    {"AUTO", 0}, {"10m Adc", 0.01}, {"100m Adc", 0.1}, {"1 Adc", 1}, {"3 Adc", 3}};
constexpr RangeEntry kDcAmpsExtended[] = {{"AUTO", 0},  {"10m Adc", 0.01}, {"100m Adc", 0.1},
                                          {"1 Adc", 1}, {"3 Adc", 3},      {"10 Adc", 10}};
constexpr RangeEntry kAcVoltsBase[] = {{"AUTO", 0},    {"100m Vac", 0.1}, {"1 Vac", 1},
                                       {"10 Vac", 10}, {"100 Vac", 100},  {"750 Vac", 750}};
// The 750 V range is the meter's 1000 V range with the AC limit; the extended models take it
// by that name.
constexpr RangeEntry kAcVoltsExtended[] = {{"AUTO", 0},    {"100m Vac", 0.1}, {"1 Vac", 1},
                                           {"10 Vac", 10}, {"100 Vac", 100},  {"750 Vac", 1000}};
constexpr RangeEntry kAcAmpsBase[] = {{"AUTO", 0}, {"1 Aac", 1}, {"3 Aac", 3}};
constexpr RangeEntry kAcAmpsExtended[] = {{"AUTO", 0}, {"1 Aac", 1}, {"3 Aac", 3}, {"10 Aac", 10}};
constexpr RangeEntry kOhms[] = {{"AUTO", 0},        {"100 ohm", 100},     {"1K ohm", 1000},
                                {"10K ohm", 10000}, {"100K ohm", 100000}, {"1M ohm", 1000000},
                                {"10M ohm", 1e7},   {"100M ohm", 1e8}};
constexpr RangeEntry kAutoOnly[] = {{"AUTO", 0}};
constexpr RangeEntry kRtdTypes[] = {{"PT100", 0},  {"D100", 0}, {"F100", 0},  {"PT385", 0},
                                    {"PT3916", 0}, {"NTCT", 0}, {"SPRTD", 0}, {"USER", 0}};
constexpr RangeEntry kThermocouplesBase[] = {{"E", 0}, {"J", 0}, {"K", 0}, {"N", 0},
                                             {"R", 0}, {"S", 0}, {"T", 0}};
constexpr RangeEntry kThermocouplesExtended[] = {{"K", 0}, {"J", 0}, {"R", 0}, {"S", 0},
                                                 {"T", 0}, {"E", 0}, {"N", 0}, {"B", 0}};
constexpr RangeEntry kFarads[] = {{"AUTO", 0},      {"1 nF", 1e-9}, {"10 nF", 1e-8},
                                  {"100 nF", 1e-7}, {"1 uF", 1e-6}, {"10 uF", 1e-5},
                                  {"100 uF", 1e-4}, {"1 mF", 1e-3}, {"10 mF", 0.01}};

template <size_t N>
std::span<const RangeEntry> Span(const RangeEntry (&list)[N]) {
  return list;
}

std::span<const RangeEntry> Table(MeasureFunction f, bool extended) {
  switch (f) {
    case MeasureFunction::DcVoltage:
    case MeasureFunction::DcRatio:
      return kDcVolts;
    case MeasureFunction::DcCurrent:
      return extended ? Span(kDcAmpsExtended) : Span(kDcAmpsBase);
    case MeasureFunction::AcVoltage:
    case MeasureFunction::Frequency:
    case MeasureFunction::Period:
      return extended ? Span(kAcVoltsExtended) : Span(kAcVoltsBase);
    case MeasureFunction::AcCurrent:
      return extended ? Span(kAcAmpsExtended) : Span(kAcAmpsBase);
    case MeasureFunction::Resistance2W:
    case MeasureFunction::Resistance4W:
      return kOhms;
    case MeasureFunction::Continuity:
    case MeasureFunction::Diode:
      return kAutoOnly;
    case MeasureFunction::Temperature:
      return kRtdTypes;
    case MeasureFunction::Thermocouple:
      return extended ? Span(kThermocouplesExtended) : Span(kThermocouplesBase);
    case MeasureFunction::Capacitance:
      return kFarads;
  }
  return {};
}

}  // namespace

bool IsAuto(const RangeEntry& entry) {
  return entry.text == kAutoRange;
}

std::span<const RangeEntry> BaseRanges(MeasureFunction f) {
  return Table(f, false);
}

std::span<const RangeEntry> ExtendedRanges(MeasureFunction f) {
  return Table(f, true);
}

std::vector<RangeEntry> RangeList(MeasureFunction f, MeterVariant variant) {
  const auto table = Table(f, variant != MeterVariant::Basic);
  std::vector<RangeEntry> list(table.begin(), table.end());
  // The model without thermocouple input has no 3 A shunt.
  if (variant == MeterVariant::NoThermocouple) {
    std::erase_if(list, [](const RangeEntry& e) { return e.text == "3 Adc" || e.text == "3 Aac"; });
  }
  return list;
}

std::optional<int> RangeEntryForReading(MeasureFunction f, MeterVariant variant, double reading) {
  const std::vector<RangeEntry> list = RangeList(f, variant);
  const auto position = [&](auto predicate) -> std::optional<int> {
    const auto found = std::find_if(list.begin(), list.end(), predicate);
    if (found == list.end()) return std::nullopt;
    return static_cast<int>(found - list.begin());
  };
  if (variant == MeterVariant::Basic) {
    const bool ac750 =
        (f == MeasureFunction::AcVoltage && reading == 1000) ||
        ((f == MeasureFunction::Frequency || f == MeasureFunction::Period) && reading >= 750);
    if (ac750) return position([](const RangeEntry& e) { return e.text == kAc750Range; });
  }
  return position([&](const RangeEntry& e) { return !IsAuto(e) && e.value == reading; });
}

std::optional<int> SensorEntryForAnswer(MeasureFunction f, MeterVariant variant,
                                        std::string_view answer) {
  const std::vector<RangeEntry> list = RangeList(f, variant);
  const auto found = std::find_if(list.begin(), list.end(), [&](const RangeEntry& e) {
    return variant == MeterVariant::Basic ? answer == e.text
                                          : answer.find(e.text) != std::string_view::npos;
  });
  if (found == list.end()) return std::nullopt;
  return static_cast<int>(found - list.begin());
}

}  // namespace vx::config
