// The USB-TMC backend against a sysfs tree built in a temporary folder, the way the kernel
// lays it out, with FIFOs standing in for the /dev/usbtmc<N> character devices.

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "usbtmc_fixture.h"

namespace vx::visa {
namespace {

using namespace std::chrono_literals;

class UsbTmcBackendTest : public UsbTmcFixture {};

TEST_F(UsbTmcBackendTest, DiscoveryListsEveryInstrumentWithItsCanonicalDescriptor) {
  AddInstrument(0, "1f3a", "0c21", "TW00012345");
  AddInstrument(1, "0abc", "1a07", "SN441234");
  auto backend = MakeBackend();
  EXPECT_EQ(Find(*backend, "USB?*INSTR"),
            (std::vector<std::string>{"USB0::0x1F3A::0x0C21::TW00012345::INSTR",
                                      "USB0::0x0ABC::0x1A07::SN441234::INSTR"}));
  EXPECT_EQ(Find(*backend, "USB?*0x0ABC?*"),
            (std::vector<std::string>{"USB0::0x0ABC::0x1A07::SN441234::INSTR"}));
  EXPECT_TRUE(Find(*backend, "GPIB?*INSTR").empty());
  EXPECT_EQ(backend->Diagnostic(), "");
  EXPECT_TRUE(backend->Claims(*ParseResourceName("USB0::0x1F3A::0x0C21::X::INSTR"), ""));
  EXPECT_FALSE(backend->Claims(*ParseResourceName("GPIB0::22::INSTR"), ""));
}

TEST_F(UsbTmcBackendTest, EntriesThatCannotBeNamedAreLeftOutWithAReason) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  AddInstrument(1, "1f3a", "0c21", std::nullopt);
  AddInstrument(2, "1f3a", "0c21", "BAD::SERIAL");
  AddInstrument(3, "zz", "0c21", "TW3");
  auto backend = MakeBackend();
  EXPECT_EQ(Find(*backend, "?*"), (std::vector<std::string>{"USB0::0x1F3A::0x0C21::TW1::INSTR"}));
  const std::string diagnostic = backend->Diagnostic();
  EXPECT_NE(diagnostic.find("usbtmc1"), std::string::npos) << diagnostic;
  EXPECT_NE(diagnostic.find("serial"), std::string::npos) << diagnostic;
  EXPECT_NE(diagnostic.find("usbtmc2"), std::string::npos) << diagnostic;
  EXPECT_NE(diagnostic.find("usbtmc3"), std::string::npos) << diagnostic;
}

TEST_F(UsbTmcBackendTest, WithoutTheDriverNothingIsFoundAndTheDiagnosticSaysWhy) {
  auto backend = MakeUsbTmcBackend((root_ / "no/such/class").string(), deviceDir_.string());
  EXPECT_TRUE(Find(*backend, "?*", VI_ERROR_INTF_NUM_NCONFIG).empty());
  EXPECT_NE(backend->Diagnostic().find("usbtmc"), std::string::npos) << backend->Diagnostic();
  std::unique_ptr<Session> session;
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session), VI_ERROR_RSRC_NFOUND);
  EXPECT_FALSE(session);
}

TEST_F(UsbTmcBackendTest, OpenPicksTheDeviceByNumbersAndSerial) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  AddInstrument(1, "1f3a", "0c21", "TW2");
  Preload(0, "from usbtmc0\n");
  Preload(1, "from usbtmc1\n");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  // Decimal numbers name the same device as hexadecimal ones.
  ASSERT_EQ(Open(*backend, "USB0::7994::3105::TW2::INSTR", session), VI_SUCCESS)
      << backend->Diagnostic();
  EXPECT_EQ(Read(*session, 256), std::make_pair(VI_SUCCESS, std::string("from usbtmc1\n")));

  // The serial number is compared without regard to letter case, as searches compare it.
  std::unique_ptr<Session> other;
  ASSERT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::tw2::INSTR", other), VI_SUCCESS);
  other.reset();
  EXPECT_EQ(Open(*backend, "USB0::0x1F3B::0x0C21::TW2::INSTR", other), VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(backend->Diagnostic().find("0x1F3B"), std::string::npos) << backend->Diagnostic();
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW2::1::INSTR", other), VI_ERROR_RSRC_NFOUND);
  EXPECT_FALSE(other);
}

TEST_F(UsbTmcBackendTest, AnExactSerialWinsOverOneThatDiffersInCase) {
  AddInstrument(0, "1f3a", "0c21", "ab1");
  AddInstrument(1, "1f3a", "0c21", "AB1");
  Preload(0, "lower\n");
  Preload(1, "upper\n");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::AB1::INSTR", session), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 64).second, "upper\n");
  ASSERT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::ab1::INSTR", session), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 64).second, "lower\n");
}

TEST_F(UsbTmcBackendTest, DeviceFileEchoesAndFramesMessages) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session), VI_SUCCESS)
      << backend->Diagnostic();
  size_t written = 0;
  ASSERT_EQ(session->Write("*IDN?\n", 6, written), VI_SUCCESS);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(Read(*session, 256), std::make_pair(VI_SUCCESS, std::string("*IDN?\n")));

  // A full buffer is the end of the message only when its last byte ends the message.
  const std::string binary("AB\0CDEFG\n", 9);
  ASSERT_EQ(session->Write(binary.data(), binary.size(), written), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 4), std::make_pair(VI_SUCCESS_MAX_CNT, binary.substr(0, 4)));
  EXPECT_EQ(Read(*session, 5), std::make_pair(VI_SUCCESS, binary.substr(4)));
}

TEST_F(UsbTmcBackendTest, ReadTimesOutAndClearDropsPendingInput) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session, 50), VI_SUCCESS);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(*session, 64).first, VI_ERROR_TMO);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 45ms);
  EXPECT_LT(elapsed, 1s);
  EXPECT_NE(session->Detail().find("50 ms"), std::string::npos) << session->Detail();

  size_t written = 0;
  ASSERT_EQ(session->Write("stale\n", 6, written), VI_SUCCESS);
  EXPECT_EQ(session->Clear(), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 64).first, VI_ERROR_TMO);
}

TEST_F(UsbTmcBackendTest, MissingOrForbiddenDeviceFilesAreReported) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  AddInstrument(1, "1f3a", "0c21", "TW2");
  fs::remove(deviceDir_ / "usbtmc0");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session), VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(backend->Diagnostic().find("usbtmc0"), std::string::npos) << backend->Diagnostic();

  if (::geteuid() == 0) {
    GTEST_SKIP() << "running as root, which file permissions do not stop: the permission "
                    "check needs an ordinary account";
  }
  fs::permissions(deviceDir_ / "usbtmc1", fs::perms::none);
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW2::INSTR", session), VI_ERROR_NPERMISSION);
  EXPECT_NE(backend->Diagnostic().find("udev"), std::string::npos) << backend->Diagnostic();
  EXPECT_FALSE(session);
}

}  // namespace
}  // namespace vx::visa
