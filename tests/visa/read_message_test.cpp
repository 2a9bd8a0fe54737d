// Whole answers read block by block, and the bounds that stop an answer without end: its
// size, its time in all, and a read that brings nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "simulated_visa.h"
#include "streaming_server.h"
#include "visa/read_message.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace vx::visa {
namespace {

using namespace std::chrono_literals;
using test::SimulatedVisa;

std::string Desc(ViObject object, ViStatus status) {
  char text[VI_FIND_BUFLEN] = {};
  viStatusDesc(object, status, text);
  return text;
}

class SimulatedMessageTest : public ::testing::Test {
 protected:
  SimulatedMessageTest() {
    auto overlong = SimulatedVisa::UsbMeter("LONG");
    overlong.fault.kind = sim::FaultKind::Overlong;
    overlong.fault.overlongBytes = 5000;
    overlong.fault.onlyFor = "READ?";
    auto unterminated = SimulatedVisa::GpibMeter(5);
    unterminated.fault.kind = sim::FaultKind::Unterminated;
    unterminated.fault.onlyFor = "READ?";
    visa_ = std::make_unique<SimulatedVisa>(std::vector<sim::MeterConfig>{overlong, unterminated});
    viOpenDefaultRM(&rm_);
    viOpen(rm_, "USB0::0x1F3A::0x0C21::LONG::INSTR", VI_NO_LOCK, 0, &long_);
    viOpen(rm_, "GPIB0::5::INSTR", VI_NO_LOCK, 0, &unterminated_);
  }
  ~SimulatedMessageTest() override { viClose(rm_); }

  std::unique_ptr<SimulatedVisa> visa_;
  ViSession rm_ = VI_NULL;
  ViSession long_ = VI_NULL;
  ViSession unterminated_ = VI_NULL;
};

TEST_F(SimulatedMessageTest, ReadsBlocksUntilTheMessageEnds) {
  viPrintf(long_, "read?\n");
  std::string answer;
  int blocks = 0;
  EXPECT_EQ(ReadMessage(long_, 1024,
                        [&](std::string_view block) {
                          ++blocks;
                          answer += block;
                        }),
            VI_SUCCESS);
  EXPECT_EQ(answer.size(), 5001u);
  EXPECT_EQ(blocks, 5);
  // A message of exactly one block takes one read ("TOLVEX,W9-90/1,LONG,Q7110 1.05\n").
  viPrintf(long_, "*IDN?\n");
  blocks = 0;
  EXPECT_EQ(ReadMessage(long_, 31, [&](std::string_view) { ++blocks; }), VI_SUCCESS);
  EXPECT_EQ(blocks, 1);
}

TEST_F(SimulatedMessageTest, StopsAtTheSizeBoundAndSaysSo) {
  viPrintf(long_, "read?\n");
  std::string answer;
  EXPECT_EQ(ReadMessage(long_, 1024, answer, 3000), VI_ERROR_IO);
  EXPECT_EQ(answer.size(), 3000u);
  EXPECT_NE(Desc(long_, VI_ERROR_IO).find("did not end within 3000 bytes"), std::string::npos)
      << Desc(long_, VI_ERROR_IO);
}

TEST_F(SimulatedMessageTest, AnAnswerThatStopsWithoutItsEndTimesOutOnce) {
  viSetAttribute(unterminated_, VI_ATTR_TMO_VALUE, 500);
  viPrintf(unterminated_, "read?\n");
  std::string answer;
  const auto before = visa_->Clock().Steady();
  EXPECT_EQ(ReadMessage(unterminated_, 8, answer), VI_ERROR_TMO);
  EXPECT_EQ(answer, "+1.23456700E+00");
  EXPECT_EQ(visa_->Clock().Steady() - before, 500ms);
}

class StreamTest : public ::testing::Test {
 protected:
  StreamTest() {
    VisaConfig config;  // the real clock: these bounds are in real time
    config.vendorLibrary.clear();
    config.hardwareBackends = false;
    EXPECT_EQ(ConfigureVisa(config), VI_SUCCESS);
    viOpenDefaultRM(&rm_);
  }
  ~StreamTest() override { viClose(rm_); }

  ViSession Query(const test::StreamingServer& server, ViUInt32 timeoutMs) {
    ViSession session = VI_NULL;
    EXPECT_EQ(viOpen(rm_, server.Resource().c_str(), VI_NO_LOCK, 0, &session), VI_SUCCESS);
    viSetAttribute(session, VI_ATTR_TMO_VALUE, timeoutMs);
    viPrintf(session, "read?\n");
    return session;
  }

  ViSession rm_ = VI_NULL;
};

TEST_F(StreamTest, AnEndlessAnswerStopsAt64MiB) {
  test::StreamingServer server(test::StreamingServer::Pace::AsFastAsItCan);
  const ViSession session = Query(server, 1000);
  size_t total = 0;
  EXPECT_EQ(ReadMessage(session, 4096, [&total](std::string_view block) { total += block.size(); }),
            VI_ERROR_IO);
  EXPECT_EQ(total, kMaxMessageBytes);
  EXPECT_NE(Desc(session, VI_ERROR_IO).find("did not end within 64 MiB"), std::string::npos)
      << Desc(session, VI_ERROR_IO);
}

TEST_F(StreamTest, ASlowAnswerStopsAtTenTimesTheTimeOut) {
  test::StreamingServer server(test::StreamingServer::Pace::OneKilobytePer20Ms);
  const ViSession session = Query(server, 100);
  std::string answer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadMessage(session, 1024, answer), VI_ERROR_TMO);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 1000ms);
  EXPECT_LT(took, 3000ms);
  EXPECT_GT(answer.size(), 10'000u);
  EXPECT_NE(Desc(session, VI_ERROR_TMO).find("10 times the time-out of 100 ms"), std::string::npos)
      << Desc(session, VI_ERROR_TMO);
}

TEST_F(StreamTest, AnAnswerThatStallsStopsAfterOneTimeOutWithoutProgress) {
  test::StreamingServer server(test::StreamingServer::Pace::TwoKilobytesThenSilence);
  const ViSession session = Query(server, 300);
  std::string answer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadMessage(session, 512, answer), VI_ERROR_TMO);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 300ms);
  EXPECT_LT(took, 2000ms);
  EXPECT_EQ(answer.size(), 2048u);
  // The words count every byte of the message, not only the last read's.
  EXPECT_NE(Desc(session, VI_ERROR_TMO).find("2048 bytes came without"), std::string::npos)
      << Desc(session, VI_ERROR_TMO);
}

}  // namespace
}  // namespace vx::visa
