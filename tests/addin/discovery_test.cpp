// Finding and identifying meters: the GPIB search, the two USB searches, the acceptance of
// an identity, the device table's bounds, and the sessions closed at the end.

#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace vx::addin::test {
namespace {

using vx::test::SimulatedVisa;

sim::MeterConfig DecimalUsbMeter(const std::string& serial) {
  sim::MeterConfig meter = SimulatedVisa::UsbMeter(serial);
  meter.descriptor = "USB0::7994::3105::" + serial + "::INSTR";
  return meter;
}

TEST_F(EngineTest, TwoGpibMetersAndOneFoundByTheSecondUsbFilter) {
  Start({SimulatedVisa::GpibMeter(22), DecimalUsbMeter("TW77"), SimulatedVisa::GpibMeter(7)});
  Must(automation::StatusOf(engine_->FindDevice()));
  ASSERT_EQ(engine_->get_m_DevCount(), 3);
  std::vector<std::string> descriptors;
  for (std::int16_t row = 0; row < 3; ++row) {
    Must(engine_->GetIDN(row));
    descriptors.push_back(engine_->get_m_IDNAddr());
    EXPECT_NE(engine_->get_m_IDNSesn(), VI_NULL);
    EXPECT_NE(engine_->get_m_IDNbuff().find("TOLVEX,W9-90/1"), std::string::npos);
  }
  EXPECT_EQ(descriptors, (std::vector<std::string>{"GPIB0::22::INSTR", "GPIB0::7::INSTR",
                                                   "USB0::7994::3105::TW77::INSTR"}));
  EXPECT_NE(engine_->get_GPIBRM(), 0);
  EXPECT_NE(engine_->get_USBRM(), 0);
  EXPECT_NE(engine_->get_GPIBRM(), engine_->get_USBRM());
  // The session of a row answers.
  Must(engine_->GetIDN(2));
  ViUInt32 count = 0;
  EXPECT_EQ(viWrite(engine_->get_m_IDNSesn(), reinterpret_cast<ViConstBuf>("*idn?\n"), 6, &count),
            VI_SUCCESS);
}

TEST_F(EngineTest, WhatTheEngineAcceptsAsAMeter) {
  Start({SimulatedVisa::OtherInstrument("GPIB0::1::INSTR", "OTHERCO,34401A,1,2"),
         SimulatedVisa::OtherInstrument("GPIB0::2::INSTR", "tolvex,w9-90/1,5,1.0"),
         SimulatedVisa::OtherInstrument("GPIB0::3::INSTR", "TOLVEX,PS-300,9,1.0"),
         SimulatedVisa::OtherInstrument("GPIB0::4::INSTR", "SCOPEMAKER,X1,1,1")});
  Must(automation::StatusOf(engine_->FindDevice()));
  ASSERT_EQ(engine_->get_m_DevCount(), 2);
  Must(engine_->GetIDN(0));
  EXPECT_EQ(engine_->get_m_IDNAddr(), "GPIB0::1::INSTR");
  Must(engine_->GetIDN(1));
  EXPECT_EQ(engine_->get_m_IDNAddr(), "GPIB0::2::INSTR");
}

TEST_F(EngineTest, RowsOutsideTheTableAreABoundsError) {
  Start({SimulatedVisa::GpibMeter(22)});
  Must(automation::StatusOf(engine_->FindDevice()));
  for (const std::int16_t row : {std::int16_t{-1}, std::int16_t{256}, std::int16_t{32767}}) {
    const automation::Status status = engine_->GetIDN(row);
    ASSERT_FALSE(status) << row;
    EXPECT_EQ(status.error().number, static_cast<std::uint32_t>(automation::ErrorNumber::BadIndex));
  }
  EXPECT_TRUE(engine_->GetIDN(255));  // an empty row, but within the table
  EngineDeviceTable table;
  EXPECT_FALSE(table.Fill(256, "x", "y", 1, 2));
  EXPECT_TRUE(table.Fill(255, "x", "y", 1, 2));
  EXPECT_EQ(table.Row(255)->session, "1");
}

TEST_F(EngineTest, TheTwoHundredFiftySeventhMeterIsRefused) {
  std::vector<sim::MeterConfig> meters;
  for (int board = 0; meters.size() < 257; ++board) {
    for (int address = 1; address <= 30 && meters.size() < 257; ++address) {
      sim::MeterConfig meter = SimulatedVisa::GpibMeter(address);
      meter.descriptor =
          "GPIB" + std::to_string(board) + "::" + std::to_string(address) + "::INSTR";
      meters.push_back(meter);
    }
  }
  Start(meters);
  const auto found = engine_->FindDevice();
  ASSERT_FALSE(found);
  EXPECT_EQ(found.error().number, static_cast<std::uint32_t>(automation::ErrorNumber::BadIndex));
  EXPECT_EQ(engine_->get_m_DevCount(), 256);
}

TEST_F(EngineTest, SearchingAgainAndRmCloseLeaveNoSessionOpen) {
  Start({SimulatedVisa::GpibMeter(22), SimulatedVisa::UsbMeter("TW1")});
  Must(automation::StatusOf(engine_->FindDevice()));
  Must(engine_->GetIDN(0));
  const ViSession first = engine_->get_m_IDNSesn();
  engine_->put_m_DevCount(0);
  Must(automation::StatusOf(engine_->FindDevice()));
  EXPECT_EQ(engine_->get_m_DevCount(), 2);
  Must(engine_->GetIDN(0));
  const ViSession second = engine_->get_m_IDNSesn();
  Must(engine_->RMClose());
  ViUInt32 count = 0;
  for (const ViSession session : {first, second}) {
    EXPECT_EQ(viWrite(session, reinterpret_cast<ViConstBuf>("*idn?\n"), 6, &count),
              VI_ERROR_INV_OBJECT);
  }
}

TEST_F(EngineTest, AMeterThatDoesNotAnswerIsSkipped) {
  sim::MeterConfig silent = SimulatedVisa::GpibMeter(5);
  silent.fault.kind = sim::FaultKind::NoAnswer;
  Start({silent, SimulatedVisa::GpibMeter(22)});
  Must(automation::StatusOf(engine_->FindDevice()));
  ASSERT_EQ(engine_->get_m_DevCount(), 1);
  Must(engine_->GetIDN(0));
  EXPECT_EQ(engine_->get_m_IDNAddr(), "GPIB0::22::INSTR");
}

}  // namespace
}  // namespace vx::addin::test
