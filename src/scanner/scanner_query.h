#pragma once
// The scanner's own query routine: a command line to the selected meter and, for a query,
// its whole answer, read in blocks of 1024 bytes for as long as a block comes back full (a
// fetch answer of 2000 readings is about 32 000 bytes), with every line feed removed and
// trailing white space trimmed. Double quotes stay in the answer: the card quotes its
// function names. The scanner's sessions wait 30 s for an answer (kScannerScan).

#include "instrument/device_table.h"
#include "scanner/scan_setup.h"

namespace vx::scanner {

// Sends `command` to listed meter `device` of `table` and returns the answer of a query.
std::string ScannerAnswer(instrument::DeviceTable& table, int device, std::string_view command);

// The same for a fixed meter; `table` must outlive the function.
QueryFunction ScannerQuery(instrument::DeviceTable& table, int device);

// When listed meter `device` is gone (its last exchange found the connection lost, or no
// listener on its GPIB bus): its display name, what the status means and the status, and
// that the scan has ended. Empty while it is there.
std::string MeterGoneText(const instrument::DeviceTable& table, int device);

}  // namespace vx::scanner
