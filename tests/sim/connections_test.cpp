// Several controllers connected to one meter: each gets only its own answers, shares the
// meter's settings and trigger, and what a connection leaves unread goes with it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "sim_test_util.h"

namespace vx::sim {
namespace {

using std::chrono::milliseconds;
using testing::Config;
using testing::kFullIdentity;

class ConnectionTest : public ::testing::Test {
 protected:
  static void Send(MeterConnection& c, std::string_view command) {
    ASSERT_TRUE(c.Write(std::string(command) + "\n")) << command;
  }
  static std::string Answer(MeterConnection& c, milliseconds timeout = milliseconds(1000)) {
    std::string text(4096, '\0');
    const ReadOutcome outcome = c.Read(text.data(), text.size(), timeout);
    text.resize(outcome.count);
    if (outcome.status == ReadOutcome::Status::EndOfMessage && !text.empty()) text.pop_back();
    return outcome.status == ReadOutcome::Status::EndOfMessage ? text : "(" + text + ")";
  }

  ManualClock clock_;
  SimulatedMeter meter_{Config(), clock_};
};

TEST_F(ConnectionTest, InterleavedQueriesEachGetTheirOwnAnswers) {
  auto a = meter_.Connect();
  auto b = meter_.Connect();
  Send(*a, "*IDN?");
  Send(*b, "func?");
  Send(*a, "SENS:UNIT?");
  Send(*b, "read?");
  EXPECT_EQ(Answer(*b), "\"VOLT\"");
  EXPECT_EQ(Answer(*a), kFullIdentity);
  EXPECT_EQ(Answer(*b), "+1.23456700E+00");
  EXPECT_EQ(Answer(*a), "C");
  EXPECT_EQ(Answer(*a, milliseconds(10)), "()");
  // The meter's own connection saw none of it.
  char buffer[8];
  EXPECT_EQ(meter_.Read(buffer, sizeof buffer, milliseconds(10)).status,
            ReadOutcome::Status::Timeout);
}

TEST_F(ConnectionTest, SettingsAreTheMetersAndHalfLinesTheConnections) {
  auto a = meter_.Connect();
  auto b = meter_.Connect();
  ASSERT_TRUE(a->Write("CONF:"));
  Send(*b, "CONF:RES");  // b's line is complete, a's is still waiting for its end
  ASSERT_TRUE(a->Write("VOLT:AC\n"));
  Send(*b, "func?");
  EXPECT_EQ(Answer(*b), "\"VOLT:AC\"");
  EXPECT_EQ(meter_.CommandCount(), 3u);
}

TEST_F(ConnectionTest, WhatAClosedConnectionLeftUnreadIsDropped) {
  {
    auto first = meter_.Connect();
    for (int i = 0; i < 5; ++i) Send(*first, "read?");
  }
  auto next = meter_.Connect();
  Send(*next, "*IDN?");
  EXPECT_EQ(Answer(*next), kFullIdentity);
  EXPECT_EQ(Answer(*next, milliseconds(10)), "()");
}

TEST_F(ConnectionTest, ATriggeredAnswerGoesToTheConnectionThatAsked) {
  auto a = meter_.Connect();
  auto b = meter_.Connect();
  Send(*a, "trig:sour ext");
  Send(*a, "init");
  Send(*a, "*OPC?");
  Send(*b, "*OPC?");
  Send(*b, "*OPC?");  // one answer per connection however often it asks
  meter_.FireExternalTrigger();
  EXPECT_EQ(Answer(*a), "1");
  EXPECT_EQ(Answer(*b), "1");
  EXPECT_EQ(Answer(*a, milliseconds(10)), "()");
  EXPECT_EQ(Answer(*b, milliseconds(10)), "()");

  // A connection that closes while it waits is forgotten; the other still gets its reading.
  Send(*a, "read?");
  auto c = meter_.Connect();
  Send(*c, "fetch?");
  c.reset();
  meter_.FireExternalTrigger();
  EXPECT_EQ(Answer(*a), "+1.23456700E+00");
}

TEST_F(ConnectionTest, DeviceClearDropsOnlyTheClearingConnectionsAnswers) {
  auto a = meter_.Connect();
  auto b = meter_.Connect();
  Send(*a, "*IDN?");
  Send(*b, "*IDN?");
  ASSERT_TRUE(b->Write("fun"));
  b->Clear();
  ASSERT_TRUE(b->Write("c?\n"));  // the half line went with the clear
  EXPECT_EQ(Answer(*b, milliseconds(10)), "()");
  EXPECT_EQ(Answer(*a), kFullIdentity);
  // The status byte's message-available bit is the asking connection's.
  Send(*a, "read?");
  Send(*b, "*STB?");
  EXPECT_EQ(Answer(*b), "4");  // the error queue holds the "c?"; no message waits for b
  Send(*a, "*STB?");
  EXPECT_EQ(Answer(*a), "+1.23456700E+00");
  EXPECT_EQ(Answer(*a), "20");  // a's reading waited for it
}

TEST_F(ConnectionTest, ALostMeterIsLostOnEveryConnection) {
  MeterConfig config = Config();
  config.fault.kind = FaultKind::ConnectionLost;
  config.fault.lostAfterCommands = 1;
  SimulatedMeter meter(config, clock_);
  auto a = meter.Connect();
  auto b = meter.Connect();
  Send(*a, "*IDN?");
  EXPECT_FALSE(b->Write("*IDN?\n"));
  EXPECT_TRUE(a->ConnectionLost());
  char buffer[64];
  EXPECT_EQ(a->Read(buffer, sizeof buffer, milliseconds(10)).status,
            ReadOutcome::Status::ConnectionLost);
}

TEST(OutputCap, AppliesToTheAnswerAsSentOverlongPaddingIncluded) {
  ManualClock clock;
  MeterConfig config = Config();
  config.fault.kind = FaultKind::Overlong;
  config.fault.overlongBytes = 20'000'000;  // beyond the 16 MiB a connection may hold
  config.fault.onlyFor = "READ?";
  SimulatedMeter meter(config, clock);
  ASSERT_TRUE(meter.Write("read?\n"));
  EXPECT_FALSE(meter.PopOutput().has_value());
  ASSERT_TRUE(meter.Write("syst:err?\n"));
  const auto error = meter.PopOutput();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->bytes, "-350,\"Queue overflow\"\n");

  // Answers join the line's message until the next one would pass the cap.
  config.fault.overlongBytes = 6'000'000;
  SimulatedMeter fits(config, clock);
  ASSERT_TRUE(fits.Write("read?;read?;read?\n"));
  const auto message = fits.PopOutput();
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->bytes.size(), 2u * 6'000'000u + 2u);  // two units, a ";" and a line feed
  EXPECT_FALSE(fits.PopOutput().has_value());
}

// Once the output queue is full the meter runs no further query of the line: each is an
// error -350, and the work of answers that could go nowhere is never done.
TEST(OutputCap, AFullQueueStopsTheQueriesOfTheLine) {
  ManualClock clock;
  SimulatedMeter meter(Config(), clock);
  std::string line = "samp:coun 50000";
  for (int i = 0; i < 400; ++i) line += ";read?";
  const unsigned before = meter.CommandCount();
  ASSERT_TRUE(meter.Write(line + "\n"));
  // An answer holds 50000 readings of 15 characters and their commas: twenty answers fit in
  // 16 MiB, the twenty-first is made and cannot go, and the rest are not run.
  EXPECT_EQ(meter.CommandCount() - before, 1u + 21u);
  const auto message = meter.PopOutput();
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->bytes.size(), 20u * 799'999u + 19u + 1u);
  ASSERT_TRUE(meter.Write("syst:err?\n"));
  EXPECT_EQ(meter.PopOutput()->bytes, "-350,\"Queue overflow\"\n");
  // Read, the queue takes answers again.
  ASSERT_TRUE(meter.Write("*idn?\n"));
  EXPECT_EQ(meter.PopOutput()->bytes, std::string(testing::kFullIdentity) + "\n");
}

// The meter is locked one command at a time: a long line on one connection never keeps
// another connection's query waiting for the whole line.
TEST(Connections, ALongLineDoesNotHoldUpTheOtherConnections) {
  ManualClock clock;
  SimulatedMeter meter(Config(), clock);
  auto busy = meter.Connect();
  auto other = meter.Connect();
  std::string line = "samp:coun 50000";
  for (int i = 0; i < 15; ++i) line += ";read?";
  std::atomic<bool> lineDone{false};
  std::thread writer([&] {
    busy->Write(line + "\n");
    lineDone = true;
  });
  while (meter.CommandCount() < 2) std::this_thread::yield();
  ASSERT_TRUE(other->Write("*idn?\n"));
  const auto answer = other->PopOutput();
  const bool answeredDuringTheLine = !lineDone;
  writer.join();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->bytes, std::string(testing::kFullIdentity) + "\n");
  EXPECT_TRUE(answeredDuringTheLine);
}

}  // namespace
}  // namespace vx::sim
