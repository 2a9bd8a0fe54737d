// SCPI syntax: every spelling the system sends is understood, short and long forms and any
// letter case reach the same setting, and malformed headers are refused.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/scpi_command.h"
#include "sim_test_util.h"

namespace vx::sim {
namespace {

using testing::Config;
using testing::SimTest;

TEST(ScpiHeader, ShortLongAndCaseGiveTheSameNodes) {
  Header a, b, c;
  ASSERT_EQ(ParseHeader("SENS:VOLT:DC:RANG:AUTO?", a), HeaderResult::Ok);
  ASSERT_EQ(ParseHeader(":sense:Voltage:dc:RANGE:auto?", b), HeaderResult::Ok);
  ASSERT_EQ(ParseHeader("SeNsE:vOlT:Dc:RaNgE:AuTo?", c), HeaderResult::Ok);
  EXPECT_TRUE(a.query);
  EXPECT_EQ(a.count, 5);
  EXPECT_EQ(a.nodes, b.nodes);
  EXPECT_EQ(a.nodes, c.nodes);
  EXPECT_EQ(a.nodes[0], Kw::Sense);
  EXPECT_EQ(a.nodes[4], Kw::Auto);
}

TEST(ScpiHeader, RefusesWhatIsNeitherShortNorLong) {
  Header h;
  EXPECT_EQ(ParseHeader("VOLTA:RANG?", h), HeaderResult::Undefined);  // between short and long
  EXPECT_EQ(ParseHeader("RAN?", h), HeaderResult::Undefined);
  EXPECT_EQ(ParseHeader("VOLTAGES", h), HeaderResult::Undefined);
  EXPECT_EQ(ParseHeader("SENS::VOLT", h), HeaderResult::Syntax);
  EXPECT_EQ(ParseHeader("*IDNX?", h), HeaderResult::Undefined);
}

TEST(ScpiHeader, NumericSuffixAndDigitKeywords) {
  Header h;
  ASSERT_EQ(ParseHeader("sens:func2?", h), HeaderResult::Ok);
  EXPECT_EQ(h.nodes[1], Kw::Function);
  EXPECT_EQ(h.suffix[1], 2);
  ASSERT_EQ(ParseHeader("SENS:TEMP:SPRTD:A4", h), HeaderResult::Ok);
  EXPECT_EQ(h.nodes[3], Kw::A4);
  EXPECT_EQ(h.suffix[3], 0);
  ASSERT_EQ(ParseHeader("SENS:TEMP:SPRTD:Ax", h), HeaderResult::Ok);
  EXPECT_EQ(h.nodes[3], Kw::Ax);
}

TEST(ScpiParameters, NumbersBooleansKeywords) {
  double x = 0;
  EXPECT_TRUE(ParseNumber("10.000000000000", x));
  EXPECT_EQ(x, 10.0);
  EXPECT_TRUE(ParseNumber("+1E-3", x));
  EXPECT_EQ(x, 1e-3);
  EXPECT_TRUE(ParseNumber("-.5", x));
  EXPECT_EQ(x, -0.5);
  EXPECT_FALSE(ParseNumber("10V", x));
  EXPECT_FALSE(ParseNumber("", x));
  EXPECT_FALSE(ParseNumber("inf", x));
  bool b = false;
  EXPECT_TRUE(ParseBoolean("on", b));
  EXPECT_TRUE(b);
  EXPECT_TRUE(ParseBoolean("0", b));
  EXPECT_FALSE(b);
  EXPECT_FALSE(ParseBoolean("maybe", b));
  EXPECT_TRUE(MatchesKeyword("max", "MAXimum"));
  EXPECT_TRUE(MatchesKeyword("Maximum", "MAXimum"));
  EXPECT_FALSE(MatchesKeyword("maxi", "MAXimum"));
  EXPECT_EQ(Unquote("\"VOLT:DC\""), "VOLT:DC");
}

// Every command spelling that the system sends, in an order that makes each one valid.
class SystemSpellings : public SimTest {};

TEST_F(SystemSpellings, AreAllUnderstoodWithoutError) {
  const std::vector<std::string> commands = {
      "L0",
      "*IDN?",
      "*idn?",
      "*esr?",
      "*cls",
      "*OPC?",
      "*RST",
      "syst:err?",
      "func?",
      "CONF:VOLT:DC",
      "CONF:CURR:DC",
      "CONF:CURR:AC",
      "CONF:VOLT:AC",
      "CONF:RES",
      "CONF:FRES",
      "CONF:FREQ",
      "CONF:PER",
      "CONF:CONT",
      "CONF:DIOD",
      "CONF:DIODE",
      "CONF:TEMP",
      "CONF:TCO",
      "CONF:TCOUPLE",
      "CONF:VOLT:RAT",
      "CONF:CAP",
      "SENS:VOLT:DC:RANG:AUTO 1",
      "SENS:VOLT:DC:RANG:AUTO?",
      "SENS:VOLT:DC:RANGE:AUTO 0",
      "SENS:VOLT:DC:RANGE 10.000000000000",
      "SENS:VOLT:DC:RANGE?",
      "VOLT:AC:RANGe:AUTO?",
      "VOLT:DC:range?",
      "CURR:DC:RANGe:AUTO?",
      "CURR:DC:range?",
      "FRES:RANGe:AUTO?",
      "FRES:range?",
      "FREQ:VOLT:RANGe:AUTO?",
      "FREQ:VOLT:range?",
      "PER:VOLT:RANGe:AUTO?",
      "SENS:FREQ:volt:rang 10.0",
      "SENS:PER:volt:rang 1000.0",
      "SENS:PER:volt:rang:auto on",
      "SENS:FREQ:volt:rang:auto?",
      "SENS:FREQ:volt:rang?",
      "SENS:PER:volt:rang?",
      "SENS:VOLT:DC:RAT:RANGE:AUTO 1",
      "SENS:VOLT:DC:RAT:RANGE:AUTO?",
      "SENS:VOLT:DC:RAT:RANGE:AUTO 0",
      "SENS:VOLT:DC:RAT:RANGE 1.000000000000",
      "SENS:VOLT:DC:RAT:RANGE?",
      "VOLT:DC:RAT:RANG:AUTO?",
      "CAP:RANGe:AUTO?",
      "sens:cap:rang?",
      "SENS:freq:APER 0.1",
      "SENS:freq:APER 0.01",
      "SENS:freq:APER 1",
      "SENS:FREQ:APER?",
      "SENS:VOLT:DC:NPLC 10",
      "SENS:VOLT:DC:NPLC?",
      "SENS:CURR:DC:NPLC 0.006",
      "SENS:RES:NPLC 100",
      "SENS:FRES:NPLC?",
      "SENS:VOLT:DC:RAT:NPLC 1",
      "SENS:VOLT:DC:RAT:NPLC?",
      "SENS:DET:BAND 20",
      "SENS:DET:BAND?",
      "SENS:UNIT C",
      "SENS:UNIT?",
      "SENS:TEMP:RTD:TYPE PT100",
      "SENS:TEMP:RTD:TYPE?",
      "SENS:TEMP:RTD:ALPH 0.003850000000000",
      "SENS:TEMP:RTD:BETA 0.108630000000000",
      "SENS:TEMP:RTD:DELT 1.499900000000000",
      "SENS:TEMP:RTD:RZER 100.000000000000000",
      "SENS:TEMP:RTD:ALPH?",
      "SENS:TEMP:RTD:BETA?",
      "SENS:TEMP:RTD:DELT?",
      "SENS:TEMP:RTD:RZER?",
      "SENS:TEMP:SPRTD:RZER 100.0",
      "SENS:TEMP:SPRTD:A4 -0.000123400000000",
      "SENS:TEMP:SPRTD:B4 0.000000567800000",
      "SENS:TEMP:SPRTD:Ax 0.100000000000000",
      "SENS:TEMP:SPRTD:Bx -0.200000000000000",
      "SENS:TEMP:SPRTD:Cx 0.300000000000000",
      "SENS:TEMP:SPRTD:RZER?",
      "SENS:TEMP:SPRTD:A4?",
      "SENS:TEMP:SPRTD:B4?",
      "SENS:TEMP:SPRTD:AX?",
      "SENS:TEMP:SPRTD:BX?",
      "SENS:TEMP:SPRTD:CX?",
      "SENS:TCO:TYPE K",
      "SENS:TCO:TYPE?",
      "sample:count 1",
      "CONF:VOLT:DC",
      "read?",
      "fetch?",
      "Rout:state?",
      "Rout:scan:func? 3",
      "rout:scan:func 3,\"VOLT:DC\"",
      "rout:scan:func 1,\"FRES\"",
      "rout:scan:func 2,\"NONE\"",
      "Rout:scan:func? 1",
      "Rout:scan:count 25",
      "Rout:scan:timer 0.500000",
      "route:scan",
      "Rout:scan:state?",
      "route:scan:step",
      "trig:sour ext",
      "trig:sour imm",
      "trig:count 1",
      "init",
      "*OPC?",
      "sens:func2?",
      "*esr?",
  };
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const bool query = command.find('?') != std::string::npos;
    const std::string answer = query ? Query(command) : (Send(command), std::string());
    if (query) {
      EXPECT_EQ(last_, ReadOutcome::Status::EndOfMessage);
      EXPECT_FALSE(answer.empty());
    } else {
      EXPECT_TRUE(Silent());
    }
    if (command != "*esr?" && command != "*cls" && command != "syst:err?") {
      EXPECT_EQ(Error(), "+0,\"No error\"");
    }
  }
}

TEST_F(SystemSpellings, ShortLongAndCaseReachTheSameSetting) {
  const std::vector<std::string> setters = {
      "SENS:VOLT:DC:RANG 100", "SENSE:VOLTAGE:DC:RANGE 100", ":sense:voltage:dc:range 100",
      "VOLT:RANG 100",         "VoLt:Dc:RaNgE 100",          "SENS:VOLT:DC:RANG:UPP 100",
  };
  for (const std::string& setter : setters) {
    SCOPED_TRACE(setter);
    Send("*RST");
    Send(setter);
    EXPECT_EQ(Query("VOLT:DC:RANG:AUTO?"), "0");
    EXPECT_EQ(Query("VOLT:DC:range?"), "+1.00000000E+02");
    EXPECT_EQ(Query("SENSE:VOLTAGE:RANGE?"), "+1.00000000E+02");
  }
  for (const char* conf : {"CONF:DIOD", "CONFIGURE:DIODE", "conf:diode", ":Conf:Diod"}) {
    Send("CONF:VOLT:DC");
    Send(conf);
    EXPECT_EQ(Query("func?"), "\"DIOD\"") << conf;
  }
  for (const char* conf : {"CONF:VOLT:RAT", "CONF:VOLT:DC:RAT", "configure:voltage:ratio"}) {
    Send("CONF:VOLT:DC");
    Send(conf);
    EXPECT_EQ(Query("SENSE:FUNCTION?"), "\"VOLT:RAT\"") << conf;
  }
  for (const char* conf : {"CONF:TCO", "CONF:TCOUPLE", "CONFIGURE:TCOUPLE"}) {
    Send("CONF:VOLT:DC");
    Send(conf);
    EXPECT_EQ(Query("func?"), "\"TCO\"") << conf;
  }
  Send("SENS:FUNC \"FRES\"");
  EXPECT_EQ(Query("func?"), "\"FRES\"");
  Send("FUNCTION 'volt:ac'");
  EXPECT_EQ(Query("func?"), "\"VOLT:AC\"");

  Send("TEMPERATURE:RTD:ALPHA 0.0039");
  EXPECT_EQ(LeadingNumber(Query("SENS:TEMP:RTD:ALPH?")), 0.0039);
  Send("sens:temp:sprtd:bx 0.25");
  EXPECT_EQ(LeadingNumber(Query("SENS:TEMP:SPRTD:BX?")), 0.25);
  Send("SENSE:DETECTOR:BANDWIDTH 3");
  EXPECT_EQ(Number("DET:BAND?"), 3.0);
  Send("FREQUENCY:APERTURE 1");
  EXPECT_EQ(Number("PER:APER?"), 1.0);  // one gate time for frequency and period
  Send("unit k");
  EXPECT_EQ(Query("SENS:UNIT?"), "K");
  Send("ROUTE:SCAN:FUNCTION 4,\"volt:ac\"");
  EXPECT_EQ(Query("rout:scan:func? 4"), "\"VOLT:AC\"");
  Send("rout:scan:func 5,VOLT:DC");  // quotes are optional
  EXPECT_EQ(Query("ROUT:SCAN:FUNC? 5"), "\"VOLT:DC\"");
  EXPECT_EQ(Error(), "+0,\"No error\"");
  EXPECT_EQ(Query("SYSTEM:ERROR:NEXT?"), "+0,\"No error\"");
}

TEST_F(SystemSpellings, LineSyntax) {
  // Several commands in one line; the answers of its queries form one message.
  ASSERT_TRUE(M().Write("CONF:RES;func?;*IDN?\r\n"));
  EXPECT_EQ(ReadAnswer(), "\"RES\";" + std::string(testing::kFullIdentity));
  // A line may arrive in pieces; nothing runs before its line feed.
  ASSERT_TRUE(M().Write("fu"));
  ASSERT_TRUE(M().Write("nc"));
  EXPECT_TRUE(Silent());
  ASSERT_TRUE(M().Write("?\n"));
  EXPECT_EQ(ReadAnswer(), "\"RES\"");
  // White space around parameters, a leading colon, empty commands.
  Send(":SENS:UNIT \t F ");
  EXPECT_EQ(Query("SENS:UNIT?"), "F");
  Send(";;");
  Send("");
  EXPECT_EQ(Error(), "+0,\"No error\"");
  // L0 takes no answer and raises no error; "*IDN?" in lower case is the same command.
  Send("L0");
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Query("*idn?"), testing::kFullIdentity);
  EXPECT_EQ(Error(), "+0,\"No error\"");
}

TEST_F(SystemSpellings, UnknownAndMalformedCommands) {
  Send("VOLTA:RANG 10");
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  Send("init?");  // a command that has no query form
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  Send("CONT:RANG 10");  // continuity has no selectable range
  EXPECT_EQ(Error(), "-113,\"Undefined header\"");
  Send("SENS:VOLT:DC:RANGE ten");
  EXPECT_EQ(Error(), "-104,\"Data type error\"");
  Send("SENS:VOLT:DC:RANGE");
  EXPECT_EQ(Error(), "-109,\"Missing parameter\"");
  Send("*CLS 1");
  EXPECT_EQ(Error(), "-108,\"Parameter not allowed\"");
  Send("SENS::VOLT");
  EXPECT_EQ(Error(), "-102,\"Syntax error\"");
  Send("TRIG:SOUR SOMETIMES");
  EXPECT_EQ(Error(), "-224,\"Illegal parameter value\"");
  EXPECT_EQ(Error(), "+0,\"No error\"");
}

}  // namespace
}  // namespace vx::sim
