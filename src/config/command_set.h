#pragma once
// The SCPI command lines with which the configuration dialogs write a setting and read it
// back. Every line carries its own line feed; numbers are written in the C locale with the
// precision the meter's firmware expects (twelve decimals for a range, one for a signal
// range, fifteen for a sensor coefficient).

#include <string>
#include <string_view>

namespace vx::config::command {

inline constexpr std::string_view kFunctionQuery = "func?\n";

std::string Configure(std::string_view mnemonic);  // "CONF:%s"

// Range of most functions; `mnemonic` as written by the dialog.
std::string AutoRangeOn(std::string_view mnemonic);               // "SENS:%s:RANG:AUTO 1"
std::string AutoRangeQuery(std::string_view mnemonic);            // "SENS:%s:RANG:AUTO?"
std::string AutoRangeOff(std::string_view mnemonic);              // "SENS:%s:RANGE:AUTO 0"
std::string FixedRange(std::string_view mnemonic, double value);  // "SENS:%s:RANGE %.12f"
std::string RangeQuery(std::string_view mnemonic);                // "SENS:%s:RANGE?"

// The same questions as the read-back asks them, with the meter's own "func?" answer.
std::string ReadBackAutoQuery(std::string_view functionAnswer);   // "%s:range:auto?"
std::string ReadBackRangeQuery(std::string_view functionAnswer);  // "%s:range?"

// DC ratio of the extended models, which keep its range apart from DC volts.
inline constexpr std::string_view kRatioAutoRangeOn = "SENS:VOLT:DC:RAT:RANGE:AUTO 1\n";
inline constexpr std::string_view kRatioAutoRangeOff = "SENS:VOLT:DC:RAT:RANGE:AUTO 0\n";
inline constexpr std::string_view kRatioAutoRangeQuery = "SENS:VOLT:DC:RAT:RANGE:AUTO?\n";
inline constexpr std::string_view kRatioRangeQuery = "SENS:VOLT:DC:RAT:RANGE?\n";
std::string RatioFixedRange(double value);  // "SENS:VOLT:DC:RAT:RANGE %.12f"

// Signal-voltage range of frequency and period.
std::string SignalRange(std::string_view mnemonic, double value);  // "SENS:%s:volt:rang %.1f"
std::string SignalAutoRange(std::string_view mnemonic);            // "SENS:%s:volt:rang:auto on"
std::string SignalAutoRangeQuery(std::string_view mnemonic);       // "SENS:%s:volt:rang:auto?"
std::string SignalRangeQuery(std::string_view mnemonic);           // "SENS:%s:volt:rang?"

// Gate time of frequency and period alike.
std::string Aperture(std::string_view value);  // "SENS:freq:APER %s"
inline constexpr std::string_view kApertureQuery = "SENS:FREQ:APER?\n";

// Integration time.
std::string Nplc(std::string_view mnemonic, std::string_view value);  // "SENS:%s:NPLC %s"
std::string NplcQuery(std::string_view mnemonic);                     // "SENS:%s:NPLC?"
std::string RatioNplc(std::string_view value);                        // "SENS:VOLT:DC:RAT:NPLC %s"
inline constexpr std::string_view kRatioNplcQuery = "SENS:VOLT:DC:RAT:NPLC?\n";

// AC detector bandwidth.
std::string Bandwidth(std::string_view value);  // "SENS:DET:BAND %s"
inline constexpr std::string_view kBandwidthQuery = "SENS:DET:BAND?\n";

// Temperature.
std::string Unit(std::string_view unit);  // "SENS:UNIT %s"
inline constexpr std::string_view kUnitQuery = "SENS:UNIT?\n";
std::string RtdType(std::string_view type);  // "SENS:TEMP:RTD:TYPE %s"
inline constexpr std::string_view kRtdTypeQuery = "SENS:TEMP:RTD:TYPE?\n";
std::string ThermocoupleType(std::string_view type);  // "SENS:TCO:TYPE %s"
inline constexpr std::string_view kThermocoupleTypeQuery = "SENS:TCO:TYPE?\n";
// A sensor coefficient: `header` such as "SENS:TEMP:RTD:ALPH", the value with 15 decimals.
std::string Coefficient(std::string_view header, double value);
std::string CoefficientQuery(std::string_view header);  // "%s?"

}  // namespace vx::config::command
