// SCPI patterns: optional keywords, suffixes, query forms and common commands as the
// simulated meter's command table writes them.

#include <gtest/gtest.h>

#include <string>

#include "sim/scpi_pattern.h"

namespace vx::sim {
namespace {

Header Parsed(std::string_view text) {
  Header h;
  EXPECT_EQ(ParseHeader(text, h), HeaderResult::Ok) << text;
  return h;
}

bool Matches(std::string_view pattern, std::string_view header, int* suffixOut = nullptr) {
  std::string error;
  const auto compiled = ScpiPattern::Compile(pattern, &error);
  EXPECT_TRUE(compiled.has_value()) << error;
  if (!compiled) return false;
  int suffix = -1;
  const bool matched = compiled->Matches(Parsed(header), suffix);
  if (suffixOut) *suffixOut = suffix;
  return matched;
}

TEST(ScpiPattern, OptionalKeywordsMayBeLeftOutAnywhere) {
  const char* pattern = "[SENSe:]VOLTage[:DC]:RANGe[:UPPer][?]";
  for (const char* header : {"VOLT:RANG", "SENS:VOLT:RANG?", "sense:voltage:dc:range:upper",
                             "VOLT:DC:RANG:UPP?", "Volt:Rang:Upp"}) {
    EXPECT_TRUE(Matches(pattern, header)) << header;
  }
  for (const char* header : {"VOLT", "SENS:RANG", "VOLT:AC:RANG", "VOLT:RANG:AUTO", "VOLT:UPP:RANG",
                             "SENS:SENS:VOLT:RANG"}) {
    EXPECT_FALSE(Matches(pattern, header)) << header;
  }
  // Two optional keywords in a row, then the one that must be there.
  EXPECT_TRUE(Matches("[SENSe:][TEMPerature:]TCOuple:TYPE", "TCO:TYPE"));
  EXPECT_TRUE(Matches("[SENSe:][TEMPerature:]TCOuple:TYPE", "SENS:TEMP:TCO:TYPE"));
  EXPECT_TRUE(Matches("[SENSe:][TEMPerature:]TCOuple:TYPE", "TEMP:TCO:TYPE"));
  EXPECT_FALSE(Matches("[SENSe:][TEMPerature:]TCOuple:TYPE", "TEMP:TYPE"));
}

TEST(ScpiPattern, QueryFormsAndCommonCommands) {
  EXPECT_TRUE(Matches("READ?", "read?"));
  EXPECT_FALSE(Matches("READ?", "READ"));
  EXPECT_TRUE(Matches("INITiate[:IMMediate]", "INIT:IMM"));
  EXPECT_FALSE(Matches("INITiate[:IMMediate]", "INIT?"));
  EXPECT_TRUE(Matches("TRIGger:SOURce[?]", "TRIG:SOUR"));
  EXPECT_TRUE(Matches("TRIGger:SOURce[?]", "TRIG:SOUR?"));
  EXPECT_TRUE(Matches("*ESE[?]", "*ese?"));
  EXPECT_TRUE(Matches("*ESE[?]", "*ESE"));
  EXPECT_FALSE(Matches("*ESE[?]", "*SRE"));
  EXPECT_FALSE(Matches("*IDN?", "*IDN"));
  EXPECT_FALSE(Matches("*IDN?", "*IDX?"));
  EXPECT_FALSE(Matches("READ?", "*REA?"));
}

TEST(ScpiPattern, TheMarkedKeywordHandsOverItsSuffix) {
  int suffix = -1;
  EXPECT_TRUE(Matches("[SENSe:]FUNCtion#[?]", "sens:func2?", &suffix));
  EXPECT_EQ(suffix, 2);
  EXPECT_TRUE(Matches("[SENSe:]FUNCtion#[?]", "FUNC?", &suffix));
  EXPECT_EQ(suffix, 0);
  // Other keywords take a suffix and ignore it.
  EXPECT_TRUE(Matches("[SENSe:]FUNCtion#[?]", "SENS1:FUNC?", &suffix));
  EXPECT_EQ(suffix, 0);
}

TEST(ScpiPattern, MalformedPatternsAreRefusedWithAReason) {
  std::string error;
  for (const char* bad :
       {"VOLTS:RANGe", "VOLTAGE:RANGe", "[SENSe:]", "VOLTage::RANGe", "VOLTage[:DC:RANGe",
        "[:VOLTage]", "*ID?", "FUNCtion#:RANGe#", "[SENSe:]:VOLTage", "VOLTage RANGe"}) {
    error.clear();
    EXPECT_FALSE(ScpiPattern::Compile(bad, &error).has_value()) << bad;
    EXPECT_NE(error.find(bad), std::string::npos) << error;
  }
}

TEST(ScpiCommandTable, TheFirstMatchingPatternWins) {
  ScpiCommandTable table;
  EXPECT_EQ(table.Add("[SENSe:]VOLTage[:DC]:RANGe[?]", 1), "");
  EXPECT_EQ(table.Add("[SENSe:]VOLTage[:DC]:RATio:RANGe[?]", 2), "");
  EXPECT_EQ(table.Add("VOLTage:RANGe?", 3), "");  // shadowed by entry 1
  EXPECT_EQ(table.Add("*RST", 4), "");
  EXPECT_NE(table.Add("VOLTage:NOPE", 5), "");
  EXPECT_EQ(table.Size(), 4u);
  auto id = [&table](std::string_view header) {
    const auto match = table.Find(Parsed(header));
    return match ? match->id : 0;
  };
  EXPECT_EQ(id("VOLT:RANG?"), 1);
  EXPECT_EQ(id("SENS:VOLT:DC:RAT:RANG"), 2);
  EXPECT_EQ(id("VOLT:RAT:RANG?"), 2);
  EXPECT_EQ(id("*rst"), 4);
  EXPECT_EQ(id("*CLS"), 0);
  EXPECT_EQ(id("CURR:RANG"), 0);
}

}  // namespace
}  // namespace vx::sim
