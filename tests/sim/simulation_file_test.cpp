// Simulation files: the keys, the errors, and the file the project ships.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sim_test_util.h"

namespace vx::sim {
namespace {

TEST(SimulationFile, ReadsEveryKey) {
  const std::string text =
      "; a comment\n"
      "[Settings]\n"
      "Something=else\n"
      "\n"
      "[First]\n"
      "Descriptor=USB0::0x1F3A::0x0C21::SN42::INSTR\n"
      "Card=10\n"
      "Seed=99\n"
      "Noise=0\n"
      "VOLT:DC=1.5\n"
      "res=1000\n"
      "DIODE=0.7\n"
      "ChannelInputs=1.5, 2.5 ,-3e-3\n"
      "ExternalTriggerAfterMs=2500\n"
      "Fault=Late\n"
      "LateMs=750\n"
      "FaultAfter=2\n"
      "FaultOn=READ?\n"
      "\r\n"
      "[second]\r\n"
      "descriptor = GPIB0::7::INSTR\r\n"
      "Identity=\"ACME,W9-90/1,1,Q7111 2.00\"\r\n"
      "Fault=overlong\r\n"
      "OverlongBytes=2048\r\n"
      "[Third]\n"
      "Descriptor=GPIB0::8::INSTR\n"
      "Maker=Zemra\n"
      "Firmware=Q7100 1.00\n"
      "Fault=lost\n"
      "LostAfter=5\n";
  const SimulationFile file = ParseSimulationText(text, "meters.ini");
  EXPECT_EQ(file.error, "");
  ASSERT_EQ(file.meters.size(), 3u);

  const MeterConfig& a = file.meters[0];
  EXPECT_EQ(a.descriptor, "USB0::0x1F3A::0x0C21::SN42::INSTR");
  EXPECT_EQ(a.identity, "TOLVEX,W9-90/1,SN42,Q7110 1.05");  // built from the defaults
  EXPECT_EQ(a.cardChannels, 10);
  EXPECT_EQ(a.seed, 99u);
  EXPECT_EQ(a.noise, 0.0);
  EXPECT_EQ(a.inputs.at("VOLT"), 1.5);
  EXPECT_EQ(a.inputs.at("RES"), 1000.0);
  EXPECT_EQ(a.inputs.at("DIOD"), 0.7);
  EXPECT_EQ(a.channelInputs, (std::vector<double>{1.5, 2.5, -3e-3}));
  EXPECT_EQ(a.externalTriggerAfter, std::chrono::milliseconds(2500));
  EXPECT_EQ(a.fault.kind, FaultKind::LateAnswer);
  EXPECT_EQ(a.fault.lateBy, std::chrono::milliseconds(750));
  EXPECT_EQ(a.fault.afterCommands, 2u);
  EXPECT_EQ(a.fault.onlyFor, "READ?");

  const MeterConfig& b = file.meters[1];
  EXPECT_EQ(b.descriptor, "GPIB0::7::INSTR");
  EXPECT_EQ(b.identity, "ACME,W9-90/1,1,Q7111 2.00");
  EXPECT_EQ(b.cardChannels, 0);
  EXPECT_EQ(b.noise, 2e-6);
  EXPECT_EQ(b.externalTriggerAfter, std::chrono::milliseconds(-1));
  EXPECT_EQ(b.fault.kind, FaultKind::Overlong);
  EXPECT_EQ(b.fault.overlongBytes, 2048u);

  const MeterConfig& c = file.meters[2];
  EXPECT_EQ(c.identity, "Zemra,W9-90/1,0,Q7100 1.00");
  EXPECT_EQ(c.fault.kind, FaultKind::ConnectionLost);
  EXPECT_EQ(c.fault.lostAfterCommands, 5u);
}

TEST(SimulationFile, BadValuesLeaveTheirSectionOutAndNameFileSectionAndKey) {
  const std::string text =
      "[Good]\nDescriptor=GPIB0::1::INSTR\n"
      "[BadNoise]\nDescriptor=GPIB0::2::INSTR\nNoise=lots\n"
      "[BadCard]\nDescriptor=GPIB0::3::INSTR\nCard=16\n"
      "[Typo]\nDescriptor=GPIB0::4::INSTR\nNoize=0\n"
      "[BadFault]\nDescriptor=GPIB0::5::INSTR\nFault=sometimes\n"
      "[BadInput]\nDescriptor=GPIB0::6::INSTR\nRES=1k\n"
      "[BadList]\nDescriptor=GPIB0::7::INSTR\nChannelInputs=1,,2\n"
      "[Twin]\nDescriptor=gpib0::1::instr\n"
      "[AlsoGood]\nDescriptor=GPIB0::9::INSTR\n";
  const SimulationFile file = ParseSimulationText(text, "/tmp/meters.ini");
  ASSERT_EQ(file.meters.size(), 2u);
  EXPECT_EQ(file.meters[0].descriptor, "GPIB0::1::INSTR");
  EXPECT_EQ(file.meters[1].descriptor, "GPIB0::9::INSTR");
  for (const char* part :
       {"/tmp/meters.ini, section [BadNoise], key \"Noise\" = \"lots\"",
        "section [BadCard], key \"Card\" = \"16\"", "section [Typo], key \"Noize\": unknown key",
        "section [BadFault], key \"Fault\"", "section [BadInput], key \"RES\" = \"1k\"",
        "section [BadList], key \"ChannelInputs\"", "section [Twin], key \"Descriptor\""}) {
    EXPECT_NE(file.error.find(part), std::string::npos) << part << "\n" << file.error;
  }
}

TEST(SimulationFile, MissingFileAndFileWithoutInstruments) {
  const SimulationFile missing = LoadSimulationFile("/nonexistent/dir/sim.ini");
  EXPECT_TRUE(missing.meters.empty());
  EXPECT_NE(missing.error.find("/nonexistent/dir/sim.ini"), std::string::npos);

  const SimulationFile empty = ParseSimulationText("[Information]\nLanguage=English\n", "x.ini");
  EXPECT_TRUE(empty.meters.empty());
  EXPECT_NE(empty.error.find("x.ini"), std::string::npos);
}

TEST(SimulationFile, LoadsFromDisk) {
  char path[] = "/tmp/vx_sim_test_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string text = "[M]\nDescriptor=GPIB0::3::INSTR\nCard=20\n";
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  const SimulationFile file = LoadSimulationFile(path);
  std::remove(path);
  EXPECT_EQ(file.error, "");
  ASSERT_EQ(file.meters.size(), 1u);
  EXPECT_EQ(file.meters[0].cardChannels, 20);
}

TEST(SimulationFile, TheShippedFile) {
  const SimulationFile file =
      LoadSimulationFile(std::string(VX_SOURCE_DIR) + "/share/sim/default.ini");
  EXPECT_EQ(file.error, "");
  ASSERT_EQ(file.meters.size(), 2u);

  const MeterConfig& usb = file.meters[0];
  EXPECT_EQ(usb.descriptor, "USB0::0x1F3A::0x0C21::TW00012345::INSTR");
  EXPECT_EQ(VariantFromIdentity(usb.identity), Variant::Full);
  EXPECT_EQ(usb.cardChannels, 20);
  EXPECT_EQ(usb.channelInputs.size(), 20u);
  const MeterConfig& gpib = file.meters[1];
  EXPECT_EQ(gpib.descriptor, "GPIB0::22::INSTR");
  EXPECT_EQ(VariantFromIdentity(gpib.identity), Variant::Basic);
  EXPECT_EQ(gpib.cardChannels, 10);
  for (const MeterConfig& meter : file.meters) {
    // The model is the second comma-separated field, exactly as the scan looks for it.
    const std::size_t first = meter.identity.find(',');
    const std::size_t second = meter.identity.find(',', first + 1);
    EXPECT_EQ(meter.identity.substr(first + 1, second - first - 1), "W9-90/1");
    EXPECT_EQ(meter.fault.kind, FaultKind::None);
  }
  EXPECT_NE(usb.inputs, gpib.inputs);
  EXPECT_NE(usb.channelInputs, gpib.channelInputs);

  // Both meters answer as configured.
  ManualClock clock;
  SimulatedMeter meter(gpib, clock);
  ASSERT_TRUE(meter.Write("*IDN?\n"));
  char buffer[128];
  auto outcome = meter.Read(buffer, sizeof buffer, std::chrono::milliseconds(100));
  EXPECT_EQ(std::string(buffer, outcome.count), "TOLVEX,W9-90/1,TW00054321,Q7100 1.02\n");
  ASSERT_TRUE(meter.Write("read?\n"));
  outcome = meter.Read(buffer, 60, std::chrono::milliseconds(100));
  EXPECT_NEAR(LeadingNumber(std::string(buffer, outcome.count)), -0.0123456, 0.0123456 * 0.003);
}

}  // namespace
}  // namespace vx::sim
