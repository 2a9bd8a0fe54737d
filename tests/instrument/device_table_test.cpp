#include "instrument/device_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/scripted_prompter.h"
#include "instrument/connection_guard.h"
#include "simulated_visa.h"

namespace vx::instrument {
namespace {

using test::SimulatedVisa;
using Names = std::vector<std::string>;

TEST(ScanMeters, ListsUsbMetersBeforeGpibMetersAndSkipsOtherInstruments) {
  SimulatedVisa visa({SimulatedVisa::GpibMeter(22), SimulatedVisa::UsbMeter("TW1"),
                      SimulatedVisa::OtherInstrument("GPIB0::3::INSTR", "ACME,SCOPE,1,1"),
                      SimulatedVisa::GpibMeter(5)});
  DeviceTable table;
  EXPECT_EQ(table.ScanMeters(kPanelScan),
            (Names{"W9-90/1-USBTMC-TW1", "W9-90/1-GPIB-22", "W9-90/1-GPIB-5"}));
  EXPECT_EQ(table.MeterCount(), 3);
  EXPECT_FALSE(table.NoMeterFlag());
  EXPECT_EQ(table.ResourceCount(), 4u);
  // List position k names the session at its scan position (the scope is position 2).
  EXPECT_EQ(table.MeterSlot(0), 0);
  EXPECT_EQ(table.MeterSlot(1), 1);
  EXPECT_EQ(table.MeterSlot(2), 3);
  EXPECT_EQ(table.MeterResource(2), "GPIB0::5::INSTR");
  EXPECT_EQ(table.MeterIdentity(0), "TOLVEX,W9-90/1,TW1,Q7110 1.05");
}

TEST(ScanMeters, FindsAGpibMeterWhenThereIsNoUsbResource) {
  SimulatedVisa visa({SimulatedVisa::GpibMeter(22)});
  DeviceTable table;
  EXPECT_EQ(table.ScanMeters(kPanelScan), (Names{"W9-90/1-GPIB-22"}));
}

TEST(ScanMeters, NeedsTheModelAfterTheFirstCharacter) {
  SimulatedVisa visa({SimulatedVisa::OtherInstrument("GPIB0::1::INSTR", "W9-90/1,TOLVEX,X,1"),
                      SimulatedVisa::OtherInstrument("GPIB0::2::INSTR", "xW9-90/1"),
                      SimulatedVisa::OtherInstrument("GPIB0::4::INSTR", "TOLVEX,W9-90,X,1")});
  DeviceTable table;
  EXPECT_EQ(table.ScanMeters(kPanelScan), (Names{"-GPIB-2"}));
}

TEST(ScanMeters, ReportsNoMeterAndForgetsThePreviousScan) {
  SimulatedVisa visa({SimulatedVisa::OtherInstrument("GPIB0::3::INSTR", "ACME,SCOPE,1,1")});
  DeviceTable table;
  EXPECT_TRUE(table.ScanMeters(kPanelScan).empty());
  EXPECT_TRUE(table.NoMeterFlag());
  EXPECT_EQ(table.MeterCount(), 0);
  EXPECT_EQ(table.MeterSession(0), static_cast<ViSession>(VI_NULL));
  EXPECT_EQ(table.SendQuery(0, "read?\n"), "");
}

TEST(ScanMeters, StopsAtSevenResourcesAndFourMeters) {
  std::vector<sim::MeterConfig> meters;
  for (int address = 1; address <= 9; ++address)
    meters.push_back(SimulatedVisa::GpibMeter(address));
  SimulatedVisa visa(meters);
  DeviceTable table;
  EXPECT_EQ(table.ScanMeters(kPanelScan),
            (Names{"W9-90/1-GPIB-1", "W9-90/1-GPIB-2", "W9-90/1-GPIB-3", "W9-90/1-GPIB-4"}));
  EXPECT_EQ(table.ResourceCount(), 7u);
  // Resources beyond the seventh were never opened: nothing was sent to them.
  EXPECT_EQ(visa.Meter("GPIB0::8::INSTR")->CommandCount(), 0u);
  EXPECT_GT(visa.Meter("GPIB0::7::INSTR")->CommandCount(), 0u);
  // The console keeps room for five resources only.
  DeviceTable console;
  console.ScanMeters(kConsoleScan);
  EXPECT_EQ(console.ResourceCount(), 5u);
}

TEST(ScanMeters, SendsL0BeforeTheIdentityQueryExceptForTheSettingsDialog) {
  auto meter = SimulatedVisa::UsbMeter("TW1");
  SimulatedVisa visa({meter});
  DeviceTable table;
  table.ScanMeters(kPanelScan);
  EXPECT_EQ(visa.Meter(meter.descriptor)->CommandCount(), 2u);
  table.ScanMeters(kDeviceSettingsScan);
  EXPECT_EQ(visa.Meter(meter.descriptor)->CommandCount(), 3u);
}

TEST(ScanMeters, AMeterThatNeverAnswersIsSkippedAfterTheTimeOut) {
  auto silent = SimulatedVisa::GpibMeter(7);
  silent.fault.kind = sim::FaultKind::NoAnswer;
  SimulatedVisa visa({silent, SimulatedVisa::GpibMeter(8)});
  DeviceTable table;
  const auto before = visa.Clock().Steady();
  EXPECT_EQ(table.ScanMeters(kScannerScan), (Names{"W9-90/1-GPIB-8"}));
  EXPECT_EQ(visa.Clock().Steady() - before, std::chrono::milliseconds(30000));
}

class SendQueryTest : public ::testing::Test {
 protected:
  SendQueryTest() : visa_({SimulatedVisa::UsbMeter("TW1"), MakeGpib()}) {
    table_.ScanMeters(kPanelScan);
  }
  static sim::MeterConfig MakeGpib() {
    auto meter = SimulatedVisa::GpibMeter(22);
    meter.inputs["VOLT"] = 1.5;
    return meter;
  }
  SimulatedVisa visa_;
  DeviceTable table_;
};

TEST_F(SendQueryTest, ReturnsAnswersTrimmedAndWithoutQuotes) {
  EXPECT_EQ(table_.SendQuery(0, "func?\n"), "VOLT");
  EXPECT_EQ(table_.SendQuery(1, "read?\n"), "+1.50000000E+00");
  EXPECT_EQ(table_.SendQuery(1, "SENS:VOLT:DC:RANGE 10\n"), "");
  EXPECT_EQ(table_.SendQuery(1, "SENS:VOLT:DC:RANGE?\n"), "+1.00000000E+01");
  // A "?" as first character does not make a query.
  EXPECT_EQ(table_.SendQuery(1, "?\n"), "");
}

TEST_F(SendQueryTest, IdentityQueriesAddressSessionsOtherCommandsListPositions) {
  EXPECT_EQ(table_.SendQuery(1, "*IDN?\n"), "TOLVEX,W9-90/1,TW00022,1.02");
  EXPECT_EQ(table_.SendQuery(7, "read?\n"), "");
  EXPECT_EQ(table_.SendQuery(-1, "read?\n"), "");
  EXPECT_EQ(table_.SendQuery(7, "*IDN?\n"), "");
}

TEST(SendQuery, CutsLongAnswersAt60BytesAndDiscardsTheRest) {
  auto meter = SimulatedVisa::GpibMeter(22);
  meter.fault.kind = sim::FaultKind::Overlong;
  meter.fault.overlongBytes = 5000;
  meter.fault.onlyFor = "READ?";
  SimulatedVisa visa({meter});
  DeviceTable table;
  ASSERT_EQ(table.ScanMeters(kPanelScan).size(), 1u);
  const std::string first = table.SendQuery(0, "read?\n");
  EXPECT_EQ(first.size(), 60u);
  // The 4940 bytes left over must not be taken for the next answer.
  EXPECT_EQ(table.SendQuery(0, "*IDN?\n"), "TOLVEX,W9-90/1,TW00022,1.02");
}

TEST(SendQuery, EndsAnAnswerAtANulByte) {
  auto meter = SimulatedVisa::GpibMeter(22);
  meter.fault.kind = sim::FaultKind::Garbage;
  meter.fault.onlyFor = "READ?";
  SimulatedVisa visa({meter});
  DeviceTable table;
  ASSERT_EQ(table.ScanMeters(kPanelScan).size(), 1u);
  for (int i = 0; i < 50; ++i) {
    const std::string answer = table.SendQuery(0, "read?\n");
    EXPECT_EQ(answer.find('\0'), std::string::npos);
    EXPECT_LE(answer.size(), 60u);
  }
  EXPECT_EQ(table.SendQuery(0, "*IDN?\n"), "TOLVEX,W9-90/1,TW00022,1.02");
}

TEST(SendLongQuery, JoinsBlocksAndStopsAtTheEndOfTheMessage) {
  // Answers of 1024 bytes (line end included), 1025 and 3001 bytes.
  std::vector<sim::MeterConfig> meters;
  for (const size_t digits : {1023u, 1024u, 3000u}) {
    auto meter = SimulatedVisa::GpibMeter(static_cast<int>(meters.size()) + 1);
    meter.fault.kind = sim::FaultKind::Overlong;
    meter.fault.overlongBytes = digits;
    meter.fault.onlyFor = "READ?";
    meters.push_back(meter);
  }
  SimulatedVisa visa(meters);
  DeviceTable table;
  ASSERT_EQ(table.ScanMeters(kPanelScan).size(), 3u);
  const auto before = visa.Clock().Steady();
  EXPECT_EQ(table.SendLongQuery(0, "read?\n", LongAnswerForm::KeepLineFeeds).size(), 1023u);
  EXPECT_EQ(table.SendLongQuery(1, "read?\n", LongAnswerForm::KeepLineFeeds).size(), 1024u);
  EXPECT_EQ(table.SendLongQuery(2, "read?\n", LongAnswerForm::KeepLineFeeds).size(), 3000u);
  // An answer of exactly one block ends with success: no further read waits for a time-out.
  EXPECT_EQ(visa.Clock().Steady(), before);
  EXPECT_EQ(table.SendQuery(0, "*IDN?\n"), "TOLVEX,W9-90/1,TW0001,1.02");
}

TEST(SendLongQuery, ScannerFormRemovesLineFeedsAndKeepsQuotes) {
  SimulatedVisa visa({SimulatedVisa::GpibMeter(22)});
  DeviceTable table;
  ASSERT_EQ(table.ScanMeters(kScannerScan).size(), 1u);
  EXPECT_EQ(table.SendLongQuery(0, "Rout:scan:func? 1\n", LongAnswerForm::RemoveLineFeeds),
            "\"NONE\"");
  EXPECT_EQ(table.SendLongQuery(0, "Rout:state?\n", LongAnswerForm::KeepLineFeeds), "1");
}

TEST(CheckConnection, RefusesOnlyAfterAListedMeterWasLost) {
  auto meter = SimulatedVisa::GpibMeter(22);
  meter.inputs["VOLT"] = 2.5;
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.lostAfterCommands = 3;
  SimulatedVisa visa({meter});
  DeviceTable table;
  ScriptedPrompter prompter;
  table.ScanMeters(kPanelScan);
  EXPECT_EQ(CheckConnection(table, prompter, "changed"), 1);
  EXPECT_EQ(table.SendQuery(0, "read?\n"), "+2.50000000E+00");
  EXPECT_EQ(table.SendQuery(0, "read?\n"), "");
  EXPECT_EQ(CheckConnection(table, prompter, "changed"), -1);
  ASSERT_EQ(prompter.Messages().size(), 1u);
  EXPECT_EQ(prompter.Messages()[0].text, "changed");
  EXPECT_EQ(prompter.Messages()[0].title, "");
  EXPECT_EQ(prompter.Messages()[0].icon, MessageIcon::Exclamation);
}

TEST(CheckConnection, LetsCommandsThroughWithoutAnyMeter) {
  SimulatedVisa visa({});
  DeviceTable table;
  ScriptedPrompter prompter;
  table.ScanMeters(kPanelScan);
  EXPECT_EQ(CheckConnection(table, prompter, "changed"), 1);
  EXPECT_TRUE(prompter.Records().empty());
}

}  // namespace
}  // namespace vx::instrument
