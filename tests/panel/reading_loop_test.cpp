#include "panel/reading_loop.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "panel/trace_geometry.h"

namespace vx::panel {
namespace {

// Meters that answer "read?" from per-device queues of answers.
struct ScriptedMeters {
  std::map<int, std::vector<std::string>> answers;
  std::vector<std::pair<int, std::string>> sent;
  ReadingLoop::Query Query() {
    return [this](int device, std::string_view command) {
      sent.emplace_back(device, std::string(command));
      auto& queue = answers[device];
      if (queue.empty()) return std::string("+1.00000000E+00");
      std::string answer = queue.front();
      queue.erase(queue.begin());
      return answer;
    };
  }
};

TEST(ReadingLoop, SingleDeviceModeReadsTheCurrentMeterIntoRowOne) {
  ReadingLoop loop;
  loop.SetListedMeters(3);
  loop.SetCurrentDevice(2);
  ScriptedMeters meters;
  meters.answers[2] = {"+2.50000000E+00"};
  std::vector<std::pair<int, double>> logged;
  const auto outcome =
      loop.Tick(meters.Query(), [&](int slot, double value) { logged.emplace_back(slot, value); });
  EXPECT_EQ(meters.sent, (std::vector<std::pair<int, std::string>>{{2, "read?\n"}}));
  EXPECT_EQ(outcome.labels[0], "2.500000000000000");
  EXPECT_FALSE(outcome.labels[2]);
  EXPECT_EQ(logged, (std::vector<std::pair<int, double>>{{0, 2.5}}));
  EXPECT_EQ(loop.History().Newest(2), 2.5);
}

TEST(ReadingLoop, MultiDeviceModeReadsEveryListedMeterInOrder) {
  ReadingLoop loop;
  loop.SetListedMeters(3);
  loop.SetMultiDevice(true);
  ScriptedMeters meters;
  meters.answers[1] = {"+9.90000000E+37"};
  meters.answers[2] = {"0"};
  std::vector<std::pair<int, double>> logged;
  const auto outcome =
      loop.Tick(meters.Query(), [&](int slot, double value) { logged.emplace_back(slot, value); });
  ASSERT_EQ(meters.sent.size(), 3u);
  EXPECT_EQ(meters.sent[1].first, 1);
  EXPECT_EQ(outcome.labels[1], "OVLD");
  EXPECT_EQ(outcome.labels[2], "0.000000000000000");
  // The overload is not logged; the zero is logged as 0.
  EXPECT_EQ(logged, (std::vector<std::pair<int, double>>{{0, 1.0}, {2, 0.0}}));
}

TEST(ReadingLoop, AnEmptyAnswerStopsTheTick) {
  ReadingLoop loop;
  loop.SetListedMeters(2);
  loop.SetMultiDevice(true);
  ScriptedMeters meters;
  meters.answers[0] = {""};
  const auto outcome = loop.Tick(meters.Query(), nullptr);
  EXPECT_TRUE(outcome.connectionLost);
  EXPECT_EQ(meters.sent.size(), 1u);
}

TEST(ReadingLoop, RedrawsEveryDotsOverFiftyTicksAndKeepsHistoryWhenDotsChange) {
  ReadingLoop loop;
  loop.SetListedMeters(1);
  loop.SetCurrentDevice(0);
  ScriptedMeters meters;
  std::vector<bool> redraws;
  for (int i = 0; i < 6; ++i) redraws.push_back(loop.Tick(meters.Query(), nullptr).redraw);
  EXPECT_EQ(redraws, (std::vector<bool>{false, true, false, true, false, true}));
  loop.SetDots(50);
  EXPECT_TRUE(loop.Tick(meters.Query(), nullptr).redraw);
  EXPECT_TRUE(loop.Tick(meters.Query(), nullptr).redraw);
  EXPECT_EQ(loop.History().SampleCount(), 8);
  loop.SetDots(2000);
  for (int i = 0; i < 39; ++i) EXPECT_FALSE(loop.Tick(meters.Query(), nullptr).redraw);
  EXPECT_TRUE(loop.Tick(meters.Query(), nullptr).redraw);
}

TEST(ReadingLoop, AFullDisplayShiftsOutTheOldestSample) {
  ReadingLoop loop;
  loop.SetListedMeters(1);
  loop.SetCurrentDevice(0);
  loop.SetDots(50);
  ScriptedMeters meters;
  for (int i = 1; i <= 52; ++i) meters.answers[0].push_back(std::to_string(i));
  for (int i = 0; i < 52; ++i) loop.Tick(meters.Query(), nullptr);
  EXPECT_EQ(loop.History().SampleCount(), 50);
  EXPECT_EQ(loop.History().Sample(0, 0), 3.0);
  EXPECT_EQ(loop.History().Newest(0), 52.0);
  // An overload keeps the newest slot as it was: the previous sample, once full.
  meters.answers[0] = {"9.9E37"};
  loop.Tick(meters.Query(), nullptr);
  EXPECT_EQ(loop.History().Newest(0), 52.0);
  EXPECT_EQ(loop.History().Sample(0, 0), 4.0);
}

TEST(ReadingLoop, WhileFillingAnOverloadLeavesZero) {
  ReadingLoop loop;
  loop.SetListedMeters(1);
  loop.SetCurrentDevice(0);
  ScriptedMeters meters;
  meters.answers[0] = {"5", "9.9E37"};
  loop.Tick(meters.Query(), nullptr);
  loop.Tick(meters.Query(), nullptr);
  EXPECT_EQ(loop.History().SampleCount(), 2);
  EXPECT_EQ(loop.History().Newest(0), 0.0);
}

// A tick whose meter gives no answer adds no sample: while the display fills an empty slot
// would read as "no sample yet" and hide the trace; once it is full the oldest would drop.
TEST(ReadingLoop, AFailedTickLeavesNoSlotBehind) {
  ReadingLoop loop;
  loop.SetListedMeters(2);
  loop.SetCurrentDevice(0);
  ScriptedMeters meters;
  meters.answers[0] = {"1.5", "1.5", ""};
  loop.Tick(meters.Query(), nullptr);
  loop.Tick(meters.Query(), nullptr);
  EXPECT_TRUE(loop.Tick(meters.Query(), nullptr).connectionLost);
  EXPECT_EQ(loop.History().SampleCount(), 2);
  EXPECT_EQ(loop.History().Newest(0), 1.5);

  // Multi-device mode on a full display: the second meter fails, nobody's history moves.
  loop.SetMultiDevice(true);
  loop.SetDots(50);
  loop.BeginRun();
  for (int k = 1; k <= 50; ++k) {
    meters.answers[0] = {std::to_string(k)};
    meters.answers[1] = {std::to_string(100 + k)};
    loop.Tick(meters.Query(), nullptr);
  }
  meters.answers[0] = {"51"};
  meters.answers[1] = {""};
  std::vector<int> logged;
  const auto outcome = loop.Tick(meters.Query(), [&](int slot, double) { logged.push_back(slot); });
  EXPECT_TRUE(outcome.connectionLost);
  EXPECT_EQ(outcome.labels[0], "51.000000000000000");  // what was answered is shown and logged
  EXPECT_EQ(logged, std::vector<int>{0});
  EXPECT_EQ(loop.History().SampleCount(), 50);
  EXPECT_EQ(loop.History().Sample(0, 0), 1.0);
  EXPECT_EQ(loop.History().Newest(0), 50.0);
  EXPECT_EQ(loop.History().Newest(1), 150.0);
}

TEST(ReadingLoop, InSingleDeviceModeTheTraceControlsEditTheCurrentMeter) {
  ReadingLoop loop;
  loop.SetListedMeters(2);
  loop.SetCurrentDevice(1);
  EXPECT_TRUE(loop.StepDivision(true, "0"));
  EXPECT_EQ(loop.DivisionIndex(1), 12);
  EXPECT_EQ(loop.DivisionIndex(0), 13);
  loop.ApplyOffsetText("2");
  EXPECT_EQ(loop.Offset(1), 2.0);
  EXPECT_TRUE(loop.MoveMarker(false, "2"));
  EXPECT_EQ(loop.MarkerPosition(1), 1);
  EXPECT_EQ(loop.Offset(1), 4.0);
  EXPECT_EQ(loop.ApplyOffsetDirectly("3"), 3.0);
  EXPECT_EQ(loop.Offset(1), 3.0);
  EXPECT_EQ(loop.Offset(0), 0.0);
  EXPECT_EQ(loop.MarkerPosition(0), 0);
  // Multi-device mode edits the row the radio buttons chose.
  loop.SetMultiDevice(true);
  loop.SelectRow(0);
  EXPECT_TRUE(loop.StepDivision(false, "0"));
  EXPECT_EQ(loop.DivisionIndex(0), 14);
  EXPECT_EQ(loop.DivisionIndex(1), 12);
}

TEST(ReadingLoop, StartKeepsFunctionAnswersWhereTheTickLooksForThem) {
  ReadingLoop loop;
  loop.SetListedMeters(2);
  loop.SetCurrentDevice(1);
  loop.SetDeviceFunction(1, "CONF:DIOD\n");
  loop.StoreStartFunction(0, "DIOD");
  // Single-device mode stores the answer as entry 0; the current meter's entry stays.
  EXPECT_EQ(loop.DeviceFunction(0), "DIOD");
  EXPECT_EQ(loop.DeviceFunction(1), "CONF:DIOD\n");
  ScriptedMeters meters;
  meters.answers[1] = {"1.5"};
  EXPECT_EQ(loop.Tick(meters.Query(), nullptr).labels[0], "OPEN");
  loop.SetMultiDevice(true);
  loop.StoreStartFunction(1, "CONT");
  EXPECT_EQ(loop.DeviceFunction(1), "CONT");
}

TEST(ReadingLoop, NoCurrentMeterTouchesNoDeviceEntry) {
  ReadingLoop loop;
  loop.SetDeviceFunction(0, "CONT");
  loop.SetDeviceFunction(kNoDevice, "CONF:DIOD\n");
  EXPECT_EQ(loop.DeviceFunction(0), "CONT");
  EXPECT_EQ(loop.DeviceFunction(kNoDevice), "");
  loop.SelectRow(2);
  loop.SelectRow(7);
  EXPECT_EQ(loop.SelectedRow(), 2);
}

TEST(ReadingLoop, SpeedsGiveTimerPeriods) {
  ReadingLoop loop;
  // Before a speed is chosen, the one shown first ("25ms").
  EXPECT_EQ(loop.TimerPeriod(), 6);
  loop.ChooseSpeed(25);
  EXPECT_EQ(loop.TimerPeriod(), 6);
  loop.ChooseSpeed(2000);
  EXPECT_EQ(loop.TimerPeriod(), 1981);
}

TEST(ReadingLoop, DivisionStepsStopAtBothEndsOfTheTable) {
  ReadingLoop loop;
  EXPECT_EQ(loop.DivisionIndex(0), 13);
  EXPECT_TRUE(loop.StepDivision(false, "0"));
  EXPECT_EQ(loop.DivisionIndex(0), 14);
  EXPECT_DOUBLE_EQ(loop.DivisionValue(0), 0.5);
  for (int i = 0; i < 40; ++i) loop.StepDivision(true, "0");
  EXPECT_EQ(loop.DivisionIndex(0), 0);
  EXPECT_FALSE(loop.StepDivision(true, "0"));
  for (int i = 0; i < 40; ++i) loop.StepDivision(false, "0");
  EXPECT_EQ(loop.DivisionIndex(0), 34);
  EXPECT_FALSE(loop.StepDivision(false, "0"));
  EXPECT_DOUBLE_EQ(loop.DivisionValue(0), 1e-7);
  EXPECT_EQ(loop.Factor(0), 10000000.0);
}

TEST(ReadingLoop, DivisionStepValuesReadTheirPrefixes) {
  EXPECT_DOUBLE_EQ(DivisionStepValue("20000"), 20000);
  EXPECT_DOUBLE_EQ(DivisionStepValue("500m"), 0.5);
  EXPECT_DOUBLE_EQ(DivisionStepValue("2 u"), 2e-6);
  EXPECT_DOUBLE_EQ(DivisionStepValue("100 n"), 1e-7);
  for (const DivisionRow& row : DivisionTable) {
    EXPECT_NEAR(DivisionStepValue(row.text) * row.factor, 1.0, 1e-12) << row.text;
  }
}

TEST(ReadingLoop, OffsetTextChecks) {
  ReadingLoop loop;
  const auto twoPoints = loop.ApplyOffsetText("1..2");
  EXPECT_EQ(twoPoints.errorTitle, ".");
  EXPECT_EQ(twoPoints.number, 1.0);
  EXPECT_EQ(loop.Offset(0), 1.0);

  const auto letter = loop.ApplyOffsetText("1.5V");
  EXPECT_EQ(letter.errorTitle, "");
  EXPECT_EQ(loop.Offset(0), 1.5);

  const auto exponents = loop.ApplyOffsetText("1e5e5");
  EXPECT_EQ(exponents.errorTitle, ".");
  EXPECT_EQ(loop.Offset(0), 1e5);

  EXPECT_FALSE(loop.ApplyOffsetText("--").errorTitle);
  EXPECT_EQ(loop.Offset(0), 0.0);
  EXPECT_FALSE(loop.ApplyOffsetText("").errorTitle);

  // A number too large for a double is refused without changing the offset; letters are
  // no number at all and read as 0, "inf" and "0x10" as much as "abc".
  loop.ApplyOffsetText("2");
  const auto infinite = loop.ApplyOffsetText("1e999");
  EXPECT_FALSE(infinite.errorTitle);
  EXPECT_FALSE(infinite.number);
  EXPECT_EQ(loop.Offset(0), 2.0);
  const auto letters = loop.ApplyOffsetText("inf");
  EXPECT_EQ(letters.errorTitle, "");
  EXPECT_EQ(letters.number, 0.0);
  EXPECT_EQ(loop.ApplyOffsetText("0x10").number, 0.0);
  EXPECT_EQ(FormatOffset(1.5), "1.5");
  EXPECT_EQ(FormatOffset(2.0), "2");
  EXPECT_EQ(FormatOffset(-0.25), "-0.25");
  EXPECT_EQ(FormatOffset(100000.0), "100000");
}

TEST(ReadingLoop, MarkersMoveOneDivisionWithinTheDisplay) {
  ReadingLoop loop;
  loop.StepDivision(false, "0");  // 500m per division
  EXPECT_TRUE(loop.MoveMarker(true, "0.25"));
  EXPECT_EQ(loop.MarkerPosition(0), -1);
  EXPECT_DOUBLE_EQ(loop.Offset(0), -0.5 + 0.25);
  EXPECT_EQ(loop.OffsetTextOf(0), "0.25");
  int moves = 0;
  while (loop.MoveMarker(true, "0")) ++moves;
  EXPECT_EQ(loop.MarkerPosition(0), -kMarkerLimit);
  EXPECT_EQ(moves, kMarkerLimit - 1);
  while (loop.MoveMarker(false, "0")) {
  }
  EXPECT_EQ(loop.MarkerPosition(0), kMarkerLimit);
  // Enter applies the offset as typed, without the marker's part.
  loop.ApplyOffsetDirectly("3");
  EXPECT_EQ(loop.Offset(0), 3.0);
}

TEST(TraceGeometry, NewestSampleIsLeftmostAndShiftsWhenFull) {
  ReadingLoop loop;
  loop.SetListedMeters(1);
  loop.SetCurrentDevice(0);
  loop.SetDots(50);
  ScriptedMeters meters;
  meters.answers[0] = {"1", "2", "3"};
  for (int i = 0; i < 3; ++i) loop.Tick(meters.Query(), nullptr);
  std::vector<LogicalPoint> points;
  TracePolyline(loop.History(), 0, 50, 0.0, 1.0, points);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].x, 0.0);
  EXPECT_EQ(points[0].y, 300.0);
  EXPECT_EQ(points[2].x, 2.0);
  for (int i = 0; i < 60; ++i) loop.Tick(meters.Query(), nullptr);
  TracePolyline(loop.History(), 0, 50, 0.5, 2.0, points);
  ASSERT_EQ(points.size(), 50u);
  EXPECT_EQ(points.front().x, 1.0);
  EXPECT_EQ(points.back().x, 50.0);
  EXPECT_EQ(points.front().y, 100.0);  // (1 - 0.5) x 2 x 100
}

TEST(TraceGeometry, HugeValuesAreHeldJustOutsideTheDisplay) {
  EXPECT_EQ(TraceY(8e20, 0, 1e7), kLogicalLimit);
  EXPECT_EQ(TraceY(-8e20, 0, 1e7), -kLogicalLimit);
  EXPECT_EQ(TraceY(3.7, 0, 1), 370.0);
}

}  // namespace
}  // namespace vx::panel
