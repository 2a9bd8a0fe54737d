#include "instrument/display_name.h"

#include <gtest/gtest.h>

namespace vx::instrument {
namespace {

TEST(DisplayName, NamesUsbMetersByModelAndSerial) {
  EXPECT_EQ(MakeDisplayName("USB0::0x1F3A::0x0C21::TW00012345::INSTR",
                            "TOLVEX,W9-90/1,TW00012345,Q7110 1.05"),
            "W9-90/1-USBTMC-TW00012345");
  // The descriptor is upper-cased before the serial is taken; the model always is.
  EXPECT_EQ(MakeDisplayName("USB0::0x1f3a::0x0c21::tw7::INSTR", "tolvex,w9-90/1,x,y"),
            "W9-90/1-USBTMC-TW7");
}

// Every valid spelling of a USB descriptor names the meter as its hexadecimal twin does:
// decimal numbers, numbers of fewer digits, an interface number, a lower-case prefix.
TEST(DisplayName, EveryValidUsbDescriptorGivesItsSerial) {
  const char* identity = "TOLVEX,W9-90/1,S5,Q7110 1.05";
  const std::string twin = MakeDisplayName("USB0::0x1F3A::0x0C21::S5::INSTR", identity);
  ASSERT_EQ(twin, "W9-90/1-USBTMC-S5");
  for (const char* descriptor :
       {"USB0::7994::3105::S5::INSTR", "USB::0x1F3A::0xC21::S5::INSTR",
        "USB0::0x1F3A::0x0C21::S5::0::INSTR", "usb0::7994::3105::s5::instr",
        "USB12::0x1F3A::0x0C21::S5::INSTR", "USB0::0x1F3A::0x0C21::S5"}) {
    EXPECT_EQ(MakeDisplayName(descriptor, identity), twin) << descriptor;
  }
}

TEST(DisplayName, NamesGpibMetersByModelAndAddress) {
  EXPECT_EQ(MakeDisplayName("GPIB0::22::INSTR", "TOLVEX,W9-90/1,S,1"), "W9-90/1-GPIB-22");
  // A one-digit address keeps one digit: the ":" that follows it is removed.
  EXPECT_EQ(MakeDisplayName("GPIB0::5::INSTR", "TOLVEX,W9-90/1,S,1"), "W9-90/1-GPIB-5");
}

TEST(DisplayName, FollowsTheIdentityAnswerLiterally) {
  EXPECT_EQ(MakeDisplayName("GPIB0::22::INSTR", ""), "Unknow Manufacture-GPIB-22");
  EXPECT_EQ(MakeDisplayName("GPIB0::22::INSTR", "W9-90/1 without commas"), "-GPIB-22");
  EXPECT_EQ(MakeDisplayName("USB0::0x1F3A::0x0C21::S1::INSTR", "no comma"), "-USBTMC-S1");
  EXPECT_EQ(MakeDisplayName("GPIB0::22::INSTR", "MAKER,MODEL"), "MODEL-GPIB-22");
  EXPECT_EQ(MakeDisplayName("TCPIP0::10.0.0.2::5025::SOCKET", "A,W9-90/1,S"), "W9-90/1");
}

TEST(DisplayName, SurvivesDescriptorsShorterThanTheRuleExpects) {
  EXPECT_EQ(MakeDisplayName("USB0::1", "A,M,S"), "M-USBTMC-");
  EXPECT_EQ(MakeDisplayName("USB0::0x1F3A::0x0C21", "A,M,S"), "M-USBTMC-");
  EXPECT_EQ(MakeDisplayName("GPIB", "A,M,S"), "M-GPIB-");
  EXPECT_EQ(MakeDisplayName("GPIB0::", "A,M,S"), "M-GPIB-");
}

}  // namespace
}  // namespace vx::instrument
