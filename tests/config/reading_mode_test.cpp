// The rules of the "Setting Mode" dialog without its widgets: which controls the number of
// meters allows, stepping, the shared-record check, the OK rules, colours, and the record
// lines read from the record folder.

#include "config/reading_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/clock.h"
#include "common/scripted_prompter.h"
#include "records/append_session.h"
#include "records/records_test_util.h"

namespace vx::config {
namespace {

std::vector<std::string> TenLabels() {
  std::vector<std::string> labels;
  for (int record = 1; record <= 10; ++record) labels.push_back("Record " + std::to_string(record));
  return labels;
}

ReadingModeSettings Multi() {
  ReadingModeSettings settings;
  settings.multiDevice = 1;
  return settings;
}

const char* const kSelectRecord = "Please select a record.";
const char* const kTaken = "The record has been selected, please select a different record.";

class ReadingModeEditorTest : public ::testing::Test {
 protected:
  ReadingModeEditor Editor(const ReadingModeSettings& settings, int meters,
                           std::vector<std::string> labels = TenLabels()) {
    return ReadingModeEditor(settings, meters, std::move(labels), prompter_);
  }
  // The texts of the messages shown so far, each checked for the exclamation box with an
  // empty title that the dialog's messages use.
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const MessageRequest& message : prompter_.Messages()) {
      EXPECT_EQ(message.title, "");
      EXPECT_EQ(message.icon, MessageIcon::Exclamation);
      texts.push_back(message.text);
    }
    prompter_.Clear();
    return texts;
  }
  ScriptedPrompter prompter_;
};

TEST_F(ReadingModeEditorTest, TheNumberOfMetersDecidesTheModesOnOffer) {
  ReadingModeEditor none = Editor(Multi(), 0);
  EXPECT_FALSE(none.SingleRadioEnabled());
  EXPECT_FALSE(none.MultiRadioEnabled());
  EXPECT_FALSE(none.SingleSaveEnabled());
  EXPECT_FALSE(none.MultiSaveEnabled());
  none.ChooseMode(true);
  EXPECT_FALSE(none.NextEnabled());

  ReadingModeEditor one = Editor(Multi(), 1);
  EXPECT_FALSE(one.MultiLayout());  // forced to single-device mode
  EXPECT_EQ(one.Settings().multiDevice, 0);
  EXPECT_TRUE(one.SingleRadioEnabled());
  EXPECT_FALSE(one.MultiRadioEnabled());
  EXPECT_TRUE(one.SingleSaveEnabled());
  one.ChooseMode(true);
  EXPECT_FALSE(one.MultiLayout());

  ReadingModeEditor two = Editor(Multi(), 2);
  EXPECT_TRUE(two.MultiLayout());
  EXPECT_TRUE(two.MultiRadioEnabled());
  two.ChooseMode(false);
  EXPECT_EQ(two.Settings().multiDevice, 0);
}

TEST_F(ReadingModeEditorTest, ArrowsStopAtTheFirstAndLastMeter) {
  ReadingModeEditor editor = Editor(Multi(), 3);
  EXPECT_FALSE(editor.PreviousEnabled());
  EXPECT_FALSE(editor.StepPrevious());
  EXPECT_TRUE(editor.StepNext());
  EXPECT_TRUE(editor.PreviousEnabled());
  EXPECT_TRUE(editor.StepNext());
  EXPECT_EQ(editor.CurrentMeter(), 2);
  EXPECT_FALSE(editor.NextEnabled());
  EXPECT_FALSE(editor.StepNext());
  EXPECT_EQ(editor.CurrentMeter(), 2);
  EXPECT_TRUE(editor.StepPrevious());
  EXPECT_EQ(editor.CurrentMeter(), 1);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ReadingModeEditorTest, AMeterThatLogsMustHaveARecordOfItsOwn) {
  ReadingModeEditor editor = Editor(Multi(), 3);
  editor.SetMultiSave(true);
  EXPECT_EQ(editor.MultiRecordEntry(), -1);
  EXPECT_FALSE(editor.StepNext());
  EXPECT_EQ(Messages(), std::vector<std::string>{kSelectRecord});
  EXPECT_FALSE(editor.Accept());
  EXPECT_EQ(Messages(), std::vector<std::string>{kSelectRecord});

  ASSERT_TRUE(editor.ChooseMultiRecord(2));  // record 3 for meter 0
  ASSERT_TRUE(editor.StepNext());
  editor.SetMultiSave(true);
  ASSERT_TRUE(editor.ChooseMultiRecord(4));
  EXPECT_FALSE(editor.ChooseMultiRecord(2));  // meter 0's record
  EXPECT_EQ(Messages(), std::vector<std::string>{kTaken});
  EXPECT_EQ(editor.Settings().recordNumber[1], 5);
  EXPECT_EQ(editor.MultiRecordEntry(), 4);

  ASSERT_TRUE(editor.StepNext());
  EXPECT_FALSE(editor.ChooseMultiRecord(2));  // the record box is off while Save is clear
  editor.SetMultiSave(true);
  EXPECT_FALSE(editor.ChooseMultiRecord(4));
  ASSERT_TRUE(editor.ChooseMultiRecord(0));
  Messages();
  ASSERT_TRUE(editor.Accept());
  EXPECT_EQ(editor.Settings().recordNumber, (std::array<int, 4>{3, 5, 1, 0}));
  EXPECT_EQ(editor.Settings().saveFlag, (std::array<unsigned char, 4>{1, 1, 1, 0}));
}

TEST_F(ReadingModeEditorTest, ASharedRecordFromEarlierChoicesHoldsTheMeterAndOk) {
  ReadingModeSettings settings = Multi();
  settings.saveFlag = {1, 1, 0, 0};
  settings.recordNumber = {4, 4, 4, 0};  // meter 0 was given record 4 in single mode
  // Meter 2 keeps record 4 too, but does not log: no conflict with it.
  ReadingModeEditor editor = Editor(settings, 3);
  EXPECT_FALSE(editor.StepNext());
  EXPECT_FALSE(editor.Accept());
  EXPECT_EQ(Messages(), (std::vector<std::string>{kTaken, kTaken}));
  editor.SetMultiSave(false);
  EXPECT_TRUE(editor.Accept());
}

TEST_F(ReadingModeEditorTest, SingleModeOkNeedsARecordWhenSaving) {
  ReadingModeEditor editor = Editor(ReadingModeSettings{}, 1);
  EXPECT_FALSE(editor.SingleRecordEnabled());
  editor.SetSingleSave(true);
  EXPECT_TRUE(editor.SingleRecordEnabled());
  EXPECT_FALSE(editor.Accept());
  EXPECT_EQ(Messages(), std::vector<std::string>{kSelectRecord});
  editor.ChooseSingleRecord(9);
  EXPECT_TRUE(editor.Accept());
  EXPECT_EQ(editor.Settings().saveFlag[0], 1);
  EXPECT_EQ(editor.Settings().recordNumber[0], 10);
}

TEST_F(ReadingModeEditorTest, WithoutARecordFolderOnlyModeAndColoursCanBeChosen) {
  ReadingModeSettings settings;
  settings.saveFlag[0] = 1;  // chosen while the folder was there
  ReadingModeEditor editor = Editor(settings, 2, {});
  EXPECT_FALSE(editor.SingleSaveEnabled());
  EXPECT_FALSE(editor.MultiSaveEnabled());
  editor.SetSingleSave(false);
  EXPECT_EQ(editor.Settings().saveFlag[0], 1);
  EXPECT_TRUE(editor.Accept());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ReadingModeEditorTest, ColourGoesToMeterZeroOrTheCurrentMeter) {
  ReadingModeEditor editor = Editor(Multi(), 2);
  ASSERT_TRUE(editor.StepNext());
  prompter_.QueueColour(Rgb{10, 20, 30});
  EXPECT_TRUE(editor.ChangeColour());
  EXPECT_EQ(prompter_.Records().back().initialColour, (Rgb{0, 255, 0}));
  EXPECT_EQ(editor.MultiColour(), (Rgb{10, 20, 30}));
  EXPECT_EQ(editor.Settings().traceColour[1], (Rgb{10, 20, 30}));

  editor.ChooseMode(false);
  prompter_.QueueColour(std::nullopt);  // Cancel
  EXPECT_FALSE(editor.ChangeColour());
  EXPECT_EQ(editor.SingleColour(), (Rgb{0, 0, 255}));
  prompter_.QueueColour(Rgb{1, 2, 3});
  EXPECT_TRUE(editor.ChangeColour());
  EXPECT_EQ(editor.Settings().traceColour[0], (Rgb{1, 2, 3}));
  EXPECT_EQ(editor.Settings().traceColour[1], (Rgb{10, 20, 30}));
}

TEST(ReadingModeRecordLabels, ListsAllTenRecordsOrTellsThatTheFolderIsMissing) {
  records::fixture::TempFolder root;
  records::fixture::CurrentFolderGuard guard(root.Path());
  ScriptedPrompter prompter;
  EXPECT_TRUE(ReadingModeRecordLabels(prompter).empty());
  ASSERT_EQ(prompter.Messages().size(), 1u);
  EXPECT_EQ(prompter.Messages()[0].text, "Database working folder not found.");
  EXPECT_EQ(prompter.Messages()[0].title, "Database check");
  EXPECT_EQ(prompter.Messages()[0].icon, MessageIcon::None);

  const std::string folder = root.Make("DB");
  ManualClock clock(LocalDateTime{2026, 12, 6, 22, 45, 7});
  ASSERT_TRUE(records::OpenRecordForAppend(folder, 2, clock).Ok());
  prompter.Clear();
  const std::vector<std::string> labels = ReadingModeRecordLabels(prompter);
  EXPECT_TRUE(prompter.Records().empty());
  ASSERT_EQ(labels.size(), 10u);
  EXPECT_EQ(labels[0], "Record 1");
  EXPECT_EQ(labels[1], "Record 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
  EXPECT_EQ(labels[9], "Record 10");
  EXPECT_EQ(records::fixture::CurrentFolder(), folder);
}

}  // namespace
}  // namespace vx::config
