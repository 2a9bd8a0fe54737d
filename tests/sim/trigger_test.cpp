// The trigger system: external and bus triggers, "*OPC?" while a measurement waits, and the
// sequence the logging engine sends around an external trigger.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim_test_util.h"

namespace vx::sim {
namespace {

using std::chrono::milliseconds;
using testing::Config;
using testing::SimTest;

class TriggerTest : public SimTest {
 protected:
  bool ReadTimesOut(milliseconds timeout = milliseconds(1000)) {
    char buffer[256];
    const auto outcome = M().Read(buffer, sizeof buffer, timeout);
    return outcome.status == ReadOutcome::Status::Timeout && outcome.count == 0;
  }
};

TEST_F(TriggerTest, OpcWaitsForTheExternalTriggerAndAnswersOnce) {
  Send("trig:sour ext");
  Send("trig:count 1");
  Send("init");
  // The logging engine polls once a second with a 1000 ms time-out.
  for (int tick = 0; tick < 3; ++tick) {
    Send("*OPC?");
    EXPECT_TRUE(ReadTimesOut()) << tick;
  }
  M().FireExternalTrigger();
  Send("*OPC?");
  EXPECT_EQ(ReadAnswer(milliseconds(1000)), "1");
  EXPECT_TRUE(Silent());  // four "*OPC?" while waiting, one answer
  // What the engine sends next.
  EXPECT_EQ(Query("syst:err?"), "+0,\"No error\"");
  EXPECT_EQ(Query("syst:err?"), "+0,\"No error\"");
  Send("*cls");
  EXPECT_EQ(Query("*esr?"), "0");
  Send("trig:sour imm");
  EXPECT_EQ(Query("read?"), "+1.23456700E+00");
  EXPECT_EQ(Query("*OPC?"), "1");
}

TEST_F(TriggerTest, ScheduledExternalTrigger) {
  MeterConfig config = Config();
  config.externalTriggerAfter = milliseconds(2500);
  Make(config);
  Send("trig:sour ext");
  Send("init");
  const auto armed = clock_.Steady();
  Send("*OPC?");
  EXPECT_TRUE(ReadTimesOut());
  Send("*OPC?");
  EXPECT_TRUE(ReadTimesOut());
  Send("*OPC?");
  EXPECT_EQ(ReadAnswer(milliseconds(1000)), "1");
  EXPECT_EQ(clock_.Steady() - armed, milliseconds(2500));
  EXPECT_TRUE(Silent());
  // The triggered reading is in memory.
  EXPECT_EQ(Query("fetch?"), "+1.23456700E+00");
}

TEST_F(TriggerTest, ImmediateSourceAnswersAtOnce) {
  Send("trig:sour imm");
  Send("init");
  EXPECT_EQ(Query("*OPC?"), "1");
  EXPECT_EQ(Query("fetch?"), "+1.23456700E+00");
}

TEST_F(TriggerTest, TriggerFiredFromAnotherThreadEndsAWaitingRead) {
  // Real time here, briefly: the waiting Read must notice a trigger fired elsewhere.
  SimulatedMeter meter(Config(), RealClock());
  ASSERT_TRUE(meter.Write("trig:sour ext;init;*OPC?\n"));
  std::thread trigger([&meter] {
    std::this_thread::sleep_for(milliseconds(20));
    meter.FireExternalTrigger();
  });
  char buffer[16];
  const auto start = std::chrono::steady_clock::now();
  const auto outcome = meter.Read(buffer, sizeof buffer, milliseconds(5000));
  const auto waited = std::chrono::steady_clock::now() - start;
  trigger.join();
  EXPECT_EQ(outcome.status, ReadOutcome::Status::EndOfMessage);
  EXPECT_EQ(std::string(buffer, outcome.count), "1\n");
  EXPECT_LT(waited, milliseconds(1000));
}

TEST_F(TriggerTest, ReadWithExternalSourceAnswersAfterTheTrigger) {
  Send("trig:sour ext");
  Send("read?");
  EXPECT_TRUE(ReadTimesOut());
  Send("init");  // already waiting
  EXPECT_EQ(Error(), "-213,\"Init ignored\"");
  M().FireExternalTrigger();
  EXPECT_EQ(ReadAnswer(), "+1.23456700E+00");
}

TEST_F(TriggerTest, BusTrigger) {
  Send("*TRG");
  EXPECT_EQ(Error(), "-211,\"Trigger ignored\"");
  EXPECT_EQ(Query("*ESR?"), "16");
  Send("trig:sour bus");
  EXPECT_EQ(Query("trig:sour?"), "BUS");
  Send("init");
  Send("*OPC");
  Send("*OPC?");
  M().FireExternalTrigger();  // not the bus: ignored
  EXPECT_TRUE(ReadTimesOut());
  Send("*TRG");
  EXPECT_EQ(ReadAnswer(), "1");
  EXPECT_EQ(Query("*ESR?"), "1");  // "*OPC" completed with the measurement
}

TEST_F(TriggerTest, SeveralTriggers) {
  Send("trig:sour ext;trig:count 3;sample:count 2");
  Send("init");
  Send("*OPC?");
  M().FireExternalTrigger();
  M().FireExternalTrigger();
  EXPECT_TRUE(ReadTimesOut());
  M().FireExternalTrigger();
  EXPECT_EQ(ReadAnswer(), "1");
  EXPECT_EQ(Query("fetch?"),
            "+1.23456700E+00,+1.23456700E+00,+1.23456700E+00,+1.23456700E+00,"
            "+1.23456700E+00,+1.23456700E+00");
}

TEST_F(TriggerTest, DeviceClearCancelsTheWait) {
  Send("trig:sour ext");
  Send("init");
  Send("*OPC?");
  EXPECT_TRUE(ReadTimesOut());
  M().Clear();
  M().FireExternalTrigger();  // nothing waits any more
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Query("*OPC?"), "1");
}

TEST_F(TriggerTest, StoppingWhileArmedAsTheEngineDoes) {
  Send("trig:sour ext");
  Send("trig:count 1");
  Send("init");
  // The user releases the meter from its front panel, then answers Yes.
  M().FireExternalTrigger();
  EXPECT_EQ(Query("*OPC?"), "1");
  for (const char* command : {"syst:err?", "syst:err?", "*cls", "*esr?", "trig:sour imm"}) {
    Send(command);  // written without reading: the answers stay queued
  }
  M().Clear();  // StopLogging clears the device
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Query("trig:sour?"), "IMM");
}

}  // namespace
}  // namespace vx::sim
