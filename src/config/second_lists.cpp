#include "config/second_lists.h"

#include <array>
#include <span>

#include "common/c_number.h"

namespace vx::config {
namespace {

constexpr std::array<CaptionText, 6> kBasicResolutionNames{{{"99", "Fast 4 Digits"},
                                                            {"100", "Slow 4 Digits"},
                                                            {"101", "Fast 5 Digits"},
                                                            {"102", "Slow 5 Digits"},
                                                            {"103", "Fast 6 Digits"},
                                                            {"104", "Slow 6 Digits"}}};
constexpr std::array<std::string_view, 6> kBasicResolutionValues{"0.02", "0.1", "0.1",
                                                                 "1",    "1",   "10"};
constexpr std::array<std::string_view, 6> kHewlettResolutionValues{"0.02", "1",  "0.2",
                                                                   "10",   "10", "100"};

constexpr SecondEntry kFullResolutions[] = {
    {{"", "0.001 PLC"}, "0.001"}, {{"", "0.006 PLC"}, "0.006"}, {{"", "0.02 PLC"}, "0.02"},
    {{"", "0.06 PLC"}, "0.06"},   {{"", "0.2 PLC"}, "0.2"},     {{"", "0.6 PLC"}, "0.6"},
    {{"", "1 PLC"}, "1"},         {{"", "2 PLC"}, "2"},         {{"", "10 PLC"}, "10"},
    {{"", "100 PLC"}, "100"}};
constexpr SecondEntry kBasicFilters[] = {
    {{"96", "Slow"}, "3"}, {{"97", "Medium"}, "20"}, {{"98", "Fast"}, "200"}};
constexpr SecondEntry kFullFilters[] = {
    {{"", "3 HZ"}, "3"}, {{"", "20 HZ"}, "20"}, {{"", "200 HZ"}, "200"}};
constexpr SecondEntry kBasicUnits[] = {
    {{"105", "\u00b0 C"}, "C"}, {{"106", "\u00b0 F"}, "F"}, {{"107", "K"}, "K"}};
constexpr SecondEntry kFullUnits[] = {{{"", "C"}, "C"}, {{"", "F"}, "F"}, {{"", "K"}, "K"}};
constexpr SecondEntry kApertures[] = {
    {{"", "0.01 Sec"}, "0.01"}, {{"", "0.1 Sec"}, "0.1"}, {{"", "1 Sec"}, "1"}};

std::vector<SecondEntry> BasicResolutions(bool hewlett) {
  const auto& values = hewlett ? kHewlettResolutionValues : kBasicResolutionValues;
  std::vector<SecondEntry> entries;
  for (size_t i = 0; i < values.size(); ++i)
    entries.push_back({kBasicResolutionNames[i], values[i]});
  return entries;
}

std::vector<SecondEntry> Copy(std::span<const SecondEntry> entries) {
  return {entries.begin(), entries.end()};
}

}  // namespace

std::vector<SecondEntry> SecondList(MeasureFunction f, MeterVariant variant, bool hewlett) {
  const bool basic = variant == MeterVariant::Basic;
  switch (Info(f).secondKind) {
    case SecondKind::Resolution:
      return basic ? BasicResolutions(hewlett) : Copy(kFullResolutions);
    case SecondKind::Filter:
      return Copy(basic ? std::span<const SecondEntry>(kBasicFilters)
                        : std::span<const SecondEntry>(kFullFilters));
    case SecondKind::Unit:
      return Copy(basic ? std::span<const SecondEntry>(kBasicUnits)
                        : std::span<const SecondEntry>(kFullUnits));
    case SecondKind::Aperture:
      return Copy(kApertures);
    case SecondKind::None:
      break;
  }
  return {};
}

std::optional<int> SecondEntryForReading(const std::vector<SecondEntry>& entries, double reading) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (LeadingNumber(entries[i].value) == reading) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::optional<int> UnitEntryForAnswer(const std::vector<SecondEntry>& entries,
                                      std::string_view answer) {
  for (const std::string_view unit : {"C", "F", "K"}) {
    if (answer.find(unit) == std::string_view::npos) continue;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].value == unit) return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

}  // namespace vx::config
