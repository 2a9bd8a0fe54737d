#include "panel/reading_classifier.h"

#include <gtest/gtest.h>

#include <string>

namespace vx::panel {
namespace {

TEST(ClassifyReading, PositiveNegativeAndZeroReadings) {
  const auto positive = ClassifyReading("+1.23456780E+00", "VOLT");
  EXPECT_EQ(positive.label, "1.234567800000000");
  EXPECT_EQ(positive.logged, 1.2345678);
  EXPECT_EQ(positive.sample, 1.2345678);

  const auto negative = ClassifyReading("-5.00000000E-01", "VOLT");
  EXPECT_EQ(negative.label, "-0.5000000000");
  EXPECT_EQ(negative.logged, -0.5);

  // Zero is logged as 0 but drawn as 1E-25, so that it differs from "no sample yet".
  const auto zero = ClassifyReading("+0.00000000E+00", "VOLT");
  EXPECT_EQ(zero.label, "0.000000000000000");
  EXPECT_EQ(zero.logged, 0.0);
  EXPECT_EQ(zero.sample, kZeroStandIn);
}

TEST(ClassifyReading, OverloadsAreShownButNeitherLoggedNorDrawn) {
  for (const char* answer : {"+9.90000000E+37", "-9.90000000E+37", "1e21", "-1E+21",
                             "1" /* followed by 300 zeros below */}) {
    const std::string text = std::string(answer) == "1" ? "1" + std::string(300, '0') : answer;
    const auto reading = ClassifyReading(text, "VOLT");
    EXPECT_EQ(reading.label, "OVLD") << answer;
    EXPECT_FALSE(reading.logged) << answer;
    EXPECT_FALSE(reading.sample) << answer;
  }
  // Just below the threshold is still a number.
  EXPECT_EQ(ClassifyReading("9.8e20", "VOLT").label.substr(0, 3), "980");
}

TEST(ClassifyReading, ContinuityAndDiodeOverloadsAreOpenOnlyAfterTheFirstCharacter) {
  EXPECT_EQ(ClassifyReading("+9.90000000E+37", "CONF:CONT\n").label, "OPEN");
  EXPECT_EQ(ClassifyReading("+9.90000000E+37", "CONF:DIOD\n").label, "OPEN");
  // The meter's own answer names the function at its very start: not found there.
  EXPECT_EQ(ClassifyReading("+9.90000000E+37", "CONT").label, "OVLD");
  EXPECT_EQ(ClassifyReading("+9.90000000E+37", "DIOD").label, "OVLD");
}

TEST(ClassifyReading, DiodeReadingsAboveOnePointTwoVoltsAreOpenAndNotDrawn) {
  const auto open = ClassifyReading("1.5", "CONF:DIOD\n");
  EXPECT_EQ(open.label, "OPEN");
  EXPECT_EQ(open.logged, 1.5);
  EXPECT_FALSE(open.sample);

  const auto edge = ClassifyReading("1.2", "CONF:DIOD\n");
  EXPECT_EQ(edge.label, "1.200000000000000");
  EXPECT_FALSE(edge.sample);

  EXPECT_EQ(ClassifyReading("0.6", "CONF:DIOD\n").sample, 0.6);
  EXPECT_EQ(ClassifyReading("-0.6", "CONF:DIOD\n").sample, -0.6);
  EXPECT_FALSE(ClassifyReading("-1.3", "CONF:DIOD\n").sample);

  // Where the function text is the meter's bare answer, the diode rule does not apply.
  const auto bare = ClassifyReading("1.5", "DIOD");
  EXPECT_EQ(bare.label, "1.500000000000000");
  EXPECT_EQ(bare.sample, 1.5);
}

// The meter answers decimals; anything else it sends is no reading, shown as such and
// neither logged nor drawn (a 0 or a 16 would be a reading it never took).
TEST(ClassifyReading, AnswersThatAreNoDecimalNumberAreNoReading) {
  for (const char* answer : {"garbage", "nan", "-nan", "inf", "-inf", "\x8a\x01", "+"}) {
    const auto reading = ClassifyReading(answer, "VOLT");
    EXPECT_EQ(reading.label, kInvalidReadingLabel) << answer;
    EXPECT_FALSE(reading.logged) << answer;
    EXPECT_FALSE(reading.sample) << answer;
  }
  EXPECT_EQ(ClassifyReading("0x10", "VOLT").logged, 0.0);
}

}  // namespace
}  // namespace vx::panel
