// The "Setting Mode" dialog on the offscreen platform, against simulated meters and with
// scripted message boxes and colour chooser.

#include "config/reading_mode_dialog.h"

#include <gtest/gtest.h>

#include "common/captions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

#include <string>

#include "common/clock.h"
#include "common/scripted_prompter.h"
#include "find_child.h"
#include "records/append_session.h"
#include "records/records_test_util.h"
#include "simulated_visa.h"
#include "user_input.h"

namespace vx::config {
namespace {

using test::SimulatedVisa;

using test::Child;

bool Shown(const QDialog& dialog, const char* name) {
  return Child<QWidget>(dialog, name)->isVisibleTo(&dialog);
}

// The colour in the middle of a swatch as it paints itself.
Rgb Painted(const QDialog& dialog, const char* name) {
  const QImage image = Child<QWidget>(dialog, name)->grab().toImage();
  const QColor colour = image.pixelColor(image.width() / 2, image.height() / 2);
  return Rgb{static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
             static_cast<std::uint8_t>(colour.blue())};
}

std::vector<sim::MeterConfig> Meters(int count) {
  std::vector<sim::MeterConfig> meters;
  if (count >= 1) meters.push_back(SimulatedVisa::UsbMeter("TW1"));
  for (int i = 1; i < count; ++i) meters.push_back(SimulatedVisa::GpibMeter(20 + i));
  return meters;
}

// The process works in a folder with a DB subfolder that holds record 2 with a stamp.
class ReadingModeDialogTest : public ::testing::Test {
 protected:
  ReadingModeDialogTest() : guard_(root_.Path()) {
    records_ = root_.Make("DB");
    ManualClock clock(LocalDateTime{2026, 12, 6, 22, 45, 7});
    EXPECT_TRUE(records::OpenRecordForAppend(records_, 2, clock).Ok());
  }

  std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const MessageRequest& message : prompter_.Messages()) texts.push_back(message.text);
    prompter_.Clear();
    return texts;
  }

  records::fixture::TempFolder root_;
  records::fixture::CurrentFolderGuard guard_;
  std::string records_;
  ScriptedPrompter prompter_;
  ReadingModeSettings settings_;
};

TEST_F(ReadingModeDialogTest, WithoutMetersOnlyColoursAndOkAreLeft) {
  SimulatedVisa visa(Meters(0));
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  // The title shares key 02 with the menu item that opens the dialog.
  EXPECT_EQ(dialog.windowTitle().toStdString(), Caption("02", "Setting Mode"));
  EXPECT_FALSE(Child<QRadioButton>(dialog, "singleRadio")->isEnabled());
  EXPECT_FALSE(Child<QRadioButton>(dialog, "multiRadio")->isEnabled());
  EXPECT_FALSE(Child<QCheckBox>(dialog, "singleSave")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>(dialog, "singleColour")->isEnabled());
  EXPECT_TRUE(Shown(dialog, "singlePanel"));
  EXPECT_FALSE(Shown(dialog, "multiGroup"));
}

TEST_F(ReadingModeDialogTest, OneMeterForcesTheSingleDeviceLayout) {
  SimulatedVisa visa(Meters(1));
  settings_.multiDevice = 1;
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  EXPECT_TRUE(Child<QRadioButton>(dialog, "singleRadio")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(dialog, "singleRadio")->isEnabled());
  EXPECT_FALSE(Child<QRadioButton>(dialog, "multiRadio")->isEnabled());
  EXPECT_TRUE(Child<QCheckBox>(dialog, "singleSave")->isEnabled());
  EXPECT_TRUE(Shown(dialog, "singlePanel"));
  EXPECT_FALSE(Shown(dialog, "multiGroup"));
  test::Click(Child<QPushButton>(dialog, "okButton"));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings_.multiDevice, 0);
}

TEST_F(ReadingModeDialogTest, TwoMetersSteppedThroughWithFreshNames) {
  SimulatedVisa visa(Meters(2));
  settings_.multiDevice = 1;
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  EXPECT_TRUE(Child<QRadioButton>(dialog, "multiRadio")->isChecked());
  EXPECT_TRUE(Shown(dialog, "multiGroup"));
  EXPECT_FALSE(Shown(dialog, "singlePanel"));
  auto* name = Child<QLabel>(dialog, "meterName");
  auto* previous = Child<QPushButton>(dialog, "previousMeter");
  auto* next = Child<QPushButton>(dialog, "nextMeter");
  EXPECT_EQ(name->text(), "W9-90/1-USBTMC-TW1");
  EXPECT_FALSE(previous->isEnabled());
  EXPECT_TRUE(next->isEnabled());

  const auto gpib = visa.Meter("GPIB0::21::INSTR");
  const unsigned asked = gpib->CommandCount();
  test::Click(next);
  EXPECT_EQ(name->text(), "W9-90/1-GPIB-21");
  EXPECT_EQ(gpib->CommandCount(), asked + 1);  // its identity asked again
  EXPECT_TRUE(previous->isEnabled());
  EXPECT_FALSE(next->isEnabled());
  test::Click(next);
  EXPECT_EQ(name->text(), "W9-90/1-GPIB-21");

  test::Click(Child<QRadioButton>(dialog, "singleRadio"));
  EXPECT_TRUE(Shown(dialog, "singlePanel"));
  EXPECT_FALSE(Shown(dialog, "multiGroup"));
}

// The scan opens a session on every instrument it finds, meters or not: the meter at a list
// position is asked for its identity on its own session, not on the session of that number.
TEST_F(ReadingModeDialogTest, EachMeterIsNamedFromItsOwnAnswerWhenAnotherInstrumentComesFirst) {
  const std::string scopeDescriptor = "USB0::0x0699::0x0401::C012345::INSTR";
  SimulatedVisa visa({SimulatedVisa::OtherInstrument(scopeDescriptor, "ACME,TDS-7,C012345,1.0"),
                      SimulatedVisa::GpibMeter(21), SimulatedVisa::GpibMeter(22)});
  settings_.multiDevice = 1;
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  auto* name = Child<QLabel>(dialog, "meterName");
  EXPECT_EQ(name->text(), "W9-90/1-GPIB-21");

  const auto scope = visa.Meter(scopeDescriptor);
  const auto first = visa.Meter("GPIB0::21::INSTR");
  const auto second = visa.Meter("GPIB0::22::INSTR");
  const unsigned scopeAsked = scope->CommandCount();
  const unsigned firstAsked = first->CommandCount();
  const unsigned secondAsked = second->CommandCount();
  test::Click(Child<QPushButton>(dialog, "nextMeter"));
  EXPECT_EQ(name->text(), "W9-90/1-GPIB-22");
  EXPECT_EQ(second->CommandCount(), secondAsked + 1);
  test::Click(Child<QPushButton>(dialog, "previousMeter"));
  EXPECT_EQ(name->text(), "W9-90/1-GPIB-21");
  EXPECT_EQ(first->CommandCount(), firstAsked + 1);
  EXPECT_EQ(scope->CommandCount(), scopeAsked);
}

TEST_F(ReadingModeDialogTest, RecordBoxesListTheTenRecordsAndRefuseASharedOne) {
  SimulatedVisa visa(Meters(2));
  settings_.multiDevice = 1;
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  auto* save = Child<QCheckBox>(dialog, "multiSave");
  auto* record = Child<QComboBox>(dialog, "multiRecord");
  ASSERT_EQ(record->count(), 10);
  EXPECT_EQ(record->itemText(0), "Record 1");
  EXPECT_EQ(record->itemText(1), "Record 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
  EXPECT_EQ(record->currentIndex(), -1);
  EXPECT_EQ(record->placeholderText(), "Please select a record.");
  EXPECT_FALSE(record->isEnabled());

  test::Click(save);
  EXPECT_TRUE(record->isEnabled());
  test::ChooseWithMouse(record, record->itemText(2));
  test::Click(Child<QPushButton>(dialog, "nextMeter"));
  EXPECT_FALSE(save->isChecked());
  test::Click(save);
  test::ChooseWithMouse(record, record->itemText(5));
  test::ChooseWithMouse(record, record->itemText(2));  // meter 0's record
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                "The record has been selected, please select a different record."});
  EXPECT_EQ(record->currentIndex(), 5);
  EXPECT_EQ(dialog.Editor().Settings().recordNumber[1], 6);

  test::Click(Child<QPushButton>(dialog, "okButton"));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings_.recordNumber, (std::array<int, 4>{3, 6, 0, 0}));
  EXPECT_EQ(settings_.saveFlag, (std::array<unsigned char, 4>{1, 1, 0, 0}));
}

TEST_F(ReadingModeDialogTest, OkWithSaveAndNoRecordKeepsTheDialogOpen) {
  SimulatedVisa visa(Meters(1));
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  test::Click(Child<QCheckBox>(dialog, "singleSave"));
  test::Click(Child<QPushButton>(dialog, "okButton"));
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Please select a record.");
  EXPECT_EQ(prompter_.Messages()[0].title, "");
  EXPECT_EQ(prompter_.Messages()[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(settings_, ReadingModeSettings{});

  test::ChooseWithMouse(Child<QComboBox>(dialog, "singleRecord"), "Record 4");
  test::Click(Child<QPushButton>(dialog, "okButton"));
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings_.saveFlag[0], 1);
  EXPECT_EQ(settings_.recordNumber[0], 4);
}

TEST_F(ReadingModeDialogTest, ColourChooserRepaintsTheSwatchAndOnlyOkHandsItBack) {
  SimulatedVisa visa(Meters(1));
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  EXPECT_EQ(Painted(dialog, "singleSwatch"), (Rgb{0, 0, 255}));
  prompter_.QueueColour(Rgb{255, 128, 0});
  test::Click(Child<QPushButton>(dialog, "singleColour"));
  EXPECT_EQ(Painted(dialog, "singleSwatch"), (Rgb{255, 128, 0}));
  prompter_.QueueColour(std::nullopt);
  test::Click(Child<QPushButton>(dialog, "singleColour"));
  EXPECT_EQ(Painted(dialog, "singleSwatch"), (Rgb{255, 128, 0}));
  EXPECT_EQ(prompter_.Records().back().initialColour, (Rgb{255, 128, 0}));

  test::PressKey(&dialog, Qt::Key_Escape);
  EXPECT_EQ(settings_.traceColour[0], (Rgb{0, 0, 255}));

  ReadingModeDialog again(nullptr, prompter_, settings_);
  test::ShowForInput(again);
  prompter_.QueueColour(Rgb{1, 2, 3});
  test::Click(Child<QPushButton>(again, "singleColour"));
  test::Click(Child<QPushButton>(again, "okButton"));
  EXPECT_EQ(settings_.traceColour[0], (Rgb{1, 2, 3}));
}

TEST_F(ReadingModeDialogTest, AMissingRecordFolderIsReportedAndLeavesTheBoxesEmpty) {
  records::fixture::CurrentFolderGuard elsewhere(root_.Make("plain"));
  SimulatedVisa visa(Meters(2));
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Database working folder not found.");
  EXPECT_EQ(prompter_.Messages()[0].title, "Database check");
  EXPECT_EQ(Child<QComboBox>(dialog, "singleRecord")->count(), 0);
  EXPECT_EQ(Child<QComboBox>(dialog, "multiRecord")->count(), 0);
  EXPECT_FALSE(Child<QCheckBox>(dialog, "singleSave")->isEnabled());
  EXPECT_FALSE(Child<QCheckBox>(dialog, "multiSave")->isEnabled());
  EXPECT_TRUE(Child<QRadioButton>(dialog, "multiRadio")->isEnabled());
}

TEST_F(ReadingModeDialogTest, PicturesOfBothLayouts) {
  SimulatedVisa visa(Meters(2));
  settings_.multiDevice = 1;
  settings_.saveFlag[0] = 1;
  settings_.recordNumber[0] = 2;
  ReadingModeDialog dialog(nullptr, prompter_, settings_);
  test::ShowForInput(dialog);
  const std::string folder = VX_READING_MODE_PICTURE_DIR;
  test::Click(Child<QPushButton>(dialog, "nextMeter"));  // a meter without a record
  EXPECT_TRUE(dialog.grab().save(QString::fromStdString(folder + "/reading_mode_multi.png")));
  test::Click(Child<QRadioButton>(dialog, "singleRadio"));
  dialog.adjustSize();
  EXPECT_TRUE(dialog.grab().save(QString::fromStdString(folder + "/reading_mode_single.png")));
}

}  // namespace
}  // namespace vx::config
