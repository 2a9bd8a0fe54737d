// The "View Record" window on the offscreen platform with scripted message boxes and save
// dialog: record list, figures, pages, filter, field check, Enter, deletion and CSV output.

#include "records/viewer/record_viewer_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/scripted_prompter.h"
#include "record_tools_test_util.h"
#include "record_window_test_util.h"
#include "records/record_file.h"
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

const std::string kStamp = "( 26 / 12 / 06 -- 22 : 45 : 07 )";

std::string Label(int record) {
  return "Record " + std::to_string(record) + "            " + kStamp;
}

// The process works in a folder whose DB subfolder holds the records.
class RecordViewerTest : public ::testing::Test {
 protected:
  RecordViewerTest() : guard_(root_.Path()) { records_ = root_.Make("DB"); }

  QString Cell(const RecordViewerDialog& dialog, int row, int column) {
    auto* grid = Child<QTableView>(dialog, "grid");
    return grid->model()->index(row, column).data().toString();
  }
  int Rows(const RecordViewerDialog& dialog) {
    return Child<QTableView>(dialog, "grid")->model()->rowCount();
  }
  // The user's ways: a click on a line of the record list, bounds typed into the fields and
  // "Search" clicked, Enter pressed in the focused field, a button clicked.
  void Choose(RecordViewerDialog& dialog, int line) {
    auto* list = Child<QListWidget>(dialog, "recordList");
    test::ClickIndex(list, list->model()->index(line, 0));
  }
  void Search(RecordViewerDialog& dialog, const char* lower, const char* upper) {
    test::TypeInto(Child<QLineEdit>(dialog, "lowerField"), lower);
    test::TypeInto(Child<QLineEdit>(dialog, "upperField"), upper);
    Press(dialog, "searchButton");
  }
  static void Press(RecordViewerDialog& dialog, const char* button) {
    test::Click(Child<QPushButton>(dialog, button));
  }
  static void PressEnter(QWidget* widget) { test::PressKey(widget, Qt::Key_Return); }

  fixture::TempFolder root_;
  fixture::CurrentFolderGuard guard_;
  std::string records_;
  ScriptedPrompter prompter_;
};

TEST_F(RecordViewerTest, OpensWithTheStampedRecordsZeroFiguresAndTheGridLaidOut) {
  WriteRecord(records_, 2, {1.5});
  WriteRecord(records_, 10, {2.5});
  ASSERT_TRUE(CreateRecordFile(records_, 4).Ok());  // no stamp: not listed
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  EXPECT_EQ(dialog.windowTitle(), "View Record");
  auto* list = Child<QListWidget>(dialog, "recordList");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text().toStdString(), Label(2));
  EXPECT_EQ(list->item(1)->text().toStdString(), Label(10));
  for (const char* name : {"countValue", "maximumValue", "minimumValue", "averageValue"})
    EXPECT_EQ(Child<QLabel>(dialog, name)->text(), "0") << name;
  for (const char* name : {"deleteButton", "csvButton", "lowerField", "upperField"})
    EXPECT_FALSE(Child<QWidget>(dialog, name)->isEnabled()) << name;

  auto* grid = Child<QTableView>(dialog, "grid");
  EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "");
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "Value");
  EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), "Time");
  const int dpi = grid->logicalDpiX();
  EXPECT_EQ(grid->columnWidth(0), (800 * dpi + 720) / 1440);
  EXPECT_EQ(grid->columnWidth(1), (2200 * dpi + 720) / 1440);
  EXPECT_EQ(grid->columnWidth(2), (1300 * dpi + 720) / 1440);
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());

  Choose(dialog, 1);  // record 10: the two characters after "Record "
  EXPECT_EQ(Child<QLabel>(dialog, "maximumValue")->text(), "2.500000000000000");
  EXPECT_EQ(grid->model()->index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignLeft | Qt::AlignVCenter);
  for (const char* name : {"deleteButton", "csvButton", "lowerField", "upperField"})
    EXPECT_TRUE(Child<QWidget>(dialog, name)->isEnabled()) << name;
}

// The list may take the focus (Tab, or the window opening) with a line marked but none
// selected: no record is chosen by that, so "Delete Record" never takes a record the list
// does not show selected. A click, the arrow keys or Space choose one.
TEST_F(RecordViewerTest, FocusInTheListChoosesNoRecordUntilTheUserDoes) {
  WriteRecord(records_, 1, {1.5});
  WriteRecord(records_, 2, {2.5});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  auto* list = Child<QListWidget>(dialog, "recordList");
  auto* refresh = Child<QPushButton>(dialog, "refreshButton");
  const auto chosenNothing = [&] {
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_FALSE(Child<QPushButton>(dialog, "deleteButton")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dialog, "csvButton")->isEnabled());
  };
  list->setFocus(Qt::TabFocusReason);
  chosenNothing();
  EXPECT_EQ(Child<QLabel>(dialog, "countValue")->text(), "0");

  Choose(dialog, 1);
  EXPECT_EQ(Child<QLabel>(dialog, "maximumValue")->text(), "2.500000000000000");
  Press(dialog, "refreshButton");
  // Back from "Refresh" to the list with Shift+Tab.
  test::PressKey(refresh, Qt::Key_Backtab, Qt::ShiftModifier);
  ASSERT_TRUE(list->hasFocus());
  chosenNothing();
  Press(dialog, "deleteButton");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());

  test::PressKey(list, Qt::Key_Space);
  EXPECT_EQ(list->selectedItems().size(), 1);
  EXPECT_EQ(Child<QLabel>(dialog, "maximumValue")->text(), "1.500000000000000");
  EXPECT_TRUE(Child<QPushButton>(dialog, "deleteButton")->isEnabled());
  test::PressKey(list, Qt::Key_Down);
  EXPECT_EQ(Child<QLabel>(dialog, "maximumValue")->text(), "2.500000000000000");
  // Ctrl+click on the selected line takes the selection away, and the choice with it.
  test::ClickIndex(list, list->model()->index(1, 0), Qt::ControlModifier);
  chosenNothing();
  EXPECT_TRUE(std::filesystem::exists(RecordFilePath(records_, 1)));
}

TEST_F(RecordViewerTest, AMissingRecordFolderIsReportedAndNothingIsListed) {
  std::filesystem::remove(records_);
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Database working folder not found.");
  EXPECT_EQ(prompter_.Messages()[0].title, "RecordView Database folder check");
  EXPECT_EQ(Child<QListWidget>(dialog, "recordList")->count(), 0);
}

TEST_F(RecordViewerTest, PagesOfTenThousandWithRowNumbersRestartingOnEachPage) {
  std::vector<double> values = Counting(25000);
  values[20000] = kOverloadValue;  // the first reading of the third page
  WriteRecord(records_, 1, values);
  WriteRecord(records_, 2, Counting(20000));
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  auto* pages = Child<QComboBox>(dialog, "rangeList");
  ASSERT_EQ(pages->count(), 3);
  EXPECT_EQ(pages->itemText(0), " 1 - 10000 ");
  EXPECT_EQ(pages->itemText(1), " 10001 - 20000 ");
  EXPECT_EQ(pages->itemText(2), " 20001 - 25000 ");
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_EQ(Child<QLabel>(dialog, "countValue")->text(), "25000");
  EXPECT_EQ(Rows(dialog), 10000);
  EXPECT_EQ(Cell(dialog, 0, 0), "1");
  EXPECT_EQ(Cell(dialog, 0, 1), "1.00000000000000");
  EXPECT_EQ(Cell(dialog, 0, 2), "22 : 45 : 08");

  test::ChooseWithMouse(pages, " 20001 - 25000 ");
  EXPECT_EQ(Rows(dialog), 5000);
  EXPECT_EQ(Cell(dialog, 0, 0), "1");
  EXPECT_EQ(Cell(dialog, 0, 1), "OVLD");
  EXPECT_EQ(Cell(dialog, 4999, 0), "5000");
  EXPECT_EQ(Cell(dialog, 4999, 1), "25000.00000000000000");

  Choose(dialog, 1);
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->itemText(1), " 10001 - 20000 ");
  test::ChooseWithKeys(pages, " 10001 - 20000 ");
  EXPECT_EQ(Rows(dialog), 10000);
  EXPECT_EQ(Cell(dialog, 9999, 1), "20000.00000000000000");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
}

TEST_F(RecordViewerTest, ARecordWithoutReadingsShowsZeroAndEmptyFigures) {
  WriteRecord(records_, 5, {});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  EXPECT_EQ(Child<QLabel>(dialog, "countValue")->text(), "0");
  for (const char* name : {"maximumValue", "minimumValue", "averageValue"})
    EXPECT_EQ(Child<QLabel>(dialog, name)->text(), "") << name;
  auto* pages = Child<QComboBox>(dialog, "rangeList");
  ASSERT_EQ(pages->count(), 1);
  EXPECT_EQ(pages->itemText(0), " 1 - 0 ");
  EXPECT_EQ(Rows(dialog), 0);
}

TEST_F(RecordViewerTest, FilterJudgesThePreviousBoundsAndPicksBetweenOrOutside) {
  WriteRecord(records_, 1, {0.5, 1, 2, 3, 6, 7, kOverloadValue, -4});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  auto* lower = Child<QLineEdit>(dialog, "lowerField");
  auto* upper = Child<QLineEdit>(dialog, "upperField");

  // The first search of the window has no previous bounds to be judged on.
  Search(dialog, "1", "6");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  EXPECT_EQ(lower->text(), "1.000000");
  EXPECT_EQ(upper->text(), "6.000000");
  ASSERT_EQ(Rows(dialog), 2);
  EXPECT_EQ(Cell(dialog, 0, 1), "2.00000000000000");
  EXPECT_EQ(Cell(dialog, 1, 1), "3.00000000000000");
  EXPECT_EQ(Cell(dialog, 1, 0), "2");

  // 5 and 1 after a valid search: the previous bounds pass, and 5 > 1 searches outside.
  Search(dialog, "5", "1");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  ASSERT_EQ(Rows(dialog), 5);
  EXPECT_EQ(Cell(dialog, 0, 1), "0.50000000000000");
  EXPECT_EQ(Cell(dialog, 1, 1), "6.00000000000000");
  EXPECT_EQ(Cell(dialog, 2, 1), "7.00000000000000");
  // An overload found by the filter is shown as the number it is.
  EXPECT_EQ(Cell(dialog, 3, 1), "98999999999999993426744560981400092672.00000000000000");
  EXPECT_EQ(Cell(dialog, 4, 1), "-4.00000000000000");

  // Now the bounds taken last (5 and 1) leave no range: refused, nothing read.
  Search(dialog, "0", "10");
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"Please re-enter the value."});
  EXPECT_EQ(Rows(dialog), 5);
  EXPECT_EQ(lower->text(), "0");
  // Re-entered, the next search goes through.
  Search(dialog, "0", "10");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  EXPECT_EQ(Rows(dialog), 6);

  // 2 and 2 taken by a search are refused on the following one.
  Search(dialog, "2", "2");
  EXPECT_EQ(Rows(dialog), 0);
  Search(dialog, "1", "6");
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"Please re-enter the value."});

  // An empty field, once past the check, asks for a value.
  Search(dialog, "", "6");
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"Please input a valid value."});
}

TEST_F(RecordViewerTest, TenThousandMatchesFillTheGridAndAskForANarrowerRange) {
  std::vector<double> values(10000, 5.0);
  values.push_back(100);
  WriteRecord(records_, 1, values);
  WriteRecord(records_, 2, Counting(15000));
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  Search(dialog, "1", "10");  // exactly 10000 match
  EXPECT_EQ(Rows(dialog), 10000);
  EXPECT_EQ(TakeMessageTexts(prompter_),
            std::vector<std::string>{"Please narrow the searching range."});
  Choose(dialog, 1);
  Search(dialog, "0", "15001");  // more than 10000 match: the first 10000 are shown
  EXPECT_EQ(Rows(dialog), 10000);
  EXPECT_EQ(Cell(dialog, 9999, 1), "10000.00000000000000");
  EXPECT_EQ(TakeMessageTexts(prompter_),
            std::vector<std::string>{"Please narrow the searching range."});
  Search(dialog, "0", "10000");  // 9999 match: no message
  EXPECT_EQ(Rows(dialog), 9999);
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
}

TEST_F(RecordViewerTest, FilterFieldsRefuseStrayCharactersAndASecondPoint) {
  WriteRecord(records_, 1, {1});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  // Each key is checked as it is typed: the second point is refused at once, and typing
  // goes on after the corrected text.
  auto* lower = Child<QLineEdit>(dialog, "lowerField");
  test::TypeInto(lower, "1.2.");
  EXPECT_EQ(lower->text(), "1.20");
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].title, ".");
  EXPECT_EQ(prompter_.Messages()[0].buttons, MessageButtons::Ok);
  prompter_.Clear();
  QTest::keyClicks(lower, "3");
  EXPECT_EQ(lower->text(), "1.203");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  auto* upper = Child<QLineEdit>(dialog, "upperField");
  test::TypeInto(upper, "7+");
  EXPECT_EQ(upper->text(), "7.00");
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"The value is error."});
  test::TypeInto(upper, "-2.5e-3");
  EXPECT_EQ(upper->text(), "-2.5e-3");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  // A second exponent letter is refused like a second point.
  test::TypeInto(upper, "1e2E");
  EXPECT_EQ(upper->text(), "100.00");
  EXPECT_EQ(TakeMessageTexts(prompter_).size(), 1u);
}

TEST_F(RecordViewerTest, EnterMovesOnFromTheLowerBoundSearchesFromTheUpperAndNeverCloses) {
  WriteRecord(records_, 1, {1, 2, 3, 4});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  auto* lower = Child<QLineEdit>(dialog, "lowerField");
  auto* upper = Child<QLineEdit>(dialog, "upperField");
  test::TypeInto(upper, "2");
  test::TypeInto(lower, "2");
  PressEnter(lower);
  EXPECT_EQ(lower->text(), "2.000000");
  EXPECT_EQ(upper->text(), "2");
  EXPECT_EQ(Rows(dialog), 4);  // nothing searched yet
  // Enter in the lower field took 2 and 2: the search from the upper field is refused.
  PressEnter(upper);
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"Please re-enter the value."});
  test::TypeInto(upper, "4");
  PressEnter(upper);
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  ASSERT_EQ(Rows(dialog), 1);
  EXPECT_EQ(Cell(dialog, 0, 1), "3.00000000000000");
  PressEnter(Child<QPushButton>(dialog, "exitButton"));
  PressEnter(&dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), 0);
}

TEST_F(RecordViewerTest, DeleteAsksFirstThenRemovesTheFileAndItsLine) {
  WriteRecord(records_, 3, {1, 2});
  WriteRecord(records_, 7, {5});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  auto* list = Child<QListWidget>(dialog, "recordList");
  Choose(dialog, 0);
  prompter_.QueueAnswer(MessageAnswer::No);
  Press(dialog, "deleteButton");
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  const MessageRequest asked = prompter_.Messages()[0];
  EXPECT_EQ(asked.text, "Are you sure you want to delete this record?");
  EXPECT_EQ(asked.buttons, MessageButtons::YesNo);
  EXPECT_EQ(asked.icon, MessageIcon::Information);
  EXPECT_TRUE(std::filesystem::exists(RecordFilePath(records_, 3)));
  EXPECT_EQ(list->count(), 2);

  prompter_.Clear();
  prompter_.QueueAnswer(MessageAnswer::Yes);
  Press(dialog, "deleteButton");
  EXPECT_FALSE(std::filesystem::exists(RecordFilePath(records_, 3)));
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text().toStdString(), Label(7));
  EXPECT_EQ(list->currentRow(), -1);
  EXPECT_FALSE(Child<QPushButton>(dialog, "deleteButton")->isEnabled());
  // The figures and the grid keep what they showed.
  EXPECT_EQ(Child<QLabel>(dialog, "countValue")->text(), "2");
  EXPECT_EQ(Rows(dialog), 2);
}

// Files that another program damaged, wrote or holds are listed with the reason, so that
// the user learns of them and can delete them.
TEST_F(RecordViewerTest, RecordsThatCannotBeReadAreListedWithTheReasonAndCanOnlyBeDeleted) {
  WriteRecord(records_, 2, {1.5});
  fixture::WriteFileBytes(RecordFilePath(records_, 4), fixture::RandomBytes(5000));
  WriteRecord(records_, 6, Counting(20000));
  fixture::Truncate(RecordFilePath(records_, 6), 40000);
  WriteRecord(records_, 8, {1});
  auto holder = std::make_unique<fixture::ExclusiveHolder>(RecordFilePath(records_, 8));
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  auto* list = Child<QListWidget>(dialog, "recordList");
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text().toStdString(), Label(2));
  EXPECT_EQ(list->item(1)->text().toStdString(),
            "Record 4            ( cannot be read: not a record file )");
  EXPECT_EQ(list->item(2)->text().toStdString(), "Record 6            ( cannot be read: damaged )");
  EXPECT_EQ(list->item(3)->text().toStdString(),
            "Record 8            ( cannot be read: locked by another program )");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());

  Choose(dialog, 0);
  Choose(dialog, 1);
  EXPECT_EQ(TakeMessageTexts(prompter_),
            std::vector<std::string>{"DBfile_DB4.db is not a record file."});
  EXPECT_TRUE(Child<QPushButton>(dialog, "deleteButton")->isEnabled());
  for (const char* name : {"csvButton", "lowerField", "upperField"})
    EXPECT_FALSE(Child<QWidget>(dialog, name)->isEnabled()) << name;
  // Nothing of record 2 is left on show as if it were record 4's.
  EXPECT_EQ(Child<QLabel>(dialog, "countValue")->text(), "0");
  EXPECT_EQ(Rows(dialog), 0);
  EXPECT_EQ(Child<QComboBox>(dialog, "rangeList")->count(), 0);
  fixture::SavePicture(dialog, "record_viewer_unreadable.png");

  prompter_.QueueAnswer(MessageAnswer::Yes);
  Press(dialog, "deleteButton");
  EXPECT_EQ(TakeMessageTexts(prompter_),
            std::vector<std::string>{"Are you sure you want to delete this record?"});
  EXPECT_FALSE(std::filesystem::exists(RecordFilePath(records_, 4)));
  ASSERT_EQ(list->count(), 3);

  Choose(dialog, 1);
  EXPECT_EQ(TakeMessageTexts(prompter_),
            std::vector<std::string>{"DBfile_DB6.db is damaged and cannot be read."});
  // The locked file stays while the other program holds it, and is readable once it lets go.
  Choose(dialog, 2);
  prompter_.QueueAnswer(MessageAnswer::Yes);
  Press(dialog, "deleteButton");
  const std::vector<std::string> refused = TakeMessageTexts(prompter_);
  ASSERT_EQ(refused.size(), 3u);
  EXPECT_NE(refused[2].find("DBfile_DB8.db"), std::string::npos) << refused[2];
  EXPECT_TRUE(std::filesystem::exists(RecordFilePath(records_, 8)));
  holder.reset();
  Press(dialog, "refreshButton");
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text().toStdString(), Label(8));
}

TEST_F(RecordViewerTest, OutputToCsvAppendsDotCsvAndWritesTheViewersLayout) {
  WriteRecord(records_, 3, {0.012345, kOverloadValue});
  const std::string out = root_.Make("out");
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  prompter_.QueueSaveFile(out + "/day1");
  Press(dialog, "csvButton");
  const std::string expected = "Time,Value, ,DateTime : " + kStamp +
                               "\r\n\"22 : 45 : 08\",0.01234500000000\r\n\"22 : 45 : 09\",OVLD\r\n";
  EXPECT_EQ(fixture::ReadFileBytes(out + "/day1.csv"), expected);
  ASSERT_EQ(prompter_.Records().size(), 2u);
  const SaveFileRequest& request = prompter_.Records()[0].saveFile;
  EXPECT_EQ(request.filter, "CSV Files(*.CSV)|*.CSV||");
  EXPECT_EQ(request.defaultName, "");
  EXPECT_EQ(request.defaultExtension, "");
  EXPECT_EQ(request.initialFolder, "");
  EXPECT_FALSE(request.overwritePrompt);
  EXPECT_EQ(prompter_.Records()[1].message.text, "Output to CSV completed.");
  EXPECT_EQ(prompter_.Records()[1].message.icon, MessageIcon::Information);

  prompter_.Clear();
  prompter_.QueueSaveFile(out + "/day1.csv");
  Press(dialog, "csvButton");
  EXPECT_EQ(fixture::ReadFileBytes(out + "/day1.csv.csv"), expected);
  // Cancel writes nothing and says nothing.
  prompter_.Clear();
  Press(dialog, "csvButton");
  EXPECT_EQ(prompter_.Records().size(), 1u);
  EXPECT_EQ(fixture::FolderEntries(out), (std::vector<std::string>{"day1.csv", "day1.csv.csv"}));
}

TEST_F(RecordViewerTest, ACsvOutputThatFailsSaysSaveAsErrorAndLeavesNoFile) {
  WriteRecord(records_, 3, Counting(5000));
  const std::string out = root_.Make("out");
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  prompter_.QueueSaveFile(out + "/day1");
  {
    fixture::FileSizeLimit limit(64 * 1024);
    Press(dialog, "csvButton");
  }
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Save As Error.");
  EXPECT_EQ(prompter_.Messages()[0].title, "Error");
  EXPECT_TRUE(fixture::FolderEntries(out).empty());
}

TEST_F(RecordViewerTest, RefreshListsNewRecordsAndForgetsTheChoice) {
  WriteRecord(records_, 1, {1});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  WriteRecord(records_, 6, {2});
  Press(dialog, "refreshButton");
  auto* list = Child<QListWidget>(dialog, "recordList");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text().toStdString(), Label(6));
  EXPECT_EQ(list->currentRow(), -1);
  EXPECT_FALSE(Child<QPushButton>(dialog, "deleteButton")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(dialog, "csvButton")->isEnabled());
}

TEST_F(RecordViewerTest, Picture) {
  std::vector<double> values;
  for (int k = 0; k < 12345; ++k) values.push_back(1.234567 + 0.000011 * (k % 17));
  values[3] = kOverloadValue;
  WriteRecord(records_, 2, values);
  WriteRecord(records_, 5, {1});
  RecordViewerDialog dialog(nullptr, prompter_);
  test::ShowForInput(dialog);
  Choose(dialog, 0);
  fixture::SavePicture(dialog, "record_viewer.png");
}

}  // namespace
}  // namespace vx::records
