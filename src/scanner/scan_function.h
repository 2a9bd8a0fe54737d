#pragma once
// What a channel of the scanner card measures: the eight rows of the scanner's function
// table, with the name the window shows and the name sent to the card. Currents are
// measured as the voltage across a shunt resistor, so DCI and ACI send the voltage
// functions; four-wire resistance uses channel k and its sense partner k + n/2.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vx::scanner {

// The index is what the window stores per channel and the position in its function list.
enum class ScanFunction { None, Dcv, Acv, Dci, Aci, Freq, TwoWire, FourWire };

inline constexpr int kFunctionCount = 8;

struct ScanFunctionRow {
  ScanFunction function;
  std::string_view shown;  // in the function list and the column headings
  std::string_view scpi;   // in "rout:scan:func"
};

inline constexpr std::array<ScanFunctionRow, kFunctionCount> kScanFunctions{{
    {ScanFunction::None, "None", "NONE"},
    {ScanFunction::Dcv, "DCV", "VOLT:DC"},
    {ScanFunction::Acv, "ACV", "VOLT:AC"},
    {ScanFunction::Dci, "DCI", "VOLT:DC"},
    {ScanFunction::Aci, "ACI", "VOLT:AC"},
    {ScanFunction::Freq, "Freq", "FREQ"},
    {ScanFunction::TwoWire, "2W", "RES"},
    {ScanFunction::FourWire, "4W", "FRES"},
}};

inline int IndexOf(ScanFunction f) {
  return static_cast<int>(f);
}
std::string_view ShownName(ScanFunction f);
std::string_view ScpiName(ScanFunction f);
// The function at a function-list position; None for a position outside the table.
ScanFunction FunctionAt(int index);

inline bool IsCurrent(ScanFunction f) {
  return f == ScanFunction::Dci || f == ScanFunction::Aci;
}
// The voltage function a current channel is measured with when it has no shunt (R = 0).
ScanFunction WithoutShunt(ScanFunction f);

// The function a card's answer to "Rout:scan:func? %d" names: quotes and line feeds are
// removed; "VOLT" or "CURR" alone means its DC form; the first row whose card name equals
// the answer gives the function (so "VOLT:DC" is DCV, never DCI), else the first row whose
// shown name equals it, else None.
ScanFunction FunctionFromCardAnswer(std::string_view answer);

// The function a shown name stands for, without regard to case ("dci", "4w"); none for
// any other text.
std::optional<ScanFunction> FunctionFromShownName(std::string_view name);

}  // namespace vx::scanner
