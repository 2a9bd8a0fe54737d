// Beginning on the meter's external trigger: the silent wait, the trigger, a lost meter,
// and stopping while the meter still waits.

#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace vx::addin::test {
namespace {

using vx::test::SimulatedVisa;

class TriggerTest : public EngineTest {
 protected:
  void Arm(sim::MeterConfig meter = SimulatedVisa::GpibMeter(22)) {
    Start({meter});
    Connect();
    Must(automation::StatusOf(engine_->SetBegin(3)));
    StartRun(0);
  }
  std::shared_ptr<sim::SimulatedMeter> Meter() { return visa_->Meter("GPIB0::22::INSTR"); }
};

TEST_F(TriggerTest, WaitsSilentlyThenReadsOnceTheTriggerCame) {
  Arm();
  Tick(3);
  EXPECT_TRUE(prompter_->Messages().empty());
  EXPECT_EQ(Must(host_->StatusBar()), "Waiting for an External Trigger...");
  EXPECT_TRUE(automation::IsEmpty(Cell("F4")));
  Meter()->FireExternalTrigger();
  Tick(1);
  EXPECT_TRUE(ThreadLoggingState().triggerSeen);
  EXPECT_FALSE(ThreadLoggingState().triggerArmed);
  EXPECT_EQ(ThreadLoggingState().tick, LoggingState::Tick::Reading);
  Tick(2);
  EXPECT_EQ(Number("F4"), 2);
  // After the trigger a stop needs no question.
  Must(automation::StatusOf(engine_->StopTimer()));
  EXPECT_TRUE(prompter_->Messages().empty());
  EXPECT_FALSE(ThreadLoggingState().running);
}

TEST_F(TriggerTest, ATriggerThatComesByItself) {
  sim::MeterConfig meter = SimulatedVisa::GpibMeter(22);
  meter.externalTriggerAfter = std::chrono::milliseconds(2500);
  Arm(meter);
  Tick(2);  // each tick waits its 1 s time-out on the meter's clock
  EXPECT_FALSE(ThreadLoggingState().triggerSeen);
  Tick(2);
  EXPECT_TRUE(ThreadLoggingState().triggerSeen);
}

TEST_F(TriggerTest, ALostMeterEndsTheWait) {
  sim::MeterConfig meter = SimulatedVisa::GpibMeter(22);
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.onlyFor = "*OPC?";
  Arm(meter);
  Tick(1);
  const auto messages = MessageTexts();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Trigger error:\n", 0), 0u) << messages[0];
  EXPECT_EQ(prompter_->Messages()[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(ThreadLoggingState().running);
  EXPECT_FALSE(Enabled(9));
}

TEST_F(TriggerTest, NoKeepsTheRunArmed) {
  Arm();
  Tick(1);
  prompter_->QueueAnswer(MessageAnswer::No);
  Must(automation::StatusOf(engine_->StopTimer()));
  const auto messages = prompter_->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text.rfind("Waiting for an External Trigger:\n", 0), 0u);
  EXPECT_EQ(messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(messages[0].defaultButton, MessageAnswer::No);
  EXPECT_TRUE(ThreadLoggingState().running);
  EXPECT_TRUE(ThreadLoggingState().triggerArmed);
  EXPECT_TRUE(Enabled(9));
  EXPECT_FALSE(Enabled(7));
}

TEST_F(TriggerTest, YesWhileTheMeterStillWaitsAsksAgain) {
  Arm();
  prompter_->QueueAnswer(MessageAnswer::Yes);
  prompter_->QueueAnswer(MessageAnswer::No);
  Must(automation::StatusOf(engine_->StopTimer()));
  EXPECT_EQ(prompter_->Messages().size(), 2u);
  EXPECT_TRUE(ThreadLoggingState().running);
}

TEST_F(TriggerTest, YesAfterTheUserReleasedTheMeterStops) {
  Arm();
  prompter_->QueueAnswer(MessageAnswer::Yes);
  // The user pressed LOCAL and TRIG: the measurement completes.
  Meter()->FireExternalTrigger();
  Must(automation::StatusOf(engine_->StopTimer()));
  EXPECT_EQ(prompter_->Messages().size(), 1u);
  EXPECT_FALSE(ThreadLoggingState().running);
  EXPECT_FALSE(Enabled(9));
}

}  // namespace
}  // namespace vx::addin::test
