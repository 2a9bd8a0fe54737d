#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/measurement_tables.h"
#include "config/answer_checks.h"
#include "config/command_history.h"
#include "config/command_set.h"
#include "config/measure_function.h"
#include "config/meter_variant.h"
#include "config/range_lists.h"
#include "config/second_lists.h"
#include "config/sensor_coefficients.h"

namespace vx::config {
namespace {

using enum MeasureFunction;

std::vector<std::string> Texts(const std::vector<RangeEntry>& list) {
  std::vector<std::string> texts;
  for (const RangeEntry& entry : list) texts.emplace_back(entry.text);
  return texts;
}

TEST(MeterVariant, IsDecidedFromTheIdentityAnswer) {
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,TW1,Q7110 1.05"), MeterVariant::Full);
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,TW1,Q7111 Q7110"), MeterVariant::Full);
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,TW1,Q7111 1.05"), MeterVariant::NoThermocouple);
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,TW1,1.02"), MeterVariant::Basic);
  EXPECT_EQ(VariantFromIdentity(""), MeterVariant::Basic);
  EXPECT_EQ(VariantCode(MeterVariant::Basic), "7100");
  EXPECT_EQ(VariantCode(MeterVariant::Full), "7110");
  EXPECT_EQ(VariantCode(MeterVariant::NoThermocouple), "7111");
  EXPECT_EQ(VariantCode(std::nullopt), "0");
  EXPECT_TRUE(UsesHewlettResolutions("HEWLETT,W9-90/1,1,1"));
  EXPECT_FALSE(UsesHewlettResolutions("X HEWLETT,W9-90/1,1,1"));
}

TEST(MeterVariant, OffersFunctionsInNumberOrder) {
  EXPECT_EQ(OfferedFunctions(MeterVariant::Full).size(), 14u);
  const auto basic = OfferedFunctions(MeterVariant::Basic);
  EXPECT_EQ(basic.size(), 13u);
  EXPECT_EQ(basic.back(), DcRatio);
  const auto noTc = OfferedFunctions(MeterVariant::NoThermocouple);
  ASSERT_EQ(noTc.size(), 13u);
  EXPECT_EQ(noTc[10], Temperature);
  EXPECT_EQ(noTc[11], DcRatio);
  EXPECT_EQ(noTc[12], Capacitance);
  EXPECT_EQ(ListPosition(MeterVariant::NoThermocouple, Capacitance), 12);
  EXPECT_EQ(ListPosition(MeterVariant::NoThermocouple, Thermocouple), std::nullopt);
  EXPECT_EQ(ListPosition(MeterVariant::Basic, Capacitance), std::nullopt);
}

TEST(FunctionAnswer, IsNormalisedAndNamesItsFunction) {
  EXPECT_EQ(NormaliseFunctionAnswer("\"VOLT\"\n"), "VOLT:DC");
  EXPECT_EQ(NormaliseFunctionAnswer("CURR"), "CURR:DC");
  // Only the exact short forms are spelt out.
  EXPECT_EQ(NormaliseFunctionAnswer("VOLT:AC"), "VOLT:AC");
  EXPECT_EQ(NormaliseFunctionAnswer("VOLT "), "VOLT ");
  EXPECT_EQ(NormaliseFunctionAnswer("volt"), "volt");
  EXPECT_EQ(FunctionFromAnswer("\"FRES\""), Resistance4W);
  EXPECT_EQ(FunctionFromAnswer("RES"), Resistance2W);
  EXPECT_EQ(FunctionFromAnswer("DIOD"), Diode);
  EXPECT_EQ(FunctionFromAnswer("TCO"), Thermocouple);
  EXPECT_EQ(FunctionFromAnswer("VOLT:RAT"), DcRatio);
  EXPECT_EQ(FunctionFromAnswer("CAP"), Capacitance);
  EXPECT_EQ(FunctionFromAnswer("DIODE"), std::nullopt);
  EXPECT_EQ(FunctionFromAnswer(""), std::nullopt);
  // The confirming answers are the front panel's functions, row for row.
  for (int number = 0; number < 13; ++number) {
    EXPECT_EQ(Info(*FunctionNumbered(number)).funcAnswer,
              FunctionTable[static_cast<size_t>(number)].scpi);
  }
}

TEST(RangeLists, DifferByVariant) {
  EXPECT_EQ(Texts(RangeList(DcCurrent, MeterVariant::Basic)),
            (std::vector<std::string>{"AUTO", "10m Adc", "100m Adc", "1 Adc", "3 Adc"}));
  EXPECT_EQ(Texts(RangeList(DcCurrent, MeterVariant::Full)),
            (std::vector<std::string>{"AUTO", "10m Adc", "100m Adc", "1 Adc", "3 Adc", "10 Adc"}));
  EXPECT_EQ(Texts(RangeList(DcCurrent, MeterVariant::NoThermocouple)),
            (std::vector<std::string>{"AUTO", "10m Adc", "100m Adc", "1 Adc", "10 Adc"}));
  EXPECT_EQ(Texts(RangeList(AcCurrent, MeterVariant::NoThermocouple)),
            (std::vector<std::string>{"AUTO", "1 Aac", "10 Aac"}));
  EXPECT_EQ(Texts(RangeList(Thermocouple, MeterVariant::Basic)),
            (std::vector<std::string>{"E", "J", "K", "N", "R", "S", "T"}));
  EXPECT_EQ(Texts(RangeList(Thermocouple, MeterVariant::Full)),
            (std::vector<std::string>{"K", "J", "R", "S", "T", "E", "N", "B"}));
  for (const MeasureFunction f : {AcVoltage, Frequency, Period}) {
    EXPECT_EQ(RangeList(f, MeterVariant::Basic)[5].value, 750);
    EXPECT_EQ(RangeList(f, MeterVariant::Full)[5].value, 1000);
    EXPECT_EQ(RangeList(f, MeterVariant::Full)[5].text, "750 Vac");
  }
  EXPECT_EQ(Texts(RangeList(Continuity, MeterVariant::Full)), (std::vector<std::string>{"AUTO"}));
}

TEST(RangeLists, ReadBackNumbersSelectTheFirstExactEntry) {
  EXPECT_EQ(RangeEntryForReading(DcVoltage, MeterVariant::Full, 0.1), 1);
  EXPECT_EQ(RangeEntryForReading(Capacitance, MeterVariant::Full, 1e-6), 4);
  EXPECT_EQ(RangeEntryForReading(DcVoltage, MeterVariant::Full, 0.10000001), std::nullopt);
  // "AUTO" is no range: an empty answer (read as 0) selects nothing.
  EXPECT_EQ(RangeEntryForReading(DcVoltage, MeterVariant::Full, 0), std::nullopt);
  // The 750 V range as the meters report it.
  EXPECT_EQ(RangeEntryForReading(AcVoltage, MeterVariant::Full, 1000), 5);
  EXPECT_EQ(RangeEntryForReading(AcVoltage, MeterVariant::Basic, 1000), 5);
  EXPECT_EQ(RangeEntryForReading(AcVoltage, MeterVariant::Basic, 750), 5);
  EXPECT_EQ(RangeEntryForReading(Frequency, MeterVariant::Basic, 800), 5);
  EXPECT_EQ(RangeEntryForReading(Period, MeterVariant::Basic, 1000), 5);
  EXPECT_EQ(RangeEntryForReading(AcVoltage, MeterVariant::Basic, 800), std::nullopt);
  EXPECT_EQ(RangeEntryForReading(Frequency, MeterVariant::Full, 800), std::nullopt);
  EXPECT_EQ(RangeEntryForReading(DcCurrent, MeterVariant::NoThermocouple, 10), 4);
}

TEST(RangeLists, SensorTypesAreMatchedExactlyOnlyOnBasic) {
  EXPECT_EQ(SensorEntryForAnswer(Thermocouple, MeterVariant::Basic, "K"), 2);
  EXPECT_EQ(SensorEntryForAnswer(Thermocouple, MeterVariant::Basic, "K "), std::nullopt);
  EXPECT_EQ(SensorEntryForAnswer(Thermocouple, MeterVariant::Full, "B"), 7);
  EXPECT_EQ(SensorEntryForAnswer(Thermocouple, MeterVariant::Full, "KX"), 0);
  EXPECT_EQ(SensorEntryForAnswer(Temperature, MeterVariant::Full, "PT3916"), 4);
  EXPECT_EQ(SensorEntryForAnswer(Temperature, MeterVariant::Full, ""), std::nullopt);
}

TEST(SecondLists, ResolutionValuesAndReadBack) {
  const auto basic = SecondList(DcVoltage, MeterVariant::Basic, false);
  ASSERT_EQ(basic.size(), 6u);
  EXPECT_EQ(basic[0].caption.key, "99");
  EXPECT_EQ(basic[5].caption.english, "Slow 6 Digits");
  // Duplicated values: a read-back always selects the first of them.
  EXPECT_EQ(SecondEntryForReading(basic, 0.1), 1);
  EXPECT_EQ(SecondEntryForReading(basic, 1), 3);
  EXPECT_EQ(SecondEntryForReading(basic, 100), std::nullopt);
  const auto hewlett = SecondList(Resistance2W, MeterVariant::Basic, true);
  EXPECT_EQ(hewlett[1].value, "1");
  EXPECT_EQ(SecondEntryForReading(hewlett, 10), 3);
  EXPECT_EQ(SecondEntryForReading(hewlett, 100), 5);
  // The "HEWL" table belongs to the basic model only.
  EXPECT_EQ(SecondList(DcVoltage, MeterVariant::Full, true)[1].value, "0.006");
  const auto full = SecondList(Capacitance, MeterVariant::Full, false);
  ASSERT_EQ(full.size(), 10u);
  EXPECT_EQ(SecondEntryForReading(full, 0.006), 1);
  EXPECT_TRUE(SecondList(Continuity, MeterVariant::Full, false).empty());
}

TEST(SecondLists, FiltersUnitsAndApertures) {
  EXPECT_EQ(SecondList(AcCurrent, MeterVariant::Basic, false)[2].caption.english, "Fast");
  EXPECT_EQ(SecondList(AcCurrent, MeterVariant::Full, false)[2].caption.english, "200 HZ");
  EXPECT_EQ(SecondList(AcCurrent, MeterVariant::Full, false)[2].value, "200");
  EXPECT_EQ(SecondList(Temperature, MeterVariant::Basic, false)[0].caption.english, "\u00b0 C");
  EXPECT_EQ(SecondList(Period, MeterVariant::Basic, false)[0].value, "0.01");
  const auto units = SecondList(Thermocouple, MeterVariant::Full, false);
  EXPECT_EQ(UnitEntryForAnswer(units, "K"), 2);
  EXPECT_EQ(UnitEntryForAnswer(units, "FK"), 1);
  EXPECT_EQ(UnitEntryForAnswer(units, "X"), std::nullopt);
}

TEST(AnswerChecks, FollowTheMetersReportingHabits) {
  EXPECT_TRUE(AutoRangeConfirmed("\"1\"\n"));
  EXPECT_FALSE(AutoRangeConfirmed("0"));
  EXPECT_FALSE(AutoRangeConfirmed(""));
  const RangeEntry ac750 = RangeList(AcVoltage, MeterVariant::Basic)[5];
  EXPECT_TRUE(FixedRangeConfirmed("+1.00000000E+03", AcVoltage, MeterVariant::Basic, ac750));
  EXPECT_FALSE(FixedRangeConfirmed("+1.00000000E+03", Frequency, MeterVariant::Basic, ac750));
  const RangeEntry full750 = RangeList(AcVoltage, MeterVariant::Full)[5];
  EXPECT_FALSE(FixedRangeConfirmed("+7.50000000E+02", AcVoltage, MeterVariant::Full, full750));
  EXPECT_TRUE(FixedRangeConfirmed("+1.00000000E+03", AcVoltage, MeterVariant::Full, full750));
  EXPECT_FALSE(FixedRangeConfirmed("", DcVoltage, MeterVariant::Full, {"1 Vdc", 1}));
  // Only a decimal answer confirms a range: "0x64" is not 100.
  EXPECT_TRUE(
      FixedRangeConfirmed("+1.00000000E+02", Resistance2W, MeterVariant::Full, {"100 ohm", 100}));
  EXPECT_FALSE(FixedRangeConfirmed("0x64", Resistance2W, MeterVariant::Full, {"100 ohm", 100}));
  EXPECT_FALSE(FixedRangeConfirmed("inf", DcVoltage, MeterVariant::Full, {"1 Vdc", 1}));
  EXPECT_TRUE(UnitConfirmed("\"K\"", "K"));
  EXPECT_FALSE(UnitConfirmed("C", "K"));
  EXPECT_TRUE(ThermocoupleTypeConfirmed("K", "K", MeterVariant::Basic));
  EXPECT_FALSE(ThermocoupleTypeConfirmed("KX", "K", MeterVariant::Basic));
  EXPECT_TRUE(ThermocoupleTypeConfirmed("KX", "K", MeterVariant::Full));
  EXPECT_TRUE(RtdTypeConfirmed("\"SPRTD\"", "SPRTD"));
}

TEST(Commands, AreWrittenInTheCLocaleWithTheirPrecision) {
  EXPECT_EQ(command::FixedRange("VOLT:AC", 1000), "SENS:VOLT:AC:RANGE 1000.000000000000\n");
  EXPECT_EQ(command::FixedRange("CAP", 1e-9), "SENS:CAP:RANGE 0.000000001000\n");
  EXPECT_EQ(command::RatioFixedRange(0.1), "SENS:VOLT:DC:RAT:RANGE 0.100000000000\n");
  EXPECT_EQ(command::SignalRange("FREQ", 750), "SENS:FREQ:volt:rang 750.0\n");
  EXPECT_EQ(command::SignalAutoRange("PER"), "SENS:PER:volt:rang:auto on\n");
  EXPECT_EQ(command::Coefficient("SENS:TEMP:SPRTD:Ax", -0.25),
            "SENS:TEMP:SPRTD:Ax -0.250000000000000\n");
  EXPECT_EQ(command::ReadBackAutoQuery("VOLT:DC"), "VOLT:DC:range:auto?\n");
  EXPECT_EQ(command::Nplc("FRES", "0.006"), "SENS:FRES:NPLC 0.006\n");
}

TEST(SensorCoefficients, FieldsBoundsAndMessages) {
  const auto user = CoefficientFields(CoefficientSet::User);
  ASSERT_EQ(user.size(), 4u);
  EXPECT_TRUE(InBounds(user[0], 0.01));
  EXPECT_TRUE(InBounds(user[0], 0));
  EXPECT_FALSE(InBounds(user[0], 0.0100001));
  EXPECT_TRUE(InBounds(user[3], 10));
  EXPECT_TRUE(InBounds(user[3], 1000));
  EXPECT_FALSE(InBounds(user[3], 9.999));
  EXPECT_EQ(user[3].outOfBounds.key, "1007");
  EXPECT_EQ(user[0].outOfBounds.english, "ALPHA range is 0 - 0.01\xef\xbc\x8cplease re-enter.");
  const auto sprtd = CoefficientFields(CoefficientSet::Sprtd);
  ASSERT_EQ(sprtd.size(), 6u);
  EXPECT_EQ(sprtd[3].label, "A7");
  EXPECT_EQ(sprtd[3].write, "SENS:TEMP:SPRTD:Ax");
  EXPECT_EQ(sprtd[3].query, "SENS:TEMP:SPRTD:AX");
  EXPECT_EQ(sprtd[5].outOfBounds.key, "1012");
  EXPECT_EQ(CoefficientSetFor(Temperature, "USER"), CoefficientSet::User);
  EXPECT_EQ(CoefficientSetFor(Thermocouple, "USER"), CoefficientSet::None);
  EXPECT_EQ(CoefficientSetFor(Temperature, "PT100"), CoefficientSet::None);
}

TEST(SensorCoefficients, FieldTextsAreWholeNumbers) {
  EXPECT_EQ(ParseCoefficientText(" 0.00385 "), 0.00385);
  EXPECT_EQ(ParseCoefficientText("+25.5"), 25.5);
  EXPECT_EQ(ParseCoefficientText("-1e-3"), -0.001);
  for (const char* bad : {"", " ", "abc", "1,5", "0.1x", "+-1", "nan", "inf", "0x10"})
    EXPECT_EQ(ParseCoefficientText(bad), std::nullopt) << bad;
  for (const double value : {0.0, 0.00385, 25.5, -0.1234567890123456, 1000.0})
    EXPECT_EQ(ParseCoefficientText(CoefficientText(value)), value);
}

TEST(CommandHistory, KeepsTwentyDistinctTextsNewestFirst) {
  CommandHistory history;
  history.Add("*IDN?");
  history.Add("read?");
  history.Add("*IDN?");
  EXPECT_EQ(history.Entries(), (std::vector<std::string>{"*IDN?", "read?"}));
  // Exact comparison: letter case and spaces make a different entry.
  history.Add("*idn?");
  history.Add("*IDN? ");
  EXPECT_EQ(history.Entries().size(), 4u);
  for (int i = 0; i < 17; ++i) history.Add("cmd" + std::to_string(i));
  ASSERT_EQ(history.Entries().size(), 20u);
  EXPECT_EQ(history.Entries().back(), "*IDN?");
  history.Add("one more");
  ASSERT_EQ(history.Entries().size(), 20u);
  EXPECT_EQ(history.Entries().front(), "one more");
  EXPECT_EQ(history.Entries().back(), "*idn?");
}

}  // namespace
}  // namespace vx::config
