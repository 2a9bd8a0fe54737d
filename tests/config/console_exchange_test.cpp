#include "config/console_exchange.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/scripted_prompter.h"
#include "instrument/device_table.h"
#include "simulated_visa.h"

namespace vx::config {
namespace {

using test::SimulatedVisa;
using namespace std::chrono_literals;

sim::MeterConfig Overlong(int address, size_t digits) {
  auto meter = SimulatedVisa::GpibMeter(address);
  meter.fault.kind = sim::FaultKind::Overlong;
  meter.fault.overlongBytes = digits;
  meter.fault.onlyFor = "READ?";
  return meter;
}

class ConsoleTest : public ::testing::Test {
 protected:
  explicit ConsoleTest(std::vector<sim::MeterConfig> meters = {SimulatedVisa::GpibMeter(22)})
      : visa_(std::move(meters)), console_(prompter_) {
    table_.ScanMeters(instrument::kConsoleScan);
  }
  ViSession Session(int position = 0) const { return table_.MeterSession(position); }
  unsigned Commands(const char* descriptor = "GPIB0::22::INSTR") const {
    return visa_.Meter(descriptor)->CommandCount();
  }

  SimulatedVisa visa_;
  instrument::DeviceTable table_;
  ScriptedPrompter prompter_;
  ConsoleExchange console_;
};

TEST_F(ConsoleTest, QueryShowsTheIdentityWithoutItsLineEnd) {
  EXPECT_EQ(console_.Query(Session(), "*IDN?"), "TOLVEX,W9-90/1,TW00022,1.02");
  EXPECT_EQ(console_.History().Entries(), (std::vector<std::string>{"*IDN?"}));
  EXPECT_TRUE(prompter_.Records().empty());
}

TEST_F(ConsoleTest, WriteLeavesTheAnswerForALaterRead) {
  EXPECT_EQ(console_.Write(Session(), "SENS:VOLT:DC:RANGE?"), "");
  EXPECT_EQ(console_.Read(Session()), "+1.00000000E+01");
  EXPECT_EQ(console_.History().Entries(), (std::vector<std::string>{"SENS:VOLT:DC:RANGE?"}));
}

TEST_F(ConsoleTest, CommandTextIsSentAsWrittenNeverAsAFormat) {
  // Used as a format these would read arguments that were never passed.
  EXPECT_EQ(console_.Write(Session(), "%s%s%s%n%d"), "");
  EXPECT_EQ(console_.Query(Session(), "SYST:ERR?"), "-113,\"Undefined header\"");
}

TEST_F(ConsoleTest, CommandsLongerThan98CharactersAreRefused) {
  const unsigned before = Commands();
  const std::string longest = "*IDN?;" + std::string(92, ' ');
  ASSERT_EQ(longest.size(), 98u);
  EXPECT_EQ(console_.Query(Session(), longest), "TOLVEX,W9-90/1,TW00022,1.02");
  EXPECT_TRUE(prompter_.Records().empty());

  const std::string tooLong = longest + " ";
  EXPECT_EQ(console_.Query(Session(), tooLong), std::nullopt);
  EXPECT_EQ(console_.Write(Session(), tooLong), std::nullopt);
  ASSERT_EQ(prompter_.Messages().size(), 2u);
  EXPECT_EQ(prompter_.Messages()[0].text,
            "The command is too long: at most 98 characters can be sent. Please shorten it.");
  EXPECT_EQ(prompter_.Messages()[0].icon, MessageIcon::Exclamation);
  // Nothing reached the meter, and the history holds only what was sent.
  EXPECT_EQ(Commands(), before + 1);
  EXPECT_EQ(console_.History().Entries().size(), 1u);
}

TEST_F(ConsoleTest, NothingHappensWithoutAMeter) {
  EXPECT_EQ(console_.Query(VI_NULL, "*IDN?"), std::nullopt);
  EXPECT_EQ(console_.Write(VI_NULL, "*RST"), std::nullopt);
  EXPECT_EQ(console_.Read(VI_NULL), std::nullopt);
  EXPECT_TRUE(console_.History().Empty());
}

class LongAnswerTest : public ConsoleTest {
 protected:
  // Answers to "read?" of 1024 bytes (the line end included) and of 3001 bytes.
  LongAnswerTest() : ConsoleTest({Overlong(1, 1023), Overlong(2, 3000)}) {}
};

TEST_F(LongAnswerTest, AnswersAreReadToTheirEndInBlocks) {
  const auto before = visa_.Clock().Steady();
  const auto exact = console_.Query(Session(0), "read?");
  ASSERT_TRUE(exact.has_value());
  EXPECT_EQ(exact->size(), 1023u);
  // An answer that exactly fills one block ends with success: no read waits for a time-out.
  EXPECT_EQ(visa_.Clock().Steady(), before);
  const auto longer = console_.Query(Session(1), "read?");
  ASSERT_TRUE(longer.has_value());
  EXPECT_EQ(longer->size(), 3000u);
  EXPECT_EQ(longer->substr(0, 3), "+1.");
  EXPECT_EQ(visa_.Clock().Steady(), before);
  // Nothing of either answer is left over for the next one.
  EXPECT_EQ(console_.Query(Session(0), "*IDN?"), "TOLVEX,W9-90/1,TW0001,1.02");
}

class FailingMeterTest : public ConsoleTest {
 protected:
  static sim::MeterConfig Silent() {
    auto meter = SimulatedVisa::GpibMeter(22);
    meter.fault.kind = sim::FaultKind::NoAnswer;
    meter.fault.afterCommands = 2;  // the scan's "L0" and "*IDN?" are answered
    return meter;
  }
  static sim::MeterConfig Lost() {
    auto meter = SimulatedVisa::GpibMeter(23);
    meter.fault.kind = sim::FaultKind::ConnectionLost;
    meter.fault.lostAfterCommands = 2;
    return meter;
  }
  FailingMeterTest() : ConsoleTest({Silent(), Lost()}) {}
};

TEST_F(FailingMeterTest, AReadThatFailsShowsThatNoValueCameBack) {
  const auto before = visa_.Clock().Steady();
  EXPECT_EQ(console_.Query(Session(0), "*IDN?"), "Couldn't return a value.");
  EXPECT_EQ(visa_.Clock().Steady() - before, 20000ms);
  EXPECT_EQ(console_.Read(Session(0)), "Couldn't return a value.");
  EXPECT_EQ(console_.History().Entries(), (std::vector<std::string>{"*IDN?"}));
}

TEST_F(FailingMeterTest, AWriteThatFailsShowsFail) {
  EXPECT_EQ(console_.Write(Session(1), "*RST"), "FAIL.");
  // A query whose command did not go out does not wait for an answer.
  const auto before = visa_.Clock().Steady();
  EXPECT_EQ(console_.Query(Session(1), "*IDN?"), "FAIL.");
  EXPECT_EQ(visa_.Clock().Steady(), before);
  EXPECT_EQ(console_.History().Entries(), (std::vector<std::string>{"*IDN?", "*RST"}));
}

TEST(DisplayableAnswer, ShowsNulBytesAsASymbol) {
  using namespace std::string_literals;
  EXPECT_EQ(DisplayableAnswer("a\0b"s), "a\u2400b");
  EXPECT_EQ(DisplayableAnswer("plain"), "plain");
}

}  // namespace
}  // namespace vx::config
