#pragma once
// The two tables the whole program shares, fixed when it is built: the measurement
// functions of the front panel and the vertical scale steps of trace displays.

#include <array>
#include <string_view>

namespace vx {

struct FunctionRow {
  std::string_view scpi;   // "VOLT:DC"
  std::string_view label;  // "DCV", as the panel shows it
  std::string_view unit;   // "VDC", the unit of the range line; empty for none
};

// Row order is the function index used by the panel and the settings model.
inline constexpr std::array<FunctionRow, 13> FunctionTable{{
    {"VOLT:DC", "DCV", "VDC"},
    {"CURR:DC", "DCI", "ADC"},
    {"VOLT:AC", "ACV", "VAC"},
    {"CURR:AC", "ACI", "AAC"},
    {"RES", "2W", "Ohm"},
    {"FRES", "4W", "Ohm"},
    {"FREQ", "FREQ", "VAC"},  // the unit of the signal-voltage range
    {"PER", "PERIOD", "VAC"},
    {"CONT", "CONT", "Ohm"},
    {"DIOD", "DIOD", ""},
    {"TEMP", "TEMP", ""},
    {"TCO", "TCOUPL", ""},
    {"VOLT:RAT", "DC Ratio", ""},
}};

struct DivisionRow {
  std::string_view text;  // as shown: "500m", "500 u", "500 n"
  double factor;          // display units per reading unit: the reciprocal of the step
};

// From "20000" per division down to "100 n"; row 13 ("1") is every device's default.
inline constexpr std::array<DivisionRow, 35> DivisionTable{{
    {"20000", 0.00005},   {"10000", 0.0001},    {"5000", 0.0002},      {"2000", 0.0005},
    {"1000", 0.001},      {"500", 0.002},       {"200", 0.005},        {"100", 0.01},
    {"50", 0.02},         {"20", 0.05},         {"10", 0.1},           {"5", 0.2},
    {"2", 0.5},           {"1", 1.0},           {"500m", 2.0},         {"200m", 5.0},
    {"100m", 10.0},       {"50m", 20.0},        {"20m", 50.0},         {"10m", 100.0},
    {"5m", 200.0},        {"2m", 500.0},        {"1m", 1000.0},        {"500 u", 2000.0},
    {"200 u", 5000.0},    {"100 u", 10000.0},   {"50 u", 20000.0},     {"20 u", 50000.0},
    {"10 u", 100000.0},   {"5 u", 200000.0},    {"2 u", 500000.0},     {"1 u", 1000000.0},
    {"500 n", 2000000.0}, {"200 n", 5000000.0}, {"100 n", 10000000.0},
}};

inline constexpr int kDefaultDivisionRow = 13;

}  // namespace vx
