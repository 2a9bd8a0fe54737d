// The "Chart Record" window and its drawing: the screen, the scale, bounds and their
// messages, the marker's readout, and drawing by pixel columns against drawing one line
// segment per reading, pixel for pixel.

#include "records/chart/record_chart_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/scripted_prompter.h"
#include "record_tools_test_util.h"
#include "record_window_test_util.h"
#include "records/chart/chart_geometry.h"
#include "records/chart/trace_columns.h"
#include "records/chart/trace_painter.h"
#include "records/record_folder.h"
#include "records/record_format.h"
#include "records_test_util.h"
#include "user_input.h"

namespace vx::records {
namespace {

using fixture::Child;
using fixture::Counting;
using fixture::TakeMessageTexts;
using fixture::WriteRecord;

const QColor kCyan(0, 255, 255);
const QSize kScreen(500, 400);

// The reference: one line segment per pair of neighbouring readings.
QImage PerSegment(const std::vector<double>& values, QSize size, double factor, QColor colour) {
  QImage image = ChartBackground(size);
  QPainter painter(&image);
  painter.setPen(QPen(colour, 0));
  const ChartGeometry geometry(size.width(), size.height(),
                               static_cast<long long>(values.size()) - 1);
  for (size_t i = 0; i + 1 < values.size(); ++i) {
    const auto step = static_cast<long long>(i);
    painter.drawLine(QLineF(geometry.Column(step), geometry.TraceRow(values[i], factor),
                            geometry.Column(step + 1), geometry.TraceRow(values[i + 1], factor)));
  }
  return image;
}

QImage ByColumns(const std::vector<double>& values, QSize size, double factor, QColor colour) {
  const ChartGeometry geometry(size.width(), size.height(),
                               static_cast<long long>(values.size()) - 1);
  TraceColumns columns(geometry, factor);
  for (size_t i = 0; i < values.size(); ++i) columns.Add(static_cast<long long>(i), values[i]);
  QImage image = ChartBackground(size);
  QPainter painter(&image);
  PaintTrace(painter, columns.Columns(), colour);
  return image;
}

int CountColour(const QImage& image, QColor colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour;
  }
  return count;
}

std::vector<double> RandomWalk(int count, unsigned seed, double step) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, step);
  std::vector<double> values;
  double value = 0;
  for (int i = 0; i < count; ++i) {
    value += noise(random);
    values.push_back(value);
  }
  return values;
}

TEST(TraceColumns, DrawTheSamePixelsAsOneSegmentPerReading) {
  std::vector<std::vector<double>> sets;
  sets.push_back(RandomWalk(200000, 1, 0.05));  // hundreds of readings per column
  sets.push_back(RandomWalk(3000, 2, 0.4));     // a few per column, leaving the screen
  sets.push_back(RandomWalk(137, 3, 0.5));      // fewer readings than columns
  std::vector<double> overloads = RandomWalk(5000, 4, 0.2);
  for (size_t i = 0; i < overloads.size(); i += 97) overloads[i] = kOverloadValue;
  overloads[0] = kOverloadValue;  // the trace starts above the screen
  sets.push_back(overloads);
  sets.push_back({1e30, -1e30, 2.0, -1e-300, 1e308, 0.0, -4.9});
  sets.push_back(std::vector<double>(10000, 1.25));  // nothing but zero-length segments
  sets.push_back({-3.0, 4.0});
  sets.push_back({2.5});  // one reading draws nothing
  for (const QSize size : {kScreen, QSize(97, 61)}) {
    for (const double factor : {1.0, 0.05, 20.0}) {
      for (size_t k = 0; k < sets.size(); ++k) {
        const QImage reference = PerSegment(sets[k], size, factor, kCyan);
        EXPECT_TRUE(ByColumns(sets[k], size, factor, kCyan) == reference)
            << "set " << k << " at " << size.width() << "x" << size.height() << " factor "
            << factor;
      }
    }
  }
  EXPECT_TRUE(ByColumns({2.5}, kScreen, 1.0, kCyan) == ChartBackground(kScreen));
}

TEST(ChartGeometry, ValuesAndOverloadsLandWhereTheScaleSays) {
  EXPECT_EQ(LogicalY(3.7, 1.0), 370);
  EXPECT_EQ(LogicalY(-3.785, 1.0), -378);  // the fraction goes toward zero
  EXPECT_EQ(LogicalY(kOverloadValue, 1.0), 2001);
  EXPECT_EQ(LogicalY(kOverloadValue, 1.0, kOverloadMarkerY), 1000);
  EXPECT_EQ(LogicalY(9.8E+37, 1.0), static_cast<long long>(kLogicalLimit));
  EXPECT_EQ(LogicalY(0.00037, 10000.0), 370);
  const ChartGeometry geometry(500, 400, 999);
  EXPECT_EQ(geometry.Row(0), 200);
  EXPECT_EQ(geometry.Row(500), 0);
  EXPECT_EQ(geometry.Row(-500), 400);
  EXPECT_EQ(geometry.Row(370), 52);
  EXPECT_EQ(geometry.Column(0), 0);
  EXPECT_EQ(geometry.Column(999), 499);
  EXPECT_EQ(geometry.Column(500), 250);
}

// The process works in a folder whose DB subfolder holds the records.
class RecordChartTest : public ::testing::Test {
 protected:
  RecordChartTest() : guard_(root_.Path()) { records_ = root_.Make("DB"); }

  // The user's ways: a record chosen from its list with the mouse, the bounds typed, the
  // radio buttons and buttons clicked.
  void Choose(RecordChartDialog& dialog, int line) {
    auto* records = Child<QComboBox>(dialog, "recordList");
    test::ChooseWithMouse(records, records->itemText(line));
  }
  void DrawRange(RecordChartDialog& dialog, const char* from, const char* to) {
    test::Click(Child<QRadioButton>(dialog, "rangeRadio"));
    test::TypeInto(Child<QLineEdit>(dialog, "fromField"), from);
    test::TypeInto(Child<QLineEdit>(dialog, "toField"), to);
    Press(dialog, "drawButton");
  }
  void Draw(RecordChartDialog& dialog) { Press(dialog, "drawButton"); }
  static void Press(RecordChartDialog& dialog, const char* button) {
    test::Click(Child<QPushButton>(dialog, button));
  }
  QString Readout(const RecordChartDialog& dialog, const char* name) {
    return Child<QLabel>(dialog, name)->text();
  }

  fixture::TempFolder root_;
  fixture::CurrentFolderGuard guard_;
  std::string records_;
  ScriptedPrompter prompter_;
};

TEST_F(RecordChartTest, OpensWithTheEmptyScreenScaleOneAndCyan) {
  WriteRecord(records_, 4, {1, 2});
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  EXPECT_EQ(dialog.windowTitle(), "Chart Record");
  auto* records = Child<QComboBox>(dialog, "recordList");
  ASSERT_EQ(records->count(), 1);
  EXPECT_EQ(records->currentIndex(), -1);
  EXPECT_EQ(records->placeholderText(), "Please select a record.");
  auto* division = Child<QComboBox>(dialog, "divisionList");
  ASSERT_EQ(division->count(), 35);
  EXPECT_EQ(division->itemText(0), "20000");
  EXPECT_EQ(division->itemText(34), "100 n");
  EXPECT_EQ(division->currentText(), "1");
  EXPECT_EQ(dialog.LineColour(), kCyan);
  EXPECT_TRUE(Child<QRadioButton>(dialog, "allRadio")->isChecked());
  EXPECT_FALSE(Child<QLineEdit>(dialog, "fromField")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(dialog, "drawButton")->isEnabled());
  EXPECT_FALSE(Child<QSlider>(dialog, "slider")->isEnabled());
  const QImage& screen = dialog.ScreenImage();
  EXPECT_EQ(screen.size(), kScreen);
  EXPECT_EQ(screen.pixelColor(0, 0), QColor(0, 96, 96));
  EXPECT_EQ(screen.pixelColor(499, 399), QColor(0, 96, 96));
  EXPECT_EQ(screen.pixelColor(25, 20), QColor(0, 0, 0));
  EXPECT_EQ(CountColour(screen, QColor(0, 96, 96)), 11 * 500 + 11 * 400 - 121);

  Choose(dialog, 0);
  EXPECT_EQ(Child<QLabel>(dialog, "countText")->text(), "2");
  EXPECT_TRUE(Child<QPushButton>(dialog, "drawButton")->isEnabled());
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
}

TEST_F(RecordChartTest, WithoutRecordsOrFolderTheListSaysSo) {
  {
    RecordChartDialog dialog(nullptr, prompter_);
    test::ShowForInput(dialog);
    EXPECT_EQ(Child<QComboBox>(dialog, "recordList")->placeholderText(), "No records were found.");
    EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  }
  std::filesystem::remove(records_);
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Database working folder not found.");
  EXPECT_EQ(prompter_.Messages()[0].title, "Database check");
}

TEST_F(RecordChartTest, AnEmptyRecordSaysNoDataAndDrawsNothing) {
  WriteRecord(records_, 1, {});
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"No data in file"});
  EXPECT_EQ(Child<QLabel>(dialog, "countText")->text(), "0");
  Draw(dialog);
  EXPECT_TRUE(dialog.ScreenImage() == ChartBackground(kScreen));
}

TEST_F(RecordChartTest, ARecordThatCannotBeReadIsListedAndChoosingItSaysWhy) {
  WriteRecord(records_, 1, {1, 2});
  fixture::WriteFileBytes(RecordFilePath(records_, 3), fixture::RandomBytes(3000));
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  auto* records = Child<QComboBox>(dialog, "recordList");
  ASSERT_EQ(records->count(), 2);
  EXPECT_EQ(records->itemText(1), "Record 3            ( cannot be read: not a record file )");
  Choose(dialog, 1);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "DBfile_DB3.db is not a record file.");
  EXPECT_EQ(prompter_.Messages()[0].title, "ERROR");
  EXPECT_FALSE(Child<QPushButton>(dialog, "drawButton")->isEnabled());
  EXPECT_EQ(Child<QLabel>(dialog, "countText")->text(), "");
}

TEST_F(RecordChartTest, BadBoundsAreRefusedWithTheirMessages) {
  WriteRecord(records_, 1, Counting(100));
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  for (const auto& [from, to] : std::vector<std::pair<const char*, const char*>>{
           {"0", "5"}, {"5", "5"}, {"-1", "5"}, {"5", ""}, {"x", "5"}}) {
    DrawRange(dialog, from, to);
    ASSERT_EQ(prompter_.Messages().size(), 1u) << from << " " << to;
    EXPECT_EQ(prompter_.Messages()[0].text, "Input Data Error! Please re-enter.");
    EXPECT_EQ(prompter_.Messages()[0].title, "ERROR");
    EXPECT_EQ(prompter_.Messages()[0].icon, MessageIcon::Stop);
    prompter_.Clear();
  }
  DrawRange(dialog, "5", "101");
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Over-range! Please re-enter.");
  EXPECT_EQ(prompter_.Messages()[0].title, "ERROR");
  EXPECT_EQ(prompter_.Messages()[0].icon, MessageIcon::Stop);
  EXPECT_TRUE(dialog.ScreenImage() == ChartBackground(kScreen));
  EXPECT_FALSE(Child<QSlider>(dialog, "slider")->isEnabled());
}

TEST_F(RecordChartTest, BoundsGivenBackwardsDrawTheRangeInOrderAndTheMarkerReadsIt) {
  std::vector<double> values;
  for (int k = 1; k <= 100; ++k) values.push_back(k / 100.0);
  values[49] = kOverloadValue;  // reading 50
  WriteRecord(records_, 1, values);
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  DrawRange(dialog, "50", "10");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  auto* slider = Child<QSlider>(dialog, "slider");
  EXPECT_TRUE(slider->isEnabled());
  EXPECT_EQ(slider->minimum(), 0);
  EXPECT_EQ(slider->maximum(), 40);
  const std::vector<double> range(values.begin() + 9, values.begin() + 50);
  EXPECT_TRUE(dialog.ScreenImage() == PerSegment(range, kScreen, 1.0, kCyan));

  test::SlideWithKeys(slider, 5);
  EXPECT_EQ(Readout(dialog, "readoutNumber"), "15");
  EXPECT_EQ(Readout(dialog, "readoutValue"), "0.150000000000000");
  EXPECT_EQ(Readout(dialog, "readoutStamp"), "26 / 12 / 06 -- 22 : 45 : 07");
  test::PressKey(slider, Qt::Key_End);
  EXPECT_EQ(Readout(dialog, "readoutNumber"), "50");
  EXPECT_EQ(Readout(dialog, "readoutValue"), "OVLD");
}

TEST_F(RecordChartTest, TheMarkerSitsOnItsReadingAndOnlyOneIsSeen) {
  WriteRecord(records_, 1, {0.0, 1.0, 2.0, 3.0, 4.0});
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  Draw(dialog);
  auto* slider = Child<QSlider>(dialog, "slider");
  EXPECT_EQ(slider->maximum(), 4);
  test::SlideWithKeys(slider, 2);
  EXPECT_EQ(Readout(dialog, "readoutNumber"), "3");
  EXPECT_EQ(Readout(dialog, "readoutValue"), "2.000000000000000");
  // Reading 3 lies mid-width at 200 logical units: a black box edged in white around it.
  QWidget* screen = Child<QWidget>(dialog, "screen");
  QImage seen = screen->grab().toImage();
  const int row = ChartGeometry(500, 400, 4).Row(200);
  EXPECT_EQ(seen.pixelColor(250, row), QColor(0, 0, 0));
  EXPECT_EQ(seen.pixelColor(250, row - 6), QColor(255, 255, 255));
  // The backing image keeps the trace without the marker.
  EXPECT_EQ(dialog.ScreenImage().pixelColor(250, row), kCyan);
  test::PressKey(slider, Qt::Key_Right);
  test::PressKey(slider, Qt::Key_Right);
  seen = screen->grab().toImage();
  EXPECT_EQ(seen.pixelColor(250, row), kCyan);  // the old marker is gone
  EXPECT_EQ(seen.pixelColor(499, ChartGeometry(500, 400, 4).Row(400) - 6), QColor(255, 255, 255));
}

TEST_F(RecordChartTest, ScaleDecidesTheHeightAndTracesStayUntilCleared) {
  WriteRecord(records_, 1, {3.7, 3.7});
  WriteRecord(records_, 2, {6.2, 6.2});
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 1);
  Draw(dialog);  // 6.2 divisions up is off the screen
  EXPECT_EQ(CountColour(dialog.ScreenImage(), kCyan), 0);
  Choose(dialog, 0);
  Draw(dialog);  // 3.7 divisions up: 370 logical units
  EXPECT_EQ(dialog.ScreenImage().pixelColor(100, ChartGeometry(500, 400, 1).Row(370)), kCyan);
  EXPECT_EQ(CountColour(dialog.ScreenImage(), kCyan), 500);

  // A second drawing in another colour at "2" per division goes over the first.
  prompter_.QueueColour(Rgb{255, 0, 0});
  Press(dialog, "colourButton");
  EXPECT_EQ(dialog.LineColour(), QColor(255, 0, 0));
  test::ChooseWithMouse(Child<QComboBox>(dialog, "divisionList"), "2");
  Draw(dialog);
  EXPECT_EQ(dialog.ScreenImage().pixelColor(100, ChartGeometry(500, 400, 1).Row(185)),
            QColor(255, 0, 0));
  EXPECT_EQ(CountColour(dialog.ScreenImage(), kCyan), 500);

  Press(dialog, "clearButton");
  EXPECT_TRUE(dialog.ScreenImage() == ChartBackground(kScreen));
  EXPECT_FALSE(Child<QSlider>(dialog, "slider")->isEnabled());
}

TEST_F(RecordChartTest, ADrawnRecordIsThePerSegmentPicture) {
  std::vector<double> values = RandomWalk(30000, 9, 0.03);
  values[0] = kOverloadValue;
  values[12345] = kOverloadValue;
  WriteRecord(records_, 3, values);
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  Draw(dialog);
  EXPECT_TRUE(dialog.ScreenImage() == PerSegment(values, kScreen, 1.0, kCyan));
  EXPECT_EQ(Child<QSlider>(dialog, "slider")->maximum(), 29999);
}

TEST_F(RecordChartTest, EnterRewritesTheBoundsAndNeitherDrawsNorCloses) {
  WriteRecord(records_, 1, Counting(20));
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  test::Click(Child<QRadioButton>(dialog, "rangeRadio"));
  auto* from = Child<QLineEdit>(dialog, "fromField");
  auto* to = Child<QLineEdit>(dialog, "toField");
  test::TypeInto(from, "12abc");
  test::TypeInto(to, " 7x");
  test::PressKey(to, Qt::Key_Return);
  EXPECT_EQ(to->text(), "7");
  // Enter in "from" rewrites it and moves on to "to".
  test::PressKey(from, Qt::Key_Return);
  EXPECT_EQ(from->text(), "12");
  EXPECT_TRUE(to->hasFocus());
  test::PressKey(&dialog, Qt::Key_Return);
  EXPECT_TRUE(dialog.ScreenImage() == ChartBackground(kScreen));
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(RecordChartTest, Picture) {
  std::vector<double> wave;
  for (int k = 0; k < 50000; ++k)
    wave.push_back(3.0 * std::sin(k * 0.0004) + 0.3 * std::sin(k * 0.05));
  WriteRecord(records_, 1, wave);
  std::vector<double> drift = RandomWalk(800, 5, 0.15);
  WriteRecord(records_, 2, drift);
  RecordChartDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  Draw(dialog);
  Choose(dialog, 1);
  prompter_.QueueColour(Rgb{255, 255, 0});
  Press(dialog, "colourButton");
  DrawRange(dialog, "100", "700");
  test::SlideWithKeys(Child<QSlider>(dialog, "slider"), 300);
  fixture::SavePicture(dialog, "record_chart.png");
}

}  // namespace
}  // namespace vx::records
