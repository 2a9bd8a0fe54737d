// The meter's answers: identity and variants, functions and ranges with exact read-back,
// integration times and the other settings, readings, overloads, the error queue and the
// event status register, and the reading path's speed.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <string>

#include "sim/reading_model.h"
#include "sim_test_util.h"

namespace vx::sim {
namespace {

using testing::Config;
using testing::kBasicIdentity;
using testing::kFullIdentity;
using testing::kNoTcIdentity;
using testing::SimTest;

TEST(Variant, FromIdentity) {
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,1,Q7110 1.05"), Variant::Full);
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,1,Q7111 1.05"), Variant::NoThermocouple);
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,1,Q7111 Q7110"), Variant::Full);
  EXPECT_EQ(VariantFromIdentity("TOLVEX,W9-90/1,1,Q7100 1.02"), Variant::Basic);
  EXPECT_EQ(VariantFromIdentity(""), Variant::Basic);
}

class MeterTest : public SimTest {};

TEST_F(MeterTest, IdentityAndPowerOnState) {
  EXPECT_EQ(Query("*IDN?"), kFullIdentity);
  EXPECT_EQ(M().ModelVariant(), Variant::Full);
  EXPECT_EQ(Query("func?"), "\"VOLT\"");
  EXPECT_EQ(Query("VOLT:DC:RANG:AUTO?"), "1");
  EXPECT_EQ(Query("*esr?"), "0");
  EXPECT_EQ(Query("syst:err?"), "+0,\"No error\"");
  EXPECT_EQ(Query("sens:func2?"), "\"NONE\"");
  EXPECT_EQ(M().CommandCount(), 6u);
}

TEST_F(MeterTest, FunctionNamesAsReported) {
  const std::pair<const char*, const char*> cases[] = {
      {"CONF:VOLT:DC", "\"VOLT\""},      {"CONF:VOLT:AC", "\"VOLT:AC\""},
      {"CONF:CURR:DC", "\"CURR\""},      {"CONF:CURR:AC", "\"CURR:AC\""},
      {"CONF:RES", "\"RES\""},           {"CONF:FRES", "\"FRES\""},
      {"CONF:FREQ", "\"FREQ\""},         {"CONF:PER", "\"PER\""},
      {"CONF:CONT", "\"CONT\""},         {"CONF:DIOD", "\"DIOD\""},
      {"CONF:TEMP", "\"TEMP\""},         {"CONF:TCO", "\"TCO\""},
      {"CONF:VOLT:RAT", "\"VOLT:RAT\""}, {"CONF:CAP", "\"CAP\""},
  };
  for (const auto& [command, name] : cases) {
    Send(command);
    EXPECT_EQ(Query("func?"), name) << command;
  }
}

TEST_F(MeterTest, RangeSelectionAndExactReadBack) {
  Send("SENS:VOLT:DC:RANGE:AUTO 0");
  Send("SENS:VOLT:DC:RANGE 10.000000000000");
  const std::string answer = Query("SENS:VOLT:DC:RANGE?");
  EXPECT_EQ(answer, "+1.00000000E+01");
  EXPECT_EQ(LeadingNumber(answer), 10.0);
  EXPECT_EQ(Query("SENS:VOLT:DC:RANG:AUTO?"), "0");
  // Every listed range reads back exactly as sent with twelve decimals.
  for (const double r : {0.1, 1.0, 10.0, 100.0, 1000.0}) {
    Send(FormatC("SENS:VOLT:DC:RANGE %.12f", r));
    EXPECT_EQ(LeadingNumber(Query("VOLT:DC:range?")), r) << r;
  }
  for (const double r : {1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8}) {
    Send(FormatC("SENS:RES:RANGE %.12f", r));
    EXPECT_EQ(LeadingNumber(Query("RES:range?")), r) << r;
  }
  for (const double c : {1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2}) {
    Send(FormatC("SENS:CAP:RANGE %.12f", c));
    EXPECT_EQ(LeadingNumber(Query("sens:cap:rang?")), c) << c;
  }
  // A value between ranges selects the next larger one; too large is refused.
  Send("SENS:VOLT:DC:RANGE 2.5");
  EXPECT_EQ(Query("VOLT:DC:range?"), "+1.00000000E+01");
  Send("SENS:VOLT:DC:RANGE 1001");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  EXPECT_EQ(Query("VOLT:DC:range?"), "+1.00000000E+01");
  // Auto on and off again; the other functions kept their own settings.
  Send("SENS:VOLT:DC:RANG:AUTO 1");
  EXPECT_EQ(Query("VOLT:DC:RANG:AUTO?"), "1");
  Send("SENS:VOLT:DC:RANG:AUTO OFF");
  EXPECT_EQ(Query("VOLT:DC:RANG:AUTO?"), "0");
  EXPECT_EQ(Query("RES:RANG:AUTO?"), "0");
  EXPECT_EQ(Query("VOLT:AC:RANGe:AUTO?"), "1");
  // CONF sets its function's range to auto.
  Send("CONF:RES");
  EXPECT_EQ(Query("RES:RANG:AUTO?"), "1");
  // CONF with a range fixes it.
  Send("CONF:VOLT:DC 100,0.001");
  EXPECT_EQ(Query("VOLT:DC:RANG:AUTO?"), "0");
  EXPECT_EQ(Query("VOLT:DC:RANG?"), "+1.00000000E+02");
  EXPECT_EQ(Error(), "+0,\"No error\"");
}

TEST_F(MeterTest, AcVolts750RangeReportsAs1000) {
  for (const char* value : {"750", "750.000000000000", "1000.000000000000", "101"}) {
    Send(std::string("SENS:VOLT:AC:RANGE ") + value);
    EXPECT_EQ(Query("VOLT:AC:range?"), "+1.00000000E+03") << value;
  }
  Send("SENS:VOLT:AC:RANGE 1000.1");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  // The signal range of frequency and period follows the AC volts list, per function.
  Send("SENS:FREQ:volt:rang 750.0");
  EXPECT_EQ(Number("SENS:FREQ:volt:rang?"), 1000.0);
  Send("SENS:PER:volt:rang 10.0");
  EXPECT_EQ(Number("PER:VOLT:range?"), 10.0);
  EXPECT_EQ(Query("FREQ:VOLT:RANGe:AUTO?"), "0");
  EXPECT_EQ(Query("SENS:PER:volt:rang:auto?"), "0");
  Send("SENS:PER:volt:rang:auto on");
  EXPECT_EQ(Query("SENS:PER:volt:rang:auto?"), "1");
  EXPECT_EQ(Query("FREQ:VOLT:RANGe:AUTO?"), "0");
  Send("FREQ:RANG 10");  // a frequency has no range of its own
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
}

TEST_F(MeterTest, AutoRangeQueryReportsTheSelectedRange) {
  // 1.234567 V is beyond the 1 V range's 20 % over-range: autoranging picks 10 V.
  EXPECT_EQ(Query("VOLT:DC:range?"), "+1.00000000E+01");
  Send("CONF:VOLT:AC");  // 0.5 V: the 1 V range
  EXPECT_EQ(Query("VOLT:AC:range?"), "+1.00000000E+00");
  // Turning auto off holds the range autoranging had chosen.
  Send("SENS:VOLT:DC:RANGE:AUTO 0");
  EXPECT_EQ(Query("VOLT:DC:range?"), "+1.00000000E+01");
}

TEST_F(MeterTest, VariantCurrentRanges) {
  // Full: DC 0.01 .. 10 A with 3 A; AC 1, 3, 10 A.
  Send("SENS:CURR:DC:RANGE 3.000000000000");
  EXPECT_EQ(Number("CURR:DC:range?"), 3.0);
  Send("SENS:CURR:DC:RANGE 10.000000000000");
  EXPECT_EQ(Number("CURR:DC:range?"), 10.0);
  Send("SENS:CURR:AC:RANGE 3.000000000000");
  EXPECT_EQ(Number("CURR:AC:range?"), 3.0);

  // NoThermocouple: no 3 A range; 3 selects 10.
  Make(Config(kNoTcIdentity));
  Send("SENS:CURR:DC:RANGE 3.000000000000");
  EXPECT_EQ(Number("CURR:DC:range?"), 10.0);
  Send("SENS:CURR:AC:RANGE 3");
  EXPECT_EQ(Number("CURR:AC:range?"), 10.0);
  Send("SENS:CURR:DC:RANGE 1");
  EXPECT_EQ(Number("CURR:DC:range?"), 1.0);

  // Basic: 3 A is the top; 10 A is out of range.
  Make(Config(kBasicIdentity));
  Send("SENS:CURR:DC:RANGE 3");
  EXPECT_EQ(Number("CURR:DC:range?"), 3.0);
  Send("SENS:CURR:DC:RANGE 10");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  Send("SENS:CURR:AC:RANGE 10");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  EXPECT_EQ(Number("CURR:AC:range? MAX"), 3.0);
}

TEST_F(MeterTest, VariantFunctions) {
  Make(Config(kBasicIdentity));
  Send("CONF:VOLT:AC");
  Send("CONF:CAP");
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  EXPECT_EQ(Query("func?"), "\"VOLT:AC\"");
  Send("sens:cap:rang?");
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  Send("CONF:TCO");
  EXPECT_EQ(Query("func?"), "\"TCO\"");
  // Basic ratio has no settings of its own: it shares those of DC volts.
  Send("CONF:VOLT:RAT");
  EXPECT_EQ(Query("func?"), "\"VOLT:RAT\"");
  Send("SENS:VOLT:DC:RANGE 100");
  EXPECT_EQ(Number("VOLT:RAT:range?"), 100.0);
  EXPECT_EQ(Query("VOLT:RAT:range:auto?"), "0");
  Send("SENS:VOLT:DC:RAT:RANGE 1");
  EXPECT_EQ(Number("VOLT:DC:range?"), 1.0);
  Send("SENS:VOLT:DC:NPLC 0.1");
  EXPECT_EQ(Number("SENS:VOLT:DC:RAT:NPLC?"), 0.1);
  EXPECT_EQ(Error(), "+0,\"No error\"");

  Make(Config(kNoTcIdentity));
  Send("CONF:TCO");
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  Send("SENS:TCO:TYPE K");
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  EXPECT_EQ(Query("func?"), "\"VOLT\"");
  Send("CONF:CAP");
  EXPECT_EQ(Query("func?"), "\"CAP\"");
  Send("SENS:VOLT:DC:RAT:RANGE 1.000000000000");
  EXPECT_EQ(Number("SENS:VOLT:DC:RAT:RANGE?"), 1.0);
  EXPECT_EQ(Error(), "+0,\"No error\"");
}

TEST_F(MeterTest, IntegrationTimesPerVariant) {
  for (const char* nplc : {"0.001", "0.006", "0.02", "0.06", "0.2", "0.6", "1", "2", "10", "100"}) {
    Send(std::string("SENS:VOLT:DC:NPLC ") + nplc);
    EXPECT_EQ(Number("SENS:VOLT:DC:NPLC?"), LeadingNumber(nplc)) << nplc;
  }
  Send("SENS:VOLT:DC:NPLC 0.5");  // snaps up
  EXPECT_EQ(Number("SENS:VOLT:DC:NPLC?"), 0.6);
  Send("SENS:VOLT:DC:NPLC 101");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  Send("SENS:RES:NPLC 2");
  EXPECT_EQ(Number("SENS:VOLT:DC:NPLC?"), 0.6);  // each function keeps its own
  EXPECT_EQ(Number("SENS:RES:NPLC?"), 2.0);
  Send("SENS:VOLT:DC:RAT:NPLC 1");
  EXPECT_EQ(Number("SENS:VOLT:DC:RAT:NPLC?"), 1.0);
  Send("SENS:VOLT:AC:NPLC 1");  // AC functions have a detector bandwidth instead
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");

  Make(Config(kBasicIdentity));
  for (const char* nplc : {"0.02", "0.1", "0.2", "1", "10", "100"}) {
    Send(std::string("SENS:CURR:DC:NPLC ") + nplc);
    EXPECT_EQ(Number("SENS:CURR:DC:NPLC?"), LeadingNumber(nplc)) << nplc;
  }
  Send("SENS:CURR:DC:NPLC 0.006");
  EXPECT_EQ(Number("SENS:CURR:DC:NPLC?"), 0.02);
  Send("SENS:CURR:DC:NPLC 2");
  EXPECT_EQ(Number("SENS:CURR:DC:NPLC?"), 10.0);
}

TEST_F(MeterTest, BandwidthApertureUnit) {
  for (const double b : {3.0, 20.0, 200.0}) {
    Send(FormatC("SENS:DET:BAND %g", b));
    EXPECT_EQ(Number("SENS:DET:BAND?"), b);
  }
  Send("SENS:DET:BAND 10");
  EXPECT_EQ(Number("SENS:DET:BAND?"), 20.0);
  Send("SENS:DET:BAND 201");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  for (const char* a : {"0.01", "0.1", "1"}) {
    Send(std::string("SENS:freq:APER ") + a);
    EXPECT_EQ(Number("SENS:FREQ:APER?"), LeadingNumber(a));
  }
  Send("SENS:PER:APER 0.05");
  EXPECT_EQ(Number("SENS:FREQ:APER?"), 0.1);
  for (const char* u : {"C", "F", "K"}) {
    Send(std::string("SENS:UNIT ") + u);
    EXPECT_EQ(Query("SENS:UNIT?"), u);
  }
  Send("SENS:UNIT X");
  EXPECT_EQ(Error(), "-224,\"Illegal parameter value\"");
}

TEST_F(MeterTest, SensorTypesAndCoefficients) {
  for (const char* type : {"PT100", "D100", "F100", "PT385", "PT3916", "NTCT", "SPRTD", "USER"}) {
    Send(std::string("SENS:TEMP:RTD:TYPE ") + type);
    EXPECT_EQ(Query("SENS:TEMP:RTD:TYPE?"), type);
  }
  Send("SENS:TEMP:RTD:TYPE pt100");
  EXPECT_EQ(Query("SENS:TEMP:RTD:TYPE?"), "PT100");
  Send("SENS:TEMP:RTD:TYPE PT1000");
  EXPECT_EQ(Error(), "-224,\"Illegal parameter value\"");

  for (const char* type : {"K", "J", "R", "S", "T", "E", "N", "B"}) {
    Send(std::string("SENS:TCO:TYPE ") + type);
    EXPECT_EQ(Query("SENS:TCO:TYPE?"), type);
  }
  Make(Config(kBasicIdentity));
  for (const char* type : {"E", "J", "K", "N", "R", "S", "T"}) {
    Send(std::string("SENS:TCO:TYPE ") + type);
    EXPECT_EQ(Query("SENS:TCO:TYPE?"), type);
  }
  Send("SENS:TCO:TYPE B");  // only the full model knows type B
  EXPECT_EQ(Error(), "-224,\"Illegal parameter value\"");
  EXPECT_EQ(Query("SENS:TCO:TYPE?"), "T");

  // Coefficients read back exactly as written with fifteen decimals.
  const std::pair<const char*, double> writes[] = {
      {"SENS:TEMP:RTD:ALPH", 0.003850000000000},    {"SENS:TEMP:RTD:BETA", 0.123456789012345},
      {"SENS:TEMP:RTD:DELT", 1.499900000000000},    {"SENS:TEMP:RTD:RZER", 999.999999999999886},
      {"SENS:TEMP:SPRTD:RZER", 25.500000000000000}, {"SENS:TEMP:SPRTD:A4", -0.000123456789012},
      {"SENS:TEMP:SPRTD:B4", 0.000000000000001},    {"SENS:TEMP:SPRTD:Ax", 0.333333333333333},
      {"SENS:TEMP:SPRTD:Bx", -1.000000000000000},   {"SENS:TEMP:SPRTD:Cx", 0.999999999999999},
  };
  for (const auto& [header, value] : writes) {
    const std::string text = FormatC("%.15f", value);
    Send(std::string(header) + " " + text);
    std::string query = std::string(header) + "?";
    for (char& c : query) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(Number(query), LeadingNumber(text)) << header;
  }
  Send("SENS:TEMP:RTD:ALPH 0.011");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  Send("SENS:TEMP:SPRTD:RZER 9.999");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
}

TEST_F(MeterTest, ReadingsAreExactWithNoiseZero) {
  EXPECT_EQ(Query("read?"), "+1.23456700E+00");
  EXPECT_EQ(Query("read?"), "+1.23456700E+00");
  clock_.Advance(std::chrono::seconds(3));
  EXPECT_EQ(Query("read?"), "+1.23456700E+00");
  Send("CONF:VOLT:AC");
  EXPECT_EQ(Query("read?"), "+5.00000000E-01");
  Send("CONF:CURR:DC");
  EXPECT_EQ(Query("read?"), "+1.23000000E-02");
  Send("CONF:RES");
  EXPECT_EQ(Query("read?"), "+1.00000000E+03");
  Send("CONF:FREQ");
  EXPECT_EQ(Query("read?"), "+1.00000000E+03");
  Send("CONF:PER");
  EXPECT_EQ(Query("read?"), "+1.00000000E-03");
  Send("CONF:DIOD");
  EXPECT_EQ(Query("read?"), "+6.20000000E-01");
  Send("CONF:TEMP");
  EXPECT_EQ(Query("read?"), "+2.35000000E+01");
  Send("SENS:UNIT K");
  EXPECT_EQ(Number("read?"), 23.5 + 273.15);
  Send("SENS:UNIT F");
  EXPECT_NEAR(Number("read?"), 74.3, 1e-9);
  // fetch? outside a scan answers the last readings; several samples are separated by ",".
  Send("CONF:VOLT:DC");
  Send("sample:count 3");
  EXPECT_EQ(Query("read?"), "+1.23456700E+00,+1.23456700E+00,+1.23456700E+00");
  EXPECT_EQ(Query("fetch?"), "+1.23456700E+00,+1.23456700E+00,+1.23456700E+00");
  Send("sample:count 1");
  EXPECT_EQ(Query("fetch?"), "+1.23456700E+00");
}

TEST_F(MeterTest, ConfiguredInputs) {
  MeterConfig config = Config();
  config.inputs = {{"VOLT", -2.5}, {"RES", 4700.0}, {"FREQ", 50.0}};
  Make(config);
  EXPECT_EQ(Query("read?"), "-2.50000000E+00");
  Send("CONF:RES");
  EXPECT_EQ(Query("read?"), "+4.70000000E+03");
  Send("CONF:PER");
  EXPECT_EQ(Number("read?"), 0.02);  // the period of the 50 Hz signal given
}

TEST_F(MeterTest, NoiseIsSeededAndSmall) {
  MeterConfig config = Config();
  config.noise = 1e-5;
  config.seed = 42;
  SimulatedMeter a(config, clock_);
  SimulatedMeter b(config, clock_);
  config.seed = 43;
  SimulatedMeter c(config, clock_);
  auto read = [](SimulatedMeter& m) {
    EXPECT_TRUE(m.Write("read?\n"));
    char buffer[64];
    const auto outcome = m.Read(buffer, sizeof buffer, std::chrono::milliseconds(100));
    return std::string(buffer, outcome.count);
  };
  bool differs = false;
  std::string previous;
  for (int i = 0; i < 20; ++i) {
    const std::string ra = read(a);
    EXPECT_EQ(ra, read(b));  // equal seeds, equal readings
    differs |= ra != read(c);
    EXPECT_NEAR(LeadingNumber(ra), 1.234567, 1.234567 * 0.0025);  // wander 0.2 %, noise 10 ppm
    EXPECT_EQ(ra.size(), 16u);
    if (i > 0) {
      EXPECT_NE(ra, previous);
    }
    previous = ra;
    clock_.Advance(std::chrono::milliseconds(250));
  }
  EXPECT_TRUE(differs);
}

TEST_F(MeterTest, Overloads) {
  MeterConfig config = Config();
  config.inputs = {{"VOLT", 15.0}, {"CONT", 5000.0}, {"DIOD", 1.5}, {"VOLT:AC", 800.0}};
  Make(config);
  EXPECT_EQ(Query("read?"), "+1.50000000E+01");  // auto: holds 15 V on the 100 V range
  Send("SENS:VOLT:DC:RANGE 10");
  const std::string overload = Query("read?");
  EXPECT_EQ(overload, "+9.90000000E+37");
  EXPECT_EQ(overload.size(), 15u);
  Send("SENS:VOLT:DC:RANGE 100");
  EXPECT_EQ(Query("read?"), "+1.50000000E+01");
  Send("CONF:CONT");
  EXPECT_EQ(Query("read?"), "+9.90000000E+37");
  Send("CONF:DIOD");
  EXPECT_EQ(Query("read?"), "+9.90000000E+37");
  Send("CONF:VOLT:AC");
  EXPECT_EQ(Query("read?"), "+8.00000000E+02");  // 750 V range, 20 % over-range
  Send("SENS:VOLT:AC:RANGE 100");
  EXPECT_EQ(Query("read?"), "+9.90000000E+37");

  config.inputs = {{"VOLT", 1500.0}, {"CONT", 12.0}};
  Make(config);
  EXPECT_EQ(Query("read?"), "+9.90000000E+37");  // beyond the top range in auto
  Send("CONF:CONT");
  EXPECT_EQ(Query("read?"), "+1.20000000E+01");
}

TEST(ReadingFormat, MatchesPrintfExactly) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-40, 40);
  char buffer[32];
  for (int i = 0; i < 20000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, exponent(random));
    const std::size_t n = FormatReading(value, buffer);
    ASSERT_EQ(std::string(buffer, n), FormatC("%+.8E", value)) << value;
  }
  for (const double value : {0.0, -0.0, 9.9e37, 1.5, 0.125, 1e-300, 1.23456785}) {
    const std::size_t n = FormatReading(value, buffer);
    EXPECT_EQ(std::string(buffer, n), FormatC("%+.8E", value)) << value;
  }
}

TEST_F(MeterTest, ErrorQueueAndEventStatus) {
  EXPECT_EQ(Query("*ESR?"), "0");
  Send("BOGUS");
  EXPECT_EQ(Query("*esr?"), "32");  // command error
  EXPECT_EQ(Query("*esr?"), "0");   // read and cleared
  Send("SENS:VOLT:DC:RANGE 5000");
  EXPECT_EQ(Query("*esr?"), "16");  // execution error
  Send("BOGUS");
  Send("SENS:VOLT:DC:RANGE 5000");
  EXPECT_EQ(Query("*esr?"), "48");
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  EXPECT_EQ(Error(), "+0,\"No error\"");
  // Twenty entries at most; the newest reports the overflow.
  for (int i = 0; i < 25; ++i) Send("BOGUS");
  for (int i = 0; i < 19; ++i) EXPECT_EQ(Error(), "-113,\"Undefined header\"") << i;
  EXPECT_EQ(Error(), "-350,\"Queue overflow\"");
  EXPECT_EQ(Error(), "+0,\"No error\"");
  // *CLS clears both.
  Send("BOGUS");
  Send("*CLS");
  EXPECT_EQ(Error(), "+0,\"No error\"");
  EXPECT_EQ(Query("*ESR?"), "0");
  // *OPC sets bit 0.
  Send("*OPC");
  EXPECT_EQ(Query("*ESR?"), "1");
}

TEST_F(MeterTest, UnreadAnswersStayQueuedAndCommandsWithoutAnswersAnswerNothing) {
  Send("*IDN?");
  Send("func?");
  Send("CONF:RES");  // no answer, and the queued ones stay
  Send("syst:err?");
  EXPECT_EQ(ReadAnswer(), kFullIdentity);
  EXPECT_EQ(ReadAnswer(), "\"VOLT\"");
  EXPECT_EQ(ReadAnswer(), "+0,\"No error\"");
  EXPECT_TRUE(Silent());
  Send("Rout:scan:func?");  // a query that fails answers nothing
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Error(), "-109,\"Missing parameter\"");
}

TEST_F(MeterTest, ReadInPiecesAndDeviceClear) {
  Send("*IDN?");
  char buffer[16];
  auto outcome = M().Read(buffer, 10, std::chrono::milliseconds(100));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::BufferFull);
  EXPECT_EQ(std::string(buffer, outcome.count), "TOLVEX,W9-");
  const std::string rest = ReadAnswer();
  EXPECT_EQ(rest, "90/1,TW00012345,Q7110 1.05");
  // Exactly the size of the answer, line feed included: end of message.
  Send("func?");
  outcome = M().Read(buffer, 7, std::chrono::milliseconds(100));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::EndOfMessage);
  EXPECT_EQ(std::string(buffer, outcome.count), "\"VOLT\"\n");
  // A device clear drops unread answers and a half-sent line.
  Send("*IDN?");
  ASSERT_TRUE(M().Write("*ID"));
  M().Clear();
  ASSERT_TRUE(M().Write("func?\n"));
  EXPECT_EQ(ReadAnswer(), "\"VOLT\"");
  EXPECT_TRUE(Silent());
}

// A line of several queries gets one response message: the answers separated by ";" and
// ended by one line feed, so that the next query's answer is its own.
TEST_F(MeterTest, PopOutputForStreams) {
  EXPECT_FALSE(M().PopOutput().has_value());
  Send("*IDN?;func?");
  auto first = M().PopOutput();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->bytes, std::string(kFullIdentity) + ";\"VOLT\"\n");
  EXPECT_TRUE(first->endOfMessage);
  EXPECT_LE(first->readyAt, clock_.Steady());
  EXPECT_FALSE(M().PopOutput().has_value());
  Send("read?");
  auto second = M().PopOutput();
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->bytes, "+1.23456700E+00\n");
}

TEST_F(MeterTest, ResetRestoresPowerOnSettings) {
  Send("CONF:RES");
  Send("SENS:VOLT:DC:RANGE 10");
  Send("SENS:UNIT K");
  Send("rout:scan:func 2,\"RES\"");
  Send("*RST");
  EXPECT_EQ(Query("func?"), "\"VOLT\"");
  EXPECT_EQ(Query("VOLT:DC:RANG:AUTO?"), "1");
  EXPECT_EQ(Query("SENS:UNIT?"), "C");
  EXPECT_EQ(Query("Rout:scan:func? 2"), "\"NONE\"");
}

TEST_F(MeterTest, ReadingPathIsFast) {
  // The reading loop of the front panel and of the multiple-readings window. The bounds are far
  // below what the simulator does (about four million per second in an optimised build), so
  // that they hold on a busy machine; they catch accidental slowness by orders of magnitude (a
  // regex, a stream, an allocation storm, a sleep).
  SimulatedMeter& meter = M();
  char buffer[64];
  constexpr int kRounds = 200000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    meter.Write("read?\n");
    const ReadOutcome outcome = meter.Read(buffer, 60, std::chrono::milliseconds(20000));
    ASSERT_EQ(outcome.count, 16u);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perSecond = kRounds / seconds;
  RecordProperty("readings_per_second", static_cast<int>(perSecond));
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
  EXPECT_GT(perSecond, 500000.0);
#else
  EXPECT_GT(perSecond, 20000.0);  // unoptimised or instrumented build
#endif
}

}  // namespace
}  // namespace vx::sim
