#include "panel/function_line.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace vx::panel {
namespace {

using Answers = std::map<std::string, std::string>;

// A meter that answers from a table and remembers what it was asked.
class TableMeter {
 public:
  explicit TableMeter(std::map<std::string, std::string> answers) : answers_(std::move(answers)) {}
  QueryFunction Query() {
    return [this](std::string_view command) {
      asked.emplace_back(command);
      const auto it = answers_.find(std::string(command));
      return it == answers_.end() ? std::string() : it->second;
    };
  }
  std::vector<std::string> asked;

 private:
  std::map<std::string, std::string> answers_;
};

FunctionLines Build(std::map<std::string, std::string> answers, bool autoRange = false,
                    const char* identity = "TOLVEX,W9-90/1,S,1.02") {
  TableMeter meter(std::move(answers));
  const auto lines = BuildFunctionLines(meter.Query(), identity, autoRange);
  EXPECT_TRUE(lines);
  return lines.value_or(FunctionLines{"?", "?"});
}

TEST(FunctionLine, DcVoltsOnAFixedRange) {
  TableMeter meter({{"func?\n", "VOLT"},
                    {"VOLT:DC:RANGe:AUTO?\n", "0"},
                    {"VOLT:DC:range?\n", "+1.00000000E+01"}});
  const auto lines = BuildFunctionLines(meter.Query(), "TOLVEX,W9-90/1,S,1", false);
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->function, "Function : DCV");
  EXPECT_EQ(lines->range, "Range : 10  VDC");
  EXPECT_EQ(meter.asked,
            (std::vector<std::string>{"func?\n", "VOLT:DC:RANGe:AUTO?\n", "VOLT:DC:range?\n"}));
}

TEST(FunctionLine, RangeTextsUseMilliKiloAndMega) {
  EXPECT_EQ(RangeText(0.1), "100m");
  EXPECT_EQ(RangeText(1000000), "1M");
  EXPECT_EQ(RangeText(100000), "100K");
  EXPECT_EQ(RangeText(100), "100");
  EXPECT_EQ(RangeText(0), "0m");
  EXPECT_EQ(Build({{"func?\n", "RES"}, {"RES:range?\n", "1.0E+08"}}).range, "Range : 100M  Ohm");
  EXPECT_EQ(Build({{"func?\n", "FRES"}, {"FRES:range?\n", "1000"}}).function, "Function : 4W");
}

TEST(FunctionLine, AcVoltsOn750VoltsAndAutomaticRanges) {
  EXPECT_EQ(Build({{"func?\n", "VOLT:AC"}, {"VOLT:AC:range?\n", "+1.00000000E+03"}}).range,
            "Range : 750 VAC");
  EXPECT_EQ(Build({{"func?\n", "FREQ"}, {"FREQ:VOLT:range?\n", "1000"}}).range, "Range : 750 VAC");
  EXPECT_EQ(Build({{"func?\n", "CURR"}, {"CURR:DC:range?\n", "1000"}}).range, "Range : 1K  ADC");
  // Automatic by the meter's answer, or by the panel's own flag.
  EXPECT_EQ(
      Build({{"func?\n", "PER"}, {"PER:VOLT:RANGe:AUTO?\n", "1"}, {"PER:VOLT:range?\n", "10"}})
          .range,
      "Range : AUTO");
  EXPECT_EQ(Build({{"func?\n", "VOLT"}, {"VOLT:DC:range?\n", "10"}}, true).range, "Range : AUTO");
}

TEST(FunctionLine, RatioAsksByModelVariant) {
  TableMeter basic({{"func?\n", "VOLT:RAT"}, {"VOLT:DC:range?\n", "1"}});
  const auto lines = BuildFunctionLines(basic.Query(), "TOLVEX,W9-90/1,S,1.02", false);
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->function, "Function : DC Ratio");
  EXPECT_EQ(lines->range, "Range : 1  VDC");
  EXPECT_EQ(basic.asked[1], "VOLT:DC:RANG:AUTO?\n");

  TableMeter full(Answers{{"func?\n", "VOLT:RAT"}});
  BuildFunctionLines(full.Query(), "TOLVEX,W9-90/1,S,Q7111 1.0", false);
  EXPECT_EQ(full.asked[1], "VOLT:DC:RAT:RANG:AUTO?\n");
}

TEST(FunctionLine, SensorsContinuityAndCapacitance) {
  EXPECT_EQ(Build({{"func?\n", "TEMP"}, {"SENS:TEMP:RTD:TYPE?\n", "PT100"}}).range, "Type : PT100");
  EXPECT_EQ(Build({{"func?\n", "TCO"}, {"SENS:TCO:TYPE?\n", "K"}}).range, "Type : K");
  EXPECT_EQ(Build({{"func?\n", "TEMP"}}).range, "Type : ");
  const auto continuity = Build({{"func?\n", "CONT"}});
  EXPECT_EQ(continuity.function, "Function : CONT");
  EXPECT_EQ(continuity.range, "");
  const auto capacitance = Build({{"func?\n", "CAP"}, {"sens:cap:rang?\n", "1E-6"}});
  EXPECT_EQ(capacitance.function, "Function : CAP");
  EXPECT_EQ(capacitance.range, "Range : 1 uF");
  EXPECT_EQ(CapacitanceRangeText(1e-9), "1 n");
  EXPECT_EQ(CapacitanceRangeText(1e-3), "1 m");
  EXPECT_EQ(CapacitanceRangeText(0.1), "0");
}

TEST(FunctionLine, UnknownOrMissingAnswersLeaveTheLinesAlone) {
  for (const char* answer : {"", "VOLT:DC:RAT", "XYZ", "VOLTAGE"}) {
    TableMeter meter(Answers{{"func?\n", answer}});
    EXPECT_FALSE(BuildFunctionLines(meter.Query(), "", false)) << answer;
  }
}

}  // namespace
}  // namespace vx::panel
