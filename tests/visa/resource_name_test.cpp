#include "visa/resource_name.h"

#include <gtest/gtest.h>

#include "visa/visa.h"

namespace vx::visa {
namespace {

TEST(ResourceName, ParsesTheMetersDescriptors) {
  const auto usb = ParseResourceName("USB0::0x1F3A::0x0C21::TW00012345::INSTR");
  ASSERT_TRUE(usb);
  EXPECT_EQ(usb->interfaceType, InterfaceType::Usb);
  EXPECT_EQ(usb->vendorId, 0x1F3A);
  EXPECT_EQ(usb->productId, 0x0C21);
  EXPECT_EQ(usb->serialNumber, "TW00012345");
  EXPECT_EQ(usb->VisaInterfaceCode(), VI_INTF_USB);

  const auto gpib = ParseResourceName("GPIB0::22::INSTR");
  ASSERT_TRUE(gpib);
  EXPECT_EQ(gpib->primaryAddress, 22u);
  EXPECT_FALSE(gpib->secondaryAddress);

  const auto socket = ParseResourceName("TCPIP0::127.0.0.1::5025::SOCKET");
  ASSERT_TRUE(socket);
  EXPECT_EQ(socket->resourceClass, ResourceClass::Socket);
  EXPECT_EQ(socket->host, "127.0.0.1");
  EXPECT_EQ(socket->port, 5025);
}

TEST(ResourceName, AcceptsEveryCustomarySpellingOfOneResource) {
  // Lower case, a missing board number, decimal USB numbers, an omitted INSTR.
  const std::string canonical = "USB0::0x1F3A::0x0C21::TW1::INSTR";
  for (const char* spelling : {"usb0::0x1f3a::0x0c21::TW1::instr", "USB::7994::3105::TW1",
                               "USB0::0x1F3A::3105::TW1::INSTR"}) {
    const auto name = ParseResourceName(spelling);
    ASSERT_TRUE(name) << spelling;
    EXPECT_EQ(name->Canonical(), canonical) << spelling;
  }
  EXPECT_EQ(ParseResourceName("gpib::5")->Canonical(), "GPIB0::5::INSTR");
  EXPECT_EQ(ParseResourceName("GPIB1::3::30::INSTR")->Canonical(), "GPIB1::3::30::INSTR");
  EXPECT_EQ(ParseResourceName("TCPIP::10.0.0.5::INSTR")->Canonical(), "TCPIP0::10.0.0.5::INSTR");
  EXPECT_EQ(ParseResourceName("GPIB-VXI0::8::INSTR")->interfaceType, InterfaceType::GpibVxi);
  EXPECT_EQ(ParseResourceName("GPIB0::INTFC")->resourceClass, ResourceClass::Intfc);
}

TEST(ResourceName, RefusesMalformedDescriptorsWithAReason) {
  const char* bad[] = {"",
                       "FOO0::1::INSTR",
                       "GPIB0::31::INSTR",
                       "GPIB0::3::31::INSTR",  // secondary addresses are 0 to 30
                       "GPIB0::3::96::INSTR",
                       "GPIB0::x::INSTR",
                       "GPIB0::1::2::3::INSTR",
                       "GPIBx::1::INSTR",
                       "USB0::0x1F3A::0x0C21::INSTR",
                       "USB0::0x1F3AB::0x0C21::S::INSTR",
                       "USB0::70000::1::S::INSTR",
                       "USB0::0x1F3A::0x0C21::S::INTFC",
                       "TCPIP0::host::SOCKET",
                       "TCPIP0::host::0::SOCKET",
                       "TCPIP0::host::65536::SOCKET",
                       "TCPIP0::::5025::SOCKET",
                       "GPIB0::::INSTR",
                       "TCPIP0::host:::INSTR",
                       "TCPIP0:::host::INSTR",
                       "GPIB0::22::IN\nSTR",
                       "USB0::1::2::S\x01N::INSTR"};
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(ParseResourceName(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
  EXPECT_FALSE(ParseResourceName(std::string(300, 'G')));
}

TEST(ResourceName, CanonicalFormParsesBackToTheSameResource) {
  for (const char* text : {"USB3::1::2::abc::7::RAW", "TCPIP2::host.example::inst1::INSTR",
                           "ASRL1::INSTR", "VXI0::1::INSTR", "PXI0::15::INSTR"}) {
    const auto name = ParseResourceName(text);
    ASSERT_TRUE(name) << text;
    const auto again = ParseResourceName(name->Canonical());
    ASSERT_TRUE(again) << name->Canonical();
    EXPECT_EQ(*again, *name) << text;
  }
}

}  // namespace
}  // namespace vx::visa
