// Writes in a batch, against both hosts: they arrive, in the order made, before the batch
// ends; reads in the batch see the writes before them; and a logging run's strip chart, its
// row and counters written in one batch per reading as the engine writes them, draws the
// readings its names cover after every batch.

#include <cmath>
#include <string>
#include <vector>

#include "host_contract.h"

namespace vx::automation {
namespace {

std::string Row(int row) {
  return std::to_string(row);
}

TEST_P(HostContract, ValuesWrittenInABatchArriveInTheOrderWritten) {
  if (Calc()) {
    ASSERT_TRUE(Probe().Connected());  // connected now, to look as soon as the batch ends
  }
  // The time column's format is the column's, as the engine sets it: a time written there
  // needs no look at its cell's format, and the rows go to the office at once.
  Must(Must(sheet_->Columns(1))->SetNumberFormat("hh:mm:ss.000"));
  Must(app_->BeginBatch());
  Must(Cell("F4")->SetValue(Value{1.0}));
  Must(Cell("F4")->SetValue(Value{2.0}));
  Must(Must(sheet_->Range("A1", "B1"))
           ->SetValues({{Value{std::string("Time")}, Value{std::string("DCV")}}}));
  // A read in the batch waits for the writes before it.
  EXPECT_EQ(Must(Cell("F4")->Value()), Value{2.0});
  for (int row = 2; row <= 40; ++row) {
    Must(Must(sheet_->Range("A" + Row(row), "B" + Row(row)))
             ->SetValues({{Value{DateValue{0.5 + row / 86400.0}}, Value{0.001 * row}}}));
    Must(Cell("F6")->SetValue(Value{row - 1.0}));
  }
  // A block over rows written one by one: its own values replace theirs.
  Must(Must(sheet_->Range("B10", "B11"))->SetValues({{Value{-1.0}}, {Value{-2.0}}}));
  Must(Cell("F4")->SetValue(Value{39.0}));
  Must(app_->EndBatch());
  if (Calc()) {
    // Calc holds them once the batch has ended, with no call of the host's in between.
    test::OfficeProbe& probe = Probe();
    EXPECT_NEAR(probe.Cell(Title(), "Sheet1", "B40").number, 0.04, 1e-12);
    EXPECT_EQ(probe.Cell(Title(), "Sheet1", "F4").number, 39.0);
    EXPECT_EQ(probe.Cell(Title(), "Sheet1", "F6").number, 39.0);
    EXPECT_EQ(probe.Cell(Title(), "Sheet1", "B1").text, "DCV");
    EXPECT_EQ(probe.Cell(Title(), "Sheet1", "B10").number, -1.0);
    for (int row = 2; row <= 40; ++row) {
      if (row == 10 || row == 11) continue;
      EXPECT_NEAR(probe.Cell(Title(), "Sheet1", "B" + Row(row)).number, 0.001 * row, 1e-12)
          << "row " << row;
      EXPECT_TRUE(probe.Cell(Title(), "Sheet1", "A" + Row(row)).dateFormat) << "row " << row;
    }
  }
  EXPECT_EQ(Must(Cell("F4")->Value()), Value{39.0});
  EXPECT_EQ(Must(Cell("B40")->Value()), Value{0.04});
  EXPECT_EQ(Must(Cell("B11")->Value()), Value{-2.0});
  EXPECT_TRUE(IsEmpty(Must(Cell("B41")->Value())));
}

// The engine's calls for a 5-point strip chart, each reading's row and counters in one batch.
TEST_P(HostContract, AStripChartWrittenInBatchesDrawsTheLastReadings) {
  Must(Cell("B1")->SetValue(std::string("DCV")));
  const NamesPtr names = DefineStripChartNames(5.0);
  const auto reading = [](int count) { return 10.0 + count; };
  ChartPtr chart;
  const auto log = [&](int count) {
    Must(app_->BeginBatch());
    Must(Must(sheet_->Range("A" + Row(count + 1), "B" + Row(count + 1)))
             ->SetValues({{Value{DateValue{0.5 + count / 86400.0}}, Value{reading(count)}}}));
    Must(Cell("F4")->SetValue(Value{1.0 * count}));
    Must(Cell("F6")->SetValue(Value{1.0 * count}));
    if (!chart) {
      chart = Must(Must(book_->Charts())->Add());
      Must(chart->SetSourceData(Cell("A1")));
      const SeriesPtr series = Must(Must(chart->SeriesCollection())->Item(1));
      Must(series->SetName("=Sheet1!R1C2"));
      Must(series->SetValues("=Sheet1!DmmyAxis"));
      Must(chart->Location(xlLocationAsObject, "Sheet1"));
    }
    Must(app_->EndBatch());
  };
  // What the chart draws after `count` readings of a strip of `points`.
  const auto expectDrawn = [&](int count, int points) {
    const int first = std::max(1, count - points + 1);
    std::vector<double> numbers;
    for (int n = first; n <= count; ++n) numbers.push_back(reading(n));
    const std::string block = first == count
                                  ? "$Sheet1.$B$" + Row(count + 1)
                                  : "$Sheet1.$B$" + Row(first + 1) + ":$B$" + Row(count + 1);
    EXPECT_EQ(Must(Must(Must(names->Item("DmmyAxis"))->RefersToRange())->Address()),
              block.substr(std::string("$Sheet1.").size()))
        << "after reading " << count;
    if (!Calc()) return;
    const auto charts = Probe().Charts(Title(), "Sheet1");
    ASSERT_EQ(charts.size(), 1u) << "after reading " << count;
    const test::ProbedChart& drawn = charts[0];
    EXPECT_EQ(drawn.seriesValues, std::vector<std::string>{block}) << "after reading " << count;
    EXPECT_EQ(drawn.seriesLabels, std::vector<std::string>{"$Sheet1.$B$1"});
    EXPECT_EQ(drawn.seriesRoles, std::vector<std::string>{"values-y"});
    ASSERT_EQ(drawn.seriesNumbers.size(), 1u);
    EXPECT_EQ(drawn.seriesNumbers[0], numbers) << "after reading " << count;
  };
  for (int count = 1; count <= 12; ++count) {
    log(count);
    expectDrawn(count, 5);
  }
  if (!Calc()) return;
  // The user lengthens the strip in Calc during the run: the next reading draws the longer one,
  // and the strip moves on from there.
  Probe().SetCell(Title(), "Sheet1", "F8", 8.0);
  for (int count = 13; count <= 16; ++count) {
    log(count);
    expectDrawn(count, 8);
  }
  // The document closes during a batch: the batch fails, however far its writes have got.
  Must(app_->BeginBatch());
  Probe().Close(Title());
  bool refused = false;
  for (int count = 17; count <= 20 && !refused; ++count) {
    refused = !Must(sheet_->Range("A" + Row(count + 1), "B" + Row(count + 1)))
                   ->SetValues({{Value{DateValue{0.5}}, Value{reading(count)}}});
    refused = refused || !Cell("F6")->SetValue(Value{1.0 * count});
  }
  const Status ended = app_->EndBatch();
  EXPECT_TRUE(refused || !ended);
  if (!ended) {
    EXPECT_NE(ended.error().description.find("closed"), std::string::npos);
  }
}

}  // namespace
}  // namespace vx::automation
