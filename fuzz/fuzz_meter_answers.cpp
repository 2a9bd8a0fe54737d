// Feeds arbitrary meter answers to every parser of them: the leading-number conversion, the
// front panel's reading classifier, the multiple readings' burst answer, the coefficient
// fields, and the device settings' checks and read-back (each line of the input answers one
// query). Nothing may crash or read past the answer; a coefficient text that parses must
// print back as the same number.
//
// The leading-number conversion is being narrowed to decimal numbers; the properties here
// hold either way.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/c_number.h"
#include "common/scripted_prompter.h"
#include "config/answer_checks.h"
#include "config/device_settings_controller.h"
#include "config/range_lists.h"
#include "config/sensor_coefficients.h"
#include "panel/reading_classifier.h"
#include "records/multiple/reading_burst.h"

namespace {

std::vector<std::string_view> Lines(std::string_view input) {
  std::vector<std::string_view> lines;
  while (!input.empty() && lines.size() < 16) {
    const size_t end = input.find('\n');
    lines.push_back(input.substr(0, end));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  return lines;
}

constexpr const char* kIdentities[] = {"TOLVEX,W9-90/1,1,Q7110 1.05", "TOLVEX,W9-90/1,1,Q7111 1.05",
                                       "TOLVEX,W9-90/1,1,Q7100 1.02"};
constexpr const char* kFunctions[] = {"\"VOLT\"\n", "CONF:DIOD\n", "\"CONT\"", "\"TEMP\"", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The answer exactly as long as the input, so that reading past it is caught.
  const std::string_view answer(reinterpret_cast<const char*>(data), size);
  const std::uint8_t pick = size > 0 ? data[0] : 0;

  vx::LeadingNumber(answer);
  vx::LeadingInteger(answer);
  vx::panel::ClassifyReading(answer, kFunctions[pick % std::size(kFunctions)]);
  vx::records::ReadingFromAnswer(answer);
  vx::records::ParseBurstCount(answer);

  if (const auto value = vx::config::ParseCoefficientText(answer)) {
    const auto again = vx::config::ParseCoefficientText(vx::config::CoefficientText(*value));
    if (!again || (*again != *value && !(std::isnan(*again) && std::isnan(*value)))) std::abort();
  }

  const auto variant = static_cast<vx::config::MeterVariant>(pick % 3);
  vx::config::AutoRangeConfirmed(answer);
  vx::config::UnitConfirmed(answer, "C");
  vx::config::RtdTypeConfirmed(answer, "PT100");
  vx::config::ThermocoupleTypeConfirmed(answer, "K", variant);
  for (const auto& entry : vx::config::RangeList(vx::config::MeasureFunction::DcVoltage, variant)) {
    vx::config::FixedRangeConfirmed(answer, vx::config::MeasureFunction::DcVoltage, variant, entry);
  }

  // A read-back whose every query gets the next line of the input.
  const std::vector<std::string_view> lines = Lines(answer);
  size_t next = 0;
  vx::ScriptedPrompter prompter;
  vx::config::DeviceSettingsController controller(
      kIdentities[pick % std::size(kIdentities)],
      [&](std::string_view) {
        return next < lines.size() ? std::string(lines[next++]) : std::string();
      },
      prompter);
  controller.ReadBack();
  return 0;
}
