#include "config/command_set.h"

#include "common/c_number.h"

namespace vx::config::command {
namespace {

// FormatC takes C strings; the views here are not NUL-terminated.
std::string S(std::string_view text) {
  return std::string(text);
}

}  // namespace

std::string Configure(std::string_view mnemonic) {
  return FormatC("CONF:%s\n", S(mnemonic).c_str());
}

std::string AutoRangeOn(std::string_view mnemonic) {
  return FormatC("SENS:%s:RANG:AUTO 1\n", S(mnemonic).c_str());
}

std::string AutoRangeQuery(std::string_view mnemonic) {
  return FormatC("SENS:%s:RANG:AUTO?\n", S(mnemonic).c_str());
}

std::string AutoRangeOff(std::string_view mnemonic) {
  return FormatC("SENS:%s:RANGE:AUTO 0\n", S(mnemonic).c_str());
}

std::string FixedRange(std::string_view mnemonic, double value) {
  return FormatC("SENS:%s:RANGE %.12f\n", S(mnemonic).c_str(), value);
}

std::string RangeQuery(std::string_view mnemonic) {
  return FormatC("SENS:%s:RANGE?\n", S(mnemonic).c_str());
}

std::string ReadBackAutoQuery(std::string_view functionAnswer) {
  return FormatC("%s:range:auto?\n", S(functionAnswer).c_str());
}

std::string ReadBackRangeQuery(std::string_view functionAnswer) {
  return FormatC("%s:range?\n", S(functionAnswer).c_str());
}

std::string RatioFixedRange(double value) {
  return FormatC("SENS:VOLT:DC:RAT:RANGE %.12f\n", value);
}

std::string SignalRange(std::string_view mnemonic, double value) {
  return FormatC("SENS:%s:volt:rang %.1f\n", S(mnemonic).c_str(), value);
}

std::string SignalAutoRange(std::string_view mnemonic) {
  return FormatC("SENS:%s:volt:rang%s\n", S(mnemonic).c_str(), ":auto on");
}

std::string SignalAutoRangeQuery(std::string_view mnemonic) {
  return FormatC("SENS:%s:volt:rang:auto?\n", S(mnemonic).c_str());
}

std::string SignalRangeQuery(std::string_view mnemonic) {
  return FormatC("SENS:%s:volt:rang?\n", S(mnemonic).c_str());
}

std::string Aperture(std::string_view value) {
  return FormatC("SENS:freq:APER %s\n", S(value).c_str());
}

std::string Nplc(std::string_view mnemonic, std::string_view value) {
  return FormatC("SENS:%s:NPLC %s\n", S(mnemonic).c_str(), S(value).c_str());
}

std::string NplcQuery(std::string_view mnemonic) {
  return FormatC("SENS:%s:NPLC?\n", S(mnemonic).c_str());
}

std::string RatioNplc(std::string_view value) {
  return FormatC("SENS:VOLT:DC:RAT:NPLC %s\n", S(value).c_str());
}

std::string Bandwidth(std::string_view value) {
  return FormatC("SENS:DET:BAND %s\n", S(value).c_str());
}

std::string Unit(std::string_view unit) {
  return FormatC("SENS:UNIT %s\n", S(unit).c_str());
}

std::string RtdType(std::string_view type) {
  return FormatC("SENS:TEMP:RTD:TYPE %s\n", S(type).c_str());
}

std::string ThermocoupleType(std::string_view type) {
  return FormatC("SENS:TCO:TYPE %s\n", S(type).c_str());
}

std::string Coefficient(std::string_view header, double value) {
  return FormatC("%s %.15f\n", S(header).c_str(), value);
}

std::string CoefficientQuery(std::string_view header) {
  return FormatC("%s?\n", S(header).c_str());
}

}  // namespace vx::config::command
