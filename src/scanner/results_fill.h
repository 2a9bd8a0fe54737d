#pragma once
// Filling the results grid from the card's fetch answer: one row per pass over the active
// channels, the readings in the answer's order, comma-separated.
//
// A reading "+9.90000000E+37" or "+9.9E37" (the card's two overload spellings) shows as
// "OVLD"; any other is written "%.8f", and in a current column (heading DCI or ACI) whose
// channel has a shunt the value shown is reading / R + offset; the cell keeps the first 13
// characters. A value that is not a number leaves its cell empty. An answer never fills
// more rows than the layout gives the pass: a short answer fills what it holds and the
// outcome says how many readings were missing.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/local_time.h"
#include "scanner/results_grid.h"
#include "scanner/scan_setup.h"

namespace vx::scanner {

enum class RunTiming { Plain, StopAfterN, PerScan };

// The pass whose readings are filled in.
struct PassLayout {
  RunTiming timing = RunTiming::Plain;
  int channels = 0;         // n, the card's channel count
  int scanCount = 0;        // Scan count of a plain run
  int total = 0;            // readings the card was asked for
  int perPass = 0;          // d, readings per pass
  std::vector<int> active;  // channel indexes (0-based) that yield readings, in order
  std::vector<ChannelSetting> channelSettings;  // every channel's function and shunt
  LocalDateTime startTime;                      // when the pass was started: the "Time" column
};

// What the grid keeps between passes: whether the header matches the channel functions,
// and the first free data row (PerScan passes append).
struct GridState {
  bool headerValid = false;
  int nextRow = 1;
};

struct FillOutcome {
  int rowsWritten = 0;
  int values = 0;      // values in the answer
  int missing = 0;     // readings asked for that the answer did not hold
  int unreadable = 0;  // values that were not numbers (their cells stay empty)
  int surplus = 0;     // values beyond the rows of the pass (not shown)
};

// The heading of a channel column: "CH%d(%s)", channel number from 1 and the shown name.
std::string ChannelHeading(int channel, ScanFunction function);

// The text a reading shows in a column headed `heading`, or none when `value` is no number.
std::optional<std::string> ReadingText(std::string_view value, std::string_view heading,
                                       const ChannelSetting& channel);

FillOutcome FillResults(ResultsGrid& grid, GridState& state, const PassLayout& pass,
                        std::string_view answer);

// What a fill with readings missing, unreadable or surplus tells the user; "" when all is well.
std::string FillNotice(const FillOutcome& outcome);

}  // namespace vx::scanner
