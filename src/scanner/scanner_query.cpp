#include "scanner/scanner_query.h"

namespace vx::scanner {

std::string ScannerAnswer(instrument::DeviceTable& table, int device, std::string_view command) {
  return table.SendLongQuery(device, command, instrument::LongAnswerForm::RemoveLineFeeds);
}

QueryFunction ScannerQuery(instrument::DeviceTable& table, int device) {
  return
      [&table, device](std::string_view command) { return ScannerAnswer(table, device, command); };
}

}  // namespace vx::scanner
