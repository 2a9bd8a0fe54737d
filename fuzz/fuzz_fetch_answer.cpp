// Feeds arbitrary fetch answers to the results grid's filler. The first byte picks the
// timing and the number of active channels, the second the readings asked for. Whatever the
// answer holds, the fill must stay within the rows of its pass, keep every cell within 13
// characters and account for every value in it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scanner/results_fill.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::scanner;
  if (size < 2) return 0;
  PassLayout pass;
  pass.timing = (data[0] & 0x80)   ? RunTiming::PerScan
                : (data[0] & 0x40) ? RunTiming::StopAfterN
                                   : RunTiming::Plain;
  pass.channels = 20;
  const int active = 1 + data[0] % 20;
  for (int k = 0; k < active; ++k) pass.active.push_back(k);
  pass.perPass = active;
  pass.total = pass.timing == RunTiming::PerScan ? active : data[1] * 16;
  pass.scanCount = pass.total;
  pass.channelSettings.assign(20, ChannelSetting{ScanFunction::Dcv});
  pass.channelSettings[0] = {ScanFunction::Dci, 1e-300, 5};
  pass.channelSettings[1] = {ScanFunction::Aci, -3, 0};
  const std::string_view answer(reinterpret_cast<const char*>(data + 2), size - 2);

  ResultsGrid grid;
  GridState state;
  for (int fill = 0; fill < 2; ++fill) {
    const int firstRow = state.headerValid ? state.nextRow : 1;
    const FillOutcome outcome = FillResults(grid, state, pass, answer);
    const long fields = answer.empty()
                            ? 0
                            : static_cast<long>(std::count(answer.begin(), answer.end(), ',')) +
                                  (answer.back() == ',' ? 0 : 1);
    if (outcome.values != fields) std::abort();
    if (outcome.missing != std::max<long>(0, pass.total - fields)) std::abort();
    if (grid.Columns() != active + 2) std::abort();
    const int passRows =
        (pass.timing == RunTiming::PerScan ? pass.perPass : pass.total) / active + 2;
    if (grid.Rows() > firstRow + passRows) std::abort();
    if (outcome.rowsWritten > grid.Rows()) std::abort();
    for (int r = 1; r < grid.Rows(); ++r) {
      for (int c = 2; c < grid.Columns(); ++c) {
        if (grid.Cell(r, c).size() > 13) std::abort();
      }
    }
  }
  return 0;
}
