#pragma once
// Helpers shared by the simulated-meter tests: a meter on a ManualClock and one-line exchanges.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "common/c_number.h"
#include "common/clock.h"
#include "sim/simulated_meter.h"

namespace vx::sim::testing {

inline constexpr const char* kFullIdentity = "TOLVEX,W9-90/1,TW00012345,Q7110 1.05";
inline constexpr const char* kNoTcIdentity = "TOLVEX,W9-90/1,TW00012346,Q7111 1.05";
inline constexpr const char* kBasicIdentity = "TOLVEX,W9-90/1,TW00054321,Q7100 1.02";

inline MeterConfig Config(const char* identity = kFullIdentity, int card = 20) {
  MeterConfig config;
  config.descriptor = "USB0::0x1F3A::0x0C21::TW00012345::INSTR";
  config.identity = identity;
  config.cardChannels = card;
  config.noise = 0;  // exact, repeatable readings unless a test asks for noise
  return config;
}

struct Exchange {
  ReadOutcome::Status status;
  std::string text;
};

class SimTest : public ::testing::Test {
 protected:
  void Make(MeterConfig config) {
    meter_ = std::make_unique<SimulatedMeter>(std::move(config), clock_);
  }
  SimulatedMeter& M() {
    if (!meter_) Make(Config());
    return *meter_;
  }

  // Writes the command with its line feed.
  void Send(std::string_view command) {
    ASSERT_TRUE(M().Write(std::string(command) + "\n")) << command;
  }
  // Reads one answer (up to 64 KB) and returns it without its line feed; "" on a time-out.
  std::string ReadAnswer(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
    std::string text(65536, '\0');
    const ReadOutcome outcome = M().Read(text.data(), text.size(), timeout);
    text.resize(outcome.count);
    last_ = outcome.status;
    if (outcome.status != ReadOutcome::Status::EndOfMessage) return text;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  std::string Query(std::string_view command) {
    Send(command);
    return ReadAnswer();
  }
  double Number(std::string_view command) { return LeadingNumber(Query(command)); }
  // True when nothing is waiting to be read.
  bool Silent() {
    char buffer[16];
    const ReadOutcome outcome = M().Read(buffer, sizeof buffer, std::chrono::milliseconds(100));
    return outcome.status == ReadOutcome::Status::Timeout && outcome.count == 0;
  }
  std::string Error() { return Query("syst:err?"); }

  ManualClock clock_;
  std::unique_ptr<SimulatedMeter> meter_;
  ReadOutcome::Status last_ = ReadOutcome::Status::Timeout;
};

}  // namespace vx::sim::testing
