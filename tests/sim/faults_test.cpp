// The configured faults, and how Read() treats time-outs, buffer sizes and message ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "sim_test_util.h"

namespace vx::sim {
namespace {

using std::chrono::milliseconds;
using testing::Config;
using testing::SimTest;

MeterConfig Faulty(FaultKind kind) {
  MeterConfig config = Config();
  config.fault.kind = kind;
  return config;
}

class FaultTest : public SimTest {};

TEST_F(FaultTest, NoAnswerAfterSomeCommands) {
  MeterConfig config = Faulty(FaultKind::NoAnswer);
  config.fault.afterCommands = 2;
  Make(config);
  Send("L0");
  EXPECT_EQ(Query("*IDN?"), testing::kFullIdentity);  // the scan still identifies the meter
  Send("read?");
  const auto before = clock_.Steady();
  char buffer[64];
  const auto outcome = M().Read(buffer, sizeof buffer, milliseconds(20000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::Timeout);
  EXPECT_EQ(outcome.count, 0u);
  EXPECT_EQ(clock_.Steady() - before,
            milliseconds(20000));  // waited on the clock, not in real time
  EXPECT_EQ(M().CommandCount(), 3u);
  EXPECT_FALSE(M().PopOutput().has_value());
}

TEST_F(FaultTest, NoAnswerOnlyForOneCommand) {
  MeterConfig config = Faulty(FaultKind::NoAnswer);
  config.fault.onlyFor = "READ?";
  Make(config);
  EXPECT_EQ(Query("*IDN?"), testing::kFullIdentity);
  Send("read?");
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Query("func?"), "\"VOLT\"");
  Send(":READ?");
  EXPECT_TRUE(Silent());
}

TEST_F(FaultTest, LateAnswerArrivesOnlyAfterTheClockAdvanced) {
  MeterConfig config = Faulty(FaultKind::LateAnswer);
  config.fault.lateBy = milliseconds(1500);
  Make(config);
  const auto sent = clock_.Steady();
  Send("*IDN?");
  char buffer[128];
  auto outcome = M().Read(buffer, sizeof buffer, milliseconds(1000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::Timeout);
  EXPECT_EQ(outcome.count, 0u);
  outcome = M().Read(buffer, sizeof buffer, milliseconds(1000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::EndOfMessage);
  EXPECT_EQ(std::string(buffer, outcome.count), std::string(testing::kFullIdentity) + "\n");
  // It was read as soon as it was ready, not at the end of the time-out.
  EXPECT_EQ(clock_.Steady() - sent, milliseconds(1500));

  // A stream transport gets it with its ready time.
  Send("func?");
  const auto message = M().PopOutput();
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->readyAt, clock_.Steady() + milliseconds(1500));
  EXPECT_EQ(message->bytes, "\"VOLT\"\n");
}

TEST_F(FaultTest, ConnectionLostAfterSomeCommands) {
  MeterConfig config = Faulty(FaultKind::ConnectionLost);
  config.fault.lostAfterCommands = 2;
  Make(config);
  Send("L0");
  EXPECT_EQ(Query("*IDN?"), testing::kFullIdentity);
  EXPECT_FALSE(M().ConnectionLost());
  EXPECT_FALSE(M().Write("read?\n"));
  EXPECT_TRUE(M().ConnectionLost());
  char buffer[64];
  const auto outcome = M().Read(buffer, sizeof buffer, milliseconds(1000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::ConnectionLost);
  EXPECT_EQ(outcome.count, 0u);
  EXPECT_FALSE(M().Write("*IDN?\n"));
  EXPECT_FALSE(M().PopOutput().has_value());
  EXPECT_EQ(M().CommandCount(), 2u);
}

TEST_F(FaultTest, ConnectionLostAtOnceOrOnACommand) {
  Make(Faulty(FaultKind::ConnectionLost));
  EXPECT_TRUE(M().ConnectionLost());
  EXPECT_FALSE(M().Write("*IDN?\n"));

  MeterConfig config = Faulty(FaultKind::ConnectionLost);
  config.fault.onlyFor = "read?";
  config.fault.afterCommands = 1;
  Make(config);
  EXPECT_EQ(Query("*IDN?"), testing::kFullIdentity);
  Send("CONF:RES");
  EXPECT_FALSE(M().ConnectionLost());
  EXPECT_FALSE(M().Write("read?\n"));
  EXPECT_TRUE(M().ConnectionLost());
}

TEST_F(FaultTest, GarbageIsSeededBinaryOfOneToFortyBytes) {
  MeterConfig config = Faulty(FaultKind::Garbage);
  config.fault.afterCommands = 1;
  Make(config);
  EXPECT_EQ(Query("*IDN?"), testing::kFullIdentity);
  SimulatedMeter twin(config, clock_);
  ASSERT_TRUE(twin.Write("*IDN?\n"));
  ASSERT_TRUE(twin.PopOutput().has_value());
  std::size_t shortest = 100, longest = 0;
  for (int i = 0; i < 200; ++i) {
    Send("read?");
    ASSERT_TRUE(twin.Write("read?\n"));
    const auto mine = M().PopOutput();
    const auto theirs = twin.PopOutput();
    ASSERT_TRUE(mine && theirs);
    EXPECT_EQ(mine->bytes, theirs->bytes);  // same seed, same garbage
    const std::string& bytes = mine->bytes;
    ASSERT_GE(bytes.size(), 2u);
    ASSERT_LE(bytes.size(), 41u);
    EXPECT_EQ(bytes.back(), '\n');
    const std::string body = bytes.substr(0, bytes.size() - 1);
    EXPECT_EQ(body.find('\n'), std::string::npos);
    EXPECT_NE(body.find('\0'), std::string::npos);
    if (body.size() > 1) {
      EXPECT_TRUE(std::any_of(body.begin(), body.end(),
                              [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    }
    shortest = std::min(shortest, body.size());
    longest = std::max(longest, body.size());
  }
  EXPECT_LT(shortest, 5u);
  EXPECT_GT(longest, 35u);
}

TEST_F(FaultTest, OverlongReadInSixtyBytePieces) {
  MeterConfig config = Faulty(FaultKind::Overlong);
  config.fault.overlongBytes = 5000;
  config.fault.onlyFor = "READ?";
  Make(config);
  Send("read?");
  std::string all;
  char buffer[60];
  int fullReads = 0;
  while (true) {
    const auto outcome = M().Read(buffer, sizeof buffer, milliseconds(1000));
    all.append(buffer, outcome.count);
    if (outcome.status == ReadOutcome::Status::BufferFull) {
      EXPECT_EQ(outcome.count, 60u);
      ++fullReads;
      continue;
    }
    EXPECT_EQ(outcome.status, ReadOutcome::Status::EndOfMessage);
    EXPECT_EQ(outcome.count, 5001u - 60u * 83u);
    break;
  }
  EXPECT_EQ(fullReads, 83);
  ASSERT_EQ(all.size(), 5001u);
  EXPECT_EQ(all.substr(0, 15), "+1.23456700E+00");
  EXPECT_EQ(all.find_first_not_of('0', 15), 5000u);
  EXPECT_EQ(all.back(), '\n');
  EXPECT_EQ(LeadingNumber(all.substr(0, 60)), 1.234567);
}

TEST_F(FaultTest, MessageOfExactlyTheBufferSizeEndsTheMessage) {
  MeterConfig config = Faulty(FaultKind::Overlong);
  config.fault.overlongBytes = 1023;  // 1023 bytes and the line feed: 1024
  Make(config);
  Send("read?");
  std::string buffer(1024, '\0');
  auto outcome = M().Read(buffer.data(), buffer.size(), milliseconds(1000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::EndOfMessage);
  EXPECT_EQ(outcome.count, 1024u);
  EXPECT_EQ(buffer.back(), '\n');
  // The long form reads again after a full 1024-byte block: that read waits for the time-out.
  const auto before = clock_.Steady();
  outcome = M().Read(buffer.data(), buffer.size(), milliseconds(20000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::Timeout);
  EXPECT_EQ(outcome.count, 0u);
  EXPECT_EQ(clock_.Steady() - before, milliseconds(20000));
}

TEST_F(FaultTest, UnterminatedAnswerTimesOutWithThePartialCount) {
  MeterConfig config = Faulty(FaultKind::Unterminated);
  config.fault.onlyFor = "read?";
  Make(config);
  Send("read?");
  const auto before = clock_.Steady();
  char buffer[60];
  const auto outcome = M().Read(buffer, sizeof buffer, milliseconds(20000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::Timeout);
  EXPECT_EQ(outcome.count, 15u);
  EXPECT_EQ(std::string(buffer, outcome.count), "+1.23456700E+00");
  EXPECT_EQ(clock_.Steady() - before, milliseconds(20000));

  // On a stream the next answer's bytes follow the unterminated ones.
  Send("read?");
  Send("*IDN?");
  EXPECT_EQ(ReadAnswer(), std::string("+1.23456700E+00") + testing::kFullIdentity);

  Send("read?");
  const auto message = M().PopOutput();
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->bytes, "+1.23456700E+00");
  EXPECT_FALSE(message->endOfMessage);
}

TEST_F(FaultTest, UnterminatedAnswerFillingTheBufferIsBufferFull) {
  MeterConfig config = Faulty(FaultKind::Unterminated);
  Make(config);
  Send("read?");
  char buffer[15];
  const auto outcome = M().Read(buffer, sizeof buffer, milliseconds(20000));
  EXPECT_EQ(outcome.status, ReadOutcome::Status::BufferFull);
  EXPECT_EQ(outcome.count, 15u);
}

TEST_F(FaultTest, CommandsStillTakeEffectWhenTheirAnswerIsLost) {
  MeterConfig config = Faulty(FaultKind::NoAnswer);
  config.fault.onlyFor = "func?";
  Make(config);
  Send("CONF:RES");
  Send("func?");
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Query("read?"), "+1.00000000E+03");  // the meter did switch to resistance
  EXPECT_EQ(M().CommandCount(), 3u);
}

TEST_F(FaultTest, OverlongCommandLineIsDroppedWithAnError) {
  const std::string flood(1100000, 'A');
  ASSERT_TRUE(M().Write(flood));
  ASSERT_TRUE(M().Write(flood + "\n"));
  EXPECT_EQ(Query("*IDN?"), testing::kFullIdentity);
  EXPECT_EQ(Error(), "-363,\"Input buffer overrun\"");
  EXPECT_EQ(Error(), "+0,\"No error\"");
}

}  // namespace
}  // namespace vx::sim
