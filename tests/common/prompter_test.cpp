#include <gtest/gtest.h>

#include "common/qt_prompter.h"
#include "common/scripted_prompter.h"

namespace vx {
namespace {

TEST(ScriptedPrompter, RecordsEveryPromptAndAnswersFromItsQueues) {
  ScriptedPrompter prompter;
  prompter.QueueAnswer(MessageAnswer::No);
  prompter.QueueSaveFile("/tmp/day1");
  prompter.QueueColour(Rgb{1, 2, 3});

  EXPECT_EQ(prompter.Message("Record 1 will continue saving the readings.  Continue?", "",
                             MessageIcon::None, MessageButtons::YesNo),
            MessageAnswer::No);
  SaveFileRequest csv;
  csv.filter = "CSV Files(*.CSV)|*.CSV||";
  EXPECT_EQ(prompter.SaveFileName(csv), "/tmp/day1");
  EXPECT_EQ(prompter.ChooseColour(Rgb{0, 255, 255}), (Rgb{1, 2, 3}));

  ASSERT_EQ(prompter.Records().size(), 3u);
  EXPECT_EQ(prompter.Records()[1].saveFile.filter, "CSV Files(*.CSV)|*.CSV||");
  EXPECT_EQ(prompter.Records()[2].initialColour, (Rgb{0, 255, 255}));
  ASSERT_EQ(prompter.Messages().size(), 1u);
  EXPECT_EQ(prompter.Messages()[0].buttons, MessageButtons::YesNo);
}

TEST(ScriptedPrompter, WithoutAnAnswerTakesTheDefaultButtonOrCancels) {
  ScriptedPrompter prompter;
  EXPECT_EQ(
      prompter.Message("?", "", MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No),
      MessageAnswer::No);
  EXPECT_EQ(prompter.Message("!", "", MessageIcon::Exclamation, MessageButtons::OkCancel),
            MessageAnswer::Ok);
  EXPECT_EQ(prompter.SaveFileName(SaveFileRequest{}), std::nullopt);
  EXPECT_EQ(prompter.ChooseColour(Rgb{}), std::nullopt);
}

TEST(QtFilter, TurnsWindowsFiltersIntoQtFiltersMatchingEitherCase) {
  EXPECT_EQ(QtFilterFromWindowsFilter("CSV Files(*.CSV)|*.CSV||"),
            "CSV Files(*.CSV) (*.CSV *.csv)");
  EXPECT_EQ(QtFilterFromWindowsFilter("Text|*.txt;*.log|All|*.*||"),
            "Text (*.txt *.TXT *.log *.LOG);;All (*.*)");
  EXPECT_EQ(QtFilterFromWindowsFilter(""), "");
}

}  // namespace
}  // namespace vx
