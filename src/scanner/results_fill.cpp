#include "scanner/results_fill.h"

#include <algorithm>

#include "common/c_number.h"

namespace vx::scanner {
namespace {

constexpr size_t kCellCharacters = 13;
constexpr int kRowNumberWidth = 600;
constexpr int kTimeWidth = 1600;
constexpr int kChannelWidth = 1580;

bool IsOverload(std::string_view value) {
  return value == "+9.90000000E+37" || value == "+9.9E37" || value == "+9.9E37\n";
}

bool IsCurrentHeading(std::string_view heading) {
  return heading.find("DCI", 1) != std::string_view::npos ||
         heading.find("ACI", 1) != std::string_view::npos;
}

void WriteHeader(ResultsGrid& grid, const PassLayout& pass) {
  grid.SetColumnWidth(0, kRowNumberWidth);
  grid.SetColumnWidth(1, kTimeWidth);
  grid.SetCell(0, 1, "Time");
  for (size_t j = 0; j < pass.active.size(); ++j) {
    const int k = pass.active[j];
    const int column = static_cast<int>(j) + 2;
    grid.SetCell(0, column,
                 ChannelHeading(k + 1, pass.channelSettings[static_cast<size_t>(k)].function));
    grid.SetColumnWidth(column, kChannelWidth);
    grid.SetHeaderCentred(column, true);
  }
}

// The rows a pass takes: one per pass over the active channels, the last one partly filled
// when the readings do not divide evenly.
int RowsFor(const PassLayout& pass, int active, int nextRow) {
  const int readings = pass.timing == RunTiming::PerScan ? pass.perPass : pass.total;
  const int rows = readings / active + (readings % active != 0 ? 1 : 0);
  return rows + (pass.timing == RunTiming::PerScan ? nextRow : 1);
}

// Prepares the rows of this pass: a new header when the functions changed, the earlier
// passes of a PerScan run kept above the next free row, and nothing of an earlier run left
// in the rows this pass fills.
void PrepareRows(ResultsGrid& grid, GridState& state, const PassLayout& pass) {
  if (!state.headerValid) {
    grid.SetRows(1);
    WriteHeader(grid, pass);
    state.nextRow = 1;
  }
  if (pass.timing == RunTiming::Plain && pass.scanCount < pass.channels) {
    grid.SetRows(1);
  } else if (pass.timing == RunTiming::PerScan && grid.Rows() > 2 && state.nextRow != 1) {
    grid.SetRows(state.nextRow);
  } else {
    grid.SetRows(2);
    if (grid.Cell(1, 0) != "1") grid.ClearRow(1);
    WriteHeader(grid, pass);
  }
  for (int row = state.nextRow; row < grid.Rows(); ++row) grid.ClearRow(row);
}

}  // namespace

std::string ChannelHeading(int channel, ScanFunction function) {
  const std::string_view name = ShownName(function);
  return FormatC("CH%d(%.*s)", channel, static_cast<int>(name.size()), name.data());
}

std::optional<std::string> ReadingText(std::string_view value, std::string_view heading,
                                       const ChannelSetting& channel) {
  if (IsOverload(value)) return std::string("OVLD");
  std::optional<double> number = LeadingDecimal(value);
  if (!number) return std::nullopt;
  if (IsCurrentHeading(heading) && channel.r != 0) *number = *number / channel.r + channel.offset;
  std::string text = FormatC("%.8f", *number);
  if (text.size() > kCellCharacters) text.resize(kCellCharacters);
  return text;
}

FillOutcome FillResults(ResultsGrid& grid, GridState& state, const PassLayout& pass,
                        std::string_view answer) {
  FillOutcome outcome;
  const int active = static_cast<int>(pass.active.size());
  if (active == 0) return outcome;
  grid.SetColumns(active + 2);
  PrepareRows(grid, state, pass);
  grid.SetRows(RowsFor(pass, active, state.nextRow));

  const std::string time =
      FormatC("%d:%d:%d", pass.startTime.hour, pass.startTime.minute, pass.startTime.second);
  // A comma that ends the answer ends its last value; it opens no further one.
  const bool holdsValues = !answer.empty();
  if (answer.ends_with(',')) answer.remove_suffix(1);
  size_t position = 0;
  for (int i = 0; holdsValues && position <= answer.size(); ++i) {
    const size_t comma = answer.find(',', position);
    const std::string_view value =
        answer.substr(position, comma == std::string_view::npos ? comma : comma - position);
    position = comma == std::string_view::npos ? answer.size() + 1 : comma + 1;
    ++outcome.values;
    const int row = state.nextRow + i / active;
    const int slot = i % active;
    if (row >= grid.Rows()) {
      ++outcome.surplus;
      continue;
    }
    if (slot == 0) {
      grid.SetCell(row, 0, FormatC("%d", row));
      grid.SetCell(row, 1, time);
      ++outcome.rowsWritten;
    }
    const int column = slot + 2;
    const int channel = pass.active[static_cast<size_t>(slot)];
    std::optional<std::string> text = ReadingText(
        value, grid.Cell(0, column), pass.channelSettings[static_cast<size_t>(channel)]);
    if (text) {
      grid.SetCell(row, column, std::move(*text));
    } else {
      ++outcome.unreadable;
    }
  }
  outcome.missing = std::max(0, pass.total - outcome.values);
  if (pass.timing == RunTiming::PerScan && grid.Rows() > 1) state.nextRow += outcome.rowsWritten;
  state.headerValid = true;
  return outcome;
}

std::string FillNotice(const FillOutcome& outcome) {
  std::string notice;
  const auto add = [&notice](const std::string& sentence) {
    notice += (notice.empty() ? "" : " ") + sentence;
  };
  if (outcome.missing > 0) {
    add(FormatC("The meter's answer held %d of the %d readings: %d readings are missing.",
                outcome.values, outcome.values + outcome.missing, outcome.missing));
  }
  if (outcome.unreadable > 0) {
    add(FormatC("%d values in the meter's answer were not readings; their cells are empty.",
                outcome.unreadable));
  }
  if (outcome.surplus > 0) {
    add(
        FormatC("The meter's answer held %d readings more than the run asked for; they are "
                "not shown.",
                outcome.surplus));
  }
  return notice;
}

}  // namespace vx::scanner
