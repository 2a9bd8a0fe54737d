#include "config/answer_checks.h"

#include <string>

#include "common/c_number.h"

namespace vx::config {

bool AutoRangeConfirmed(std::string_view answer) {
  return WithoutQuotesAndLineFeeds(answer).find('1') != std::string::npos;
}

bool FixedRangeConfirmed(std::string_view answer, MeasureFunction f, MeterVariant variant,
                         const RangeEntry& sent) {
  const std::optional<double> reported = LeadingDecimal(WithoutQuotesAndLineFeeds(answer));
  if (!reported) return false;
  if (*reported == sent.value) return true;
  return variant == MeterVariant::Basic && f == MeasureFunction::AcVoltage &&
         sent.text == kAc750Range && *reported == 1000;
}

bool UnitConfirmed(std::string_view answer, std::string_view unit) {
  return WithoutQuotesAndLineFeeds(answer).find(unit) != std::string::npos;
}

bool RtdTypeConfirmed(std::string_view answer, std::string_view type) {
  return WithoutQuotesAndLineFeeds(answer).find(type) != std::string::npos;
}

bool ThermocoupleTypeConfirmed(std::string_view answer, std::string_view type,
                               MeterVariant variant) {
  const std::string text = WithoutQuotesAndLineFeeds(answer);
  if (variant == MeterVariant::Basic) return text == type;
  return text.find(type) != std::string::npos;
}

}  // namespace vx::config
