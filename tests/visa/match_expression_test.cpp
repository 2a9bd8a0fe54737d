#include "visa/match_expression.h"

#include <gtest/gtest.h>

#include <string>

namespace vx::visa {
namespace {

bool Match(const char* expression, const char* descriptor) {
  const auto compiled = MatchExpression::Compile(expression);
  EXPECT_TRUE(compiled) << expression;
  return compiled && compiled->Matches(descriptor);
}

TEST(MatchExpression, SelectsTheResourcesEachSearchWants) {
  EXPECT_TRUE(Match("USB[0-9]?*INSTR", "USB0::0x1F3A::0x0C21::TW00012345::INSTR"));
  EXPECT_FALSE(Match("USB[0-9]?*INSTR", "USB0::0x1F3A::0x0C21::TW00012345::RAW"));
  EXPECT_FALSE(Match("USB[0-9]?*INSTR", "GPIB0::22::INSTR"));
  EXPECT_TRUE(Match("GPIB[0-9]?*INSTR", "GPIB0::22::INSTR"));
  EXPECT_FALSE(Match("GPIB[0-9]?*INSTR", "GPIB0::INTFC"));
  EXPECT_TRUE(Match("GPIB?*", "GPIB0::INTFC"));
  EXPECT_TRUE(Match("?*INSTR", "TCPIP0::10.0.0.1::inst0::INSTR"));
  EXPECT_TRUE(Match("USB[0-9]::0x1F3A::0x0C21::?*INSTR", "USB0::0x1F3A::0x0C21::X::INSTR"));
  EXPECT_FALSE(Match("USB[0-9]::0x1F3A::0x0C21::?*INSTR", "USB0::0x1F3A::0x0C22::X::INSTR"));
  EXPECT_TRUE(Match("USB[0-9]::7994::3105::?*INSTR", "USB1::7994::3105::X::INSTR"));
}

TEST(MatchExpression, MatchesWholeDescriptorsWithoutRegardToCase) {
  EXPECT_TRUE(Match("usb?*instr", "USB0::1::2::S::INSTR"));
  EXPECT_FALSE(Match("USB", "USB0::1::2::S::INSTR"));
  EXPECT_FALSE(Match("?*INSTR", "USB0::1::2::S::INSTRX"));
  EXPECT_TRUE(Match("[a-c]x", "Bx"));
}

TEST(MatchExpression, SupportsTheWholeOperatorSet) {
  EXPECT_TRUE(Match("GPIB(0|1)::?*", "GPIB1::3::INSTR"));
  EXPECT_FALSE(Match("GPIB(0|1)::?*", "GPIB2::3::INSTR"));
  EXPECT_TRUE(Match("ASRL[^0-3]::INSTR", "ASRL5::INSTR"));
  EXPECT_FALSE(Match("ASRL[^0-3]::INSTR", "ASRL2::INSTR"));
  EXPECT_TRUE(Match("GPIB0::[0-9]+::INSTR", "GPIB0::22::INSTR"));
  EXPECT_FALSE(Match("GPIB0::[0-9]+::INSTR", "GPIB0::::INSTR"));
  EXPECT_TRUE(Match("GPIB0::2*::INSTR", "GPIB0::::INSTR"));
  EXPECT_TRUE(Match("a\\?b", "a?b"));
  EXPECT_FALSE(Match("a\\?b", "axb"));
  EXPECT_TRUE(Match("[]x]", "]"));
  EXPECT_TRUE(Match("(ab)*c", "ababc"));
}

TEST(MatchExpression, RefusesMalformedExpressionsWithAReason) {
  for (const char* bad :
       {"", "*INSTR", "+", "(GPIB", "GPIB)", "[0-9", "a\\", "[9-0]", "a||b", "()"}) {
    std::string error;
    EXPECT_FALSE(MatchExpression::Compile(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_FALSE(MatchExpression::Compile(std::string(2000, '?')));
  EXPECT_FALSE(MatchExpression::Compile(std::string(100, '(') + "a" + std::string(100, ')')));
}

TEST(MatchExpression, HostileExpressionsEndPromptly) {
  // A backtracking matcher would need on the order of 200^8 steps here and hang until the
  // test's time-out; this one is linear in the descriptor's length.
  const auto compiled = MatchExpression::Compile("(a*)*(a*)*(a*)*(a*)*b");
  ASSERT_TRUE(compiled);
  EXPECT_FALSE(compiled->Matches(std::string(200, 'a')));
  EXPECT_TRUE(compiled->Matches(std::string(200, 'a') + "b"));
}

}  // namespace
}  // namespace vx::visa
