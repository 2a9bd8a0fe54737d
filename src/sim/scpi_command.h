#pragma once
// SCPI syntax as the simulated meter reads it: splitting a line into commands, a header into
// its nodes (each reduced to a keyword id, so that short form, long form and any letter case
// give the same result), and the parameter forms (numbers, booleans, character data, strings).
// No allocation: everything works on views of the caller's line.

#include <array>
#include <cstdint>
#include <string_view>

namespace vx::sim {

// Every keyword the meter knows. The spelling table (long form with its short form in upper
// case, as SCPI writes it) is in scpi_command.cpp.
enum class Kw : std::uint8_t {
  None,
  Sense,
  Voltage,
  Current,
  Resistance,
  FResistance,
  Frequency,
  Period,
  Continuity,
  Diode,
  Temperature,
  TCouple,
  Ratio,
  Capacitance,
  Dc,
  Ac,
  Range,
  Auto,
  Upper,
  Aperture,
  Detector,
  Bandwidth,
  NPLCycles,
  Resolution,
  Function,
  Route,
  State,
  Count,
  Timer,
  Step,
  Scan,
  Start,
  Sample,
  Trigger,
  Source,
  Delay,
  Initiate,
  Immediate,
  Abort,
  System,
  Error,
  Next,
  Version,
  Fetch,
  Read,
  Configure,
  Measure,
  Unit,
  Type,
  Alpha,
  Beta,
  Delta,
  RZero,
  Rtd,
  Sprtd,
  A4,
  B4,
  Ax,
  Bx,
  Cx,
  Count_  // number of keywords
};

// A command header reduced to keyword ids.
struct Header {
  static constexpr int kMaxNodes = 8;
  bool common = false;         // "*IDN?" and the other IEEE 488.2 common commands
  std::array<char, 4> name{};  // common command name in upper case ("IDN"), NUL-padded
  bool query = false;          // ends with "?"
  int count = 0;               // number of nodes
  std::array<Kw, kMaxNodes> nodes{};
  std::array<std::uint8_t, kMaxNodes> suffix{};  // numeric suffix of a node ("FUNC2"), 0 if none

  Kw At(int i) const { return i < count ? nodes[static_cast<size_t>(i)] : Kw::None; }
  bool CommonIs(const char* three) const {
    return common && name[0] == three[0] && name[1] == three[1] && name[2] == three[2] &&
           name[3] == '\0';
  }
};

enum class HeaderResult { Ok, Undefined, Syntax };

// Parses a header such as ":SENS:VOLT:DC:RANG?" (no parameters, no white space).
HeaderResult ParseHeader(std::string_view text, Header& header);

// The keyword whose SCPI spelling (long form, short form in capitals) is exactly `mixed`
// ("VOLTage"); Kw::None when the vocabulary has no such spelling.
Kw KeywordOfSpelling(std::string_view mixed);

// Splits off the next command of a line at ";" (outside quotes). Returns false at the end.
bool NextCommand(std::string_view& rest, std::string_view& command);

// Splits a command into its header and its parameter text (both trimmed).
void SplitHeader(std::string_view command, std::string_view& header, std::string_view& params);

// Splits off the next parameter at "," (outside quotes), trimmed. Returns false at the end.
bool NextParameter(std::string_view& rest, std::string_view& parameter);

// A decimal number (optional sign, digits, point, exponent) that fills the whole text.
bool ParseNumber(std::string_view text, double& value);
// SCPI boolean: ON, OFF or a number (0 is false, anything else true).
bool ParseBoolean(std::string_view text, bool& value);
// Character data compared with a SCPI keyword given in mixed case ("MINimum"): the short form
// or the long form, without regard to case.
bool MatchesKeyword(std::string_view text, std::string_view mixedCaseKeyword);
// Removes one pair of enclosing double or single quotes.
std::string_view Unquote(std::string_view text);

bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace vx::sim
