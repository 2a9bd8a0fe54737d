#include "scanner/scanner_query.h"

#include "instrument/display_name.h"
#include "visa/status_text.h"

namespace vx::scanner {

std::string ScannerAnswer(instrument::DeviceTable& table, int device, std::string_view command) {
  return table.SendLongQuery(device, command, instrument::LongAnswerForm::RemoveLineFeeds);
}

QueryFunction ScannerQuery(instrument::DeviceTable& table, int device) {
  return
      [&table, device](std::string_view command) { return ScannerAnswer(table, device, command); };
}

std::string MeterGoneText(const instrument::DeviceTable& table, int device) {
  const ViStatus status = table.LastStatus(device);
  if (!instrument::IsUnreachable(status)) return {};
  const std::string name =
      instrument::MakeDisplayName(table.MeterResource(device), table.MeterIdentity(device));
  return name + ": " + std::string(visa::StatusMeaning(status)) + " (" +
         std::string(visa::StatusName(status)) + ") The scan has ended.";
}

}  // namespace vx::scanner
