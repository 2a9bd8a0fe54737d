#include "panel/function_line.h"

#include <array>

#include "common/c_number.h"
#include "common/measurement_tables.h"

namespace vx::panel {
namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool ContainsAny(std::string_view text, std::initializer_list<std::string_view> parts) {
  for (const std::string_view part : parts) {
    if (Contains(text, part)) return true;
  }
  return false;
}

// The FunctionTable row whose SCPI function begins the function text, first match wins
// ("FRES" is the four-wire row, never the two-wire "RES"); -1 when none does.
int FunctionRow(std::string_view functionText) {
  for (size_t row = 0; row < FunctionTable.size(); ++row) {
    if (functionText.substr(0, FunctionTable[row].scpi.size()) == FunctionTable[row].scpi) {
      return static_cast<int>(row);
    }
  }
  return -1;
}

constexpr int kRatioRow = 12;
constexpr int kDcVoltsRow = 0;
constexpr int kLastRangedRow = 7;
constexpr int kContinuityRow = 8;
constexpr int kDiodeRow = 9;
constexpr int kTemperatureRow = 10;
constexpr int kThermocoupleRow = 11;

// The label of capacitance, which has no FunctionTable row.
constexpr std::string_view kCapacitanceLabel = "CAP";

// Step 3: whether the range is automatic; std::nullopt stops the rebuild.
std::optional<bool> AskAutoRange(const QueryFunction& query, std::string_view function,
                                 std::string_view identity) {
  std::string question;
  if (Contains(function, "VOLT:RAT")) {
    question = Contains(identity, "Q7110") || Contains(identity, "Q7111")
                   ? "VOLT:DC:RAT:RANG:AUTO?\n"
                   : "VOLT:DC:RANG:AUTO?\n";
  } else if (ContainsAny(function, {"CURR", "VOLT", "FRES", "RES", "PER", "FREQ", "CAP"})) {
    if (Contains(function, "RAT")) return std::nullopt;
    question = std::string(function) + ":RANGe:AUTO?\n";
  } else if (ContainsAny(function, {"CONT", "DIOD", "TEMP", "TCO"})) {
    return false;
  } else {
    return std::nullopt;
  }
  return Contains(query(question), "1");
}

std::string RangedLine(const QueryFunction& query, std::string function, int row, bool autoRange) {
  if (row == kRatioRow) {
    row = kDcVoltsRow;
    function = "VOLT:DC";
  }
  const std::string text = RangeText(LeadingNumber(query(function + ":range?\n")));
  if (autoRange) return "Range : AUTO";
  if (text == "1K" &&
      (function == "FREQ:VOLT" || function == "PER:VOLT" || function == "VOLT:AC")) {
    return "Range : 750 VAC";  // the 750 V range reports itself as 1000
  }
  return "Range : " + text + "  " + std::string(FunctionTable[static_cast<size_t>(row)].unit);
}

}  // namespace

std::string NormaliseFunctionAnswer(std::string_view answer) {
  if (answer == "VOLT") return "VOLT:DC";
  if (answer == "CURR") return "CURR:DC";
  if (answer == "FREQ") return "FREQ:VOLT";
  if (answer == "PER") return "PER:VOLT";
  return std::string(answer);
}

std::string RangeText(double r) {
  if (r < 1) return FormatC("%.0fm", r * 1000);
  if (r >= 1000000) return FormatC("%.0fM", r * 0.000001);
  if (r >= 1000) return FormatC("%.0fK", r * 0.001);
  return FormatC("%.0f", r);
}

std::string CapacitanceRangeText(double c) {
  if (c <= 1e-7) return FormatC("%.0f n", c * 1e9);
  if (c <= 1e-4) return FormatC("%.0f u", c * 1e6);
  if (c > 0.01) return FormatC("%.0f", c);
  return FormatC("%.0f m", c * 1000);
}

std::optional<FunctionLines> BuildFunctionLines(const QueryFunction& query,
                                                std::string_view identity, bool autoRange) {
  const std::string answer = query("func?\n");
  if (answer.empty()) return std::nullopt;
  const std::string function = NormaliseFunctionAnswer(answer);

  const std::optional<bool> automatic = AskAutoRange(query, function, identity);
  if (!automatic) return std::nullopt;

  const int row = FunctionRow(function);
  const bool capacitance = function.rfind("CAP", 0) == 0;
  if (row < 0 && !capacitance) return std::nullopt;

  FunctionLines lines;
  lines.function =
      "Function : " +
      std::string(row >= 0 ? FunctionTable[static_cast<size_t>(row)].label : kCapacitanceLabel);
  if (capacitance) {
    const std::string text = CapacitanceRangeText(LeadingNumber(query("sens:cap:rang?\n")));
    lines.range = autoRange ? "Range : AUTO" : "Range : " + text + "F";
  } else if (row <= kLastRangedRow || row == kRatioRow) {
    lines.range = RangedLine(query, function, row, autoRange);
  } else if (row == kContinuityRow || row == kDiodeRow) {
    lines.range.clear();
  } else if (row == kTemperatureRow) {
    lines.range = "Type : " + query("SENS:TEMP:RTD:TYPE?\n");
  } else if (row == kThermocoupleRow) {
    lines.range = "Type : " + query("SENS:TCO:TYPE?\n");
  }
  if (*automatic) lines.range = "Range : AUTO";
  return lines;
}

}  // namespace vx::panel
