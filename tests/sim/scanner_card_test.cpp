// The scanner card: channel functions, the scan's progress with the clock, four-wire partner
// channels, long fetch answers, step mode.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim_test_util.h"

namespace vx::sim {
namespace {

using std::chrono::milliseconds;
using testing::Config;
using testing::SimTest;

std::vector<double> Values(const std::string& answer) {
  std::vector<double> values;
  std::size_t pos = 0;
  while (pos < answer.size()) {
    std::size_t comma = answer.find(',', pos);
    if (comma == std::string::npos) comma = answer.size();
    EXPECT_EQ(comma - pos, 15u) << answer.substr(pos, comma - pos);
    values.push_back(LeadingNumber(answer.substr(pos, comma - pos)));
    pos = comma + 1;
  }
  return values;
}

class ScannerTest : public SimTest {};

TEST_F(ScannerTest, CardPresenceAndPowerOnFunctions) {
  EXPECT_EQ(Query("Rout:state?"), "2");
  for (int k = 1; k <= 20; ++k) {
    EXPECT_EQ(Query("Rout:scan:func? " + std::to_string(k)), "\"NONE\"") << k;
  }
  Send("Rout:scan:func? 21");
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");

  Make(Config(testing::kBasicIdentity, 10));
  EXPECT_EQ(Query("Rout:state?"), "1");
  Make(Config(testing::kBasicIdentity, 0));
  EXPECT_EQ(Query("Rout:state?"), "0");
  Send("Rout:scan:func? 1");
  EXPECT_TRUE(Silent());
  EXPECT_EQ(Error(), "-241,\"Hardware missing\"");
}

TEST_F(ScannerTest, ChannelFunctions) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"VOLT:DC\"", "\"VOLT:DC\""}, {"\"VOLT:AC\"", "\"VOLT:AC\""}, {"\"FREQ\"", "\"FREQ\""},
      {"\"RES\"", "\"RES\""},         {"\"FRES\"", "\"FRES\""},       {"\"NONE\"", "\"NONE\""},
      {"\"volt:dc\"", "\"VOLT:DC\""}, {"FREQ", "\"FREQ\""},
  };
  for (const auto& [sent, reported] : cases) {
    Send(std::string("rout:scan:func 3,") + sent);
    EXPECT_EQ(Query("Rout:scan:func? 3"), reported) << sent;
  }
  Send("rout:scan:func 3,\"CURR:DC\"");
  EXPECT_EQ(Error(), "-224,\"Illegal parameter value\"");
  Send("rout:scan:func 11,\"FRES\"");  // the upper half are the sense pairs
  EXPECT_EQ(Error(), "-221,\"Settings conflict\"");
  Send("rout:scan:func 0,\"RES\"");
  EXPECT_EQ(Error(), "-222,\"Data out of range\"");
  EXPECT_EQ(Error(), "+0,\"No error\"");
}

TEST_F(ScannerTest, ProgressFollowsTheClock) {
  Send("rout:scan:func 1,\"VOLT:DC\"");
  Send("rout:scan:func 3,\"RES\"");
  Send("Rout:scan:count 10");
  Send("Rout:scan:timer 0.500000");
  EXPECT_EQ(Query("Rout:scan:state?"), "0");
  Send("route:scan");
  EXPECT_EQ(Query("Rout:scan:state?"), "0");
  clock_.Advance(milliseconds(499));
  EXPECT_EQ(Query("Rout:scan:state?"), "0");
  clock_.Advance(milliseconds(1));
  EXPECT_EQ(Query("Rout:scan:state?"), "1");
  clock_.Advance(milliseconds(2100));
  EXPECT_EQ(Query("Rout:scan:state?"), "5");
  // A fetch during the scan answers the readings done so far.
  EXPECT_EQ(Values(Query("fetch?")).size(), 5u);
  clock_.Advance(std::chrono::seconds(10));
  EXPECT_EQ(Query("Rout:scan:state?"), "10");
  const auto values = Values(Query("fetch?"));
  ASSERT_EQ(values.size(), 10u);
  for (std::size_t i = 0; i < values.size(); i += 2) {
    EXPECT_EQ(values[i], 0.1123) << i;      // channel 1, built-in 0.1 V * 1 + 0.0123 V
    EXPECT_EQ(values[i + 1], 3012.3) << i;  // channel 3, built-in 1000 ohm * 3 + 12.3 ohm
  }
  EXPECT_EQ(Number("Rout:scan:count?"), 10);
  EXPECT_EQ(Number("Rout:scan:timer?"), 0.5);
  // A new scan starts from zero.
  Send("route:scan");
  EXPECT_EQ(Query("Rout:scan:state?"), "0");
}

TEST_F(ScannerTest, FourWirePartnerIsSkipped) {
  MeterConfig config = Config(testing::kFullIdentity, 10);
  config.channelInputs = {100.5, 2.5, 3.5, 4.5, 5.5, 6.5};
  Make(config);
  Send("rout:scan:func 6,\"VOLT:DC\"");  // set before channel 1 became four-wire
  Send("rout:scan:func 1,\"FRES\"");
  Send("rout:scan:func 2,\"VOLT:DC\"");
  Send("Rout:scan:count 6");
  Send("Rout:scan:timer 0.1");
  Send("route:scan");
  clock_.Advance(milliseconds(600));
  EXPECT_EQ(Query("Rout:scan:state?"), "6");
  EXPECT_EQ(Values(Query("fetch?")), (std::vector<double>{100.5, 2.5, 100.5, 2.5, 100.5, 2.5}));
  // Without the four-wire channel, channel 6 is scanned again.
  Send("rout:scan:func 1,\"NONE\"");
  Send("route:scan");
  clock_.Advance(milliseconds(600));
  EXPECT_EQ(Values(Query("fetch?")), (std::vector<double>{2.5, 6.5, 2.5, 6.5, 2.5, 6.5}));
}

TEST_F(ScannerTest, TwoThousandReadingsReadInKilobyteBlocks) {
  for (int k = 1; k <= 20; ++k) Send("rout:scan:func " + std::to_string(k) + ",\"VOLT:DC\"");
  Send("Rout:scan:count 2000");
  Send("Rout:scan:timer 0.000000");  // the card's fastest: 10 ms a reading
  Send("route:scan");
  clock_.Advance(milliseconds(19990));
  EXPECT_EQ(Query("Rout:scan:state?"), "1999");
  clock_.Advance(milliseconds(10));
  EXPECT_EQ(Query("Rout:scan:state?"), "2000");
  Send("fetch?");
  std::string all;
  std::string block(1024, '\0');
  int fullBlocks = 0;
  while (true) {
    const auto outcome = M().Read(block.data(), block.size(), milliseconds(30000));
    all.append(block.data(), outcome.count);
    if (outcome.status != ReadOutcome::Status::BufferFull) {
      EXPECT_EQ(outcome.status, ReadOutcome::Status::EndOfMessage);
      break;
    }
    ++fullBlocks;
  }
  EXPECT_EQ(all.size(), 32000u);  // 2000 readings of 15 characters, 1999 commas, a line feed
  EXPECT_EQ(fullBlocks, 31);
  all.pop_back();
  const auto values = Values(all);
  ASSERT_EQ(values.size(), 2000u);
  for (int i = 0; i < 2000; ++i) {
    EXPECT_DOUBLE_EQ(values[static_cast<size_t>(i)], 0.1 * (i % 20 + 1) + 0.0123) << i;
  }
}

// A step scan takes each reading as it steps to the channel; whatever the state query
// reports, in either mode, FETCH? returns.
TEST_F(ScannerTest, WhatTheStateReportsCanBeFetchedInStepAndScanMode) {
  Send("rout:scan:func 1,\"VOLT:AC\"");
  Send("rout:scan:func 2,\"FREQ\"");
  Send("Rout:scan:count 4");
  Send("Rout:scan:timer 2.0");
  Send("route:scan:step");
  EXPECT_EQ(Query("Rout:scan:state?"), "1");
  EXPECT_EQ(Values(Query("fetch?")), (std::vector<double>{0.1123}));
  clock_.Advance(milliseconds(6000));
  EXPECT_EQ(Query("Rout:scan:state?"), "4");
  EXPECT_EQ(Values(Query("fetch?")), (std::vector<double>{0.1123, 2000.5, 0.1123, 2000.5}));

  Send("route:scan");
  EXPECT_EQ(Query("Rout:scan:state?"), "0");
  EXPECT_EQ(Query("fetch?"), "");
  clock_.Advance(milliseconds(4100));
  EXPECT_EQ(Query("Rout:scan:state?"), "2");
  EXPECT_EQ(Values(Query("fetch?")).size(), 2u);
}

TEST_F(ScannerTest, OverloadedChannelAndNoiseFreeRepeatability) {
  MeterConfig config = Config(testing::kFullIdentity, 10);
  config.channelInputs = {1500.0, -1.25};
  Make(config);
  Send("rout:scan:func 1,\"VOLT:DC\"");
  Send("rout:scan:func 2,\"VOLT:DC\"");
  Send("Rout:scan:count 2");
  Send("route:scan");
  clock_.Advance(std::chrono::seconds(2));
  EXPECT_EQ(Query("fetch?"), "+9.90000000E+37,-1.25000000E+00");
  EXPECT_EQ(Query("fetch?"), "+9.90000000E+37,-1.25000000E+00");
}

TEST_F(ScannerTest, NoActiveChannelAndEmptyCount) {
  Send("route:scan");
  EXPECT_EQ(Error(), "-221,\"Settings conflict\"");
  EXPECT_EQ(Query("Rout:scan:state?"), "0");
  Send("rout:scan:func 1,\"RES\"");
  Send("Rout:scan:count 0");
  Send("route:scan");
  EXPECT_EQ(Query("Rout:scan:state?"), "0");
  EXPECT_EQ(Query("fetch?"), "");
  EXPECT_EQ(last_, ReadOutcome::Status::EndOfMessage);
  EXPECT_EQ(Error(), "+0,\"No error\"");
}

TEST_F(ScannerTest, ReadingTheMeterEndsTheScan) {
  Send("rout:scan:func 1,\"VOLT:DC\"");
  Send("Rout:scan:count 100");
  Send("route:scan");
  clock_.Advance(milliseconds(1000));
  EXPECT_EQ(Query("Rout:scan:state?"), "2");
  EXPECT_EQ(Query("read?"), "+1.23456700E+00");
  EXPECT_EQ(Query("fetch?"), "+1.23456700E+00");
  clock_.Advance(milliseconds(5000));
  EXPECT_EQ(Query("Rout:scan:state?"), "2");  // stopped where it was
}

TEST_F(ScannerTest, NoisyScanReadingsAreFixedOnceTaken) {
  MeterConfig config = Config();
  config.noise = 1e-4;
  Make(config);
  Send("rout:scan:func 1,\"VOLT:DC\"");
  Send("Rout:scan:count 5");
  Send("route:scan");
  clock_.Advance(std::chrono::seconds(1));
  const std::string first = Query("fetch?");
  clock_.Advance(std::chrono::seconds(2));
  const std::string again = Query("fetch?");
  EXPECT_EQ(again.substr(0, first.size()), first);
  const auto values = Values(again);
  ASSERT_EQ(values.size(), 5u);
  EXPECT_NE(values[0], values[1]);
  for (double v : values) EXPECT_NEAR(v, 0.1123, 0.1123 * 0.003);
}

}  // namespace
}  // namespace vx::sim
