// The "Setting Scan" window offscreen against simulated cards on a manual clock: what it
// reads from the card, the function and shunt fields, the check boxes, a PerScan run of
// three passes with its export, and pictures of it for a person to look at.

#include "scanner/scanner_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>

#include <filesystem>

#include "common/captions.h"
#include "common/scripted_prompter.h"
#include "find_child.h"
#include "simulated_visa.h"
#include "temp_folder.h"
#include "user_input.h"
#include "xlsx_reader.h"

namespace vx::scanner {
namespace {

using test::Child;
using test::SimulatedVisa;

constexpr const char* kUsb = "USB0::0x1F3A::0x0C21::TW1::INSTR";

void SavePicture(QWidget& window, const std::string& name) {
  window.show();
  window.resize(window.sizeHint().expandedTo(QSize(900, 640)));
  const std::string path = std::string(VX_SCANNER_PICTURE_DIR) + "/" + name;
  EXPECT_TRUE(window.grab().save(QString::fromStdString(path))) << path;
}

class ScannerDialogTest : public ::testing::Test {
 protected:
  explicit ScannerDialogTest(
      std::vector<sim::MeterConfig> meters = {SimulatedVisa::UsbMeter("TW1", "Q7110", 20),
                                              SimulatedVisa::GpibMeter(22)})
      : visa_(std::move(meters)) {
    CurrentLanguage = std::string(kEnglish);
    visa_.Clock().SetLocal({2026, 12, 6, 14, 3, 7});
  }

  // Opens the window and shows it for the user's clicks and keys.
  ScannerDialog& Open() {
    dialog_.emplace(nullptr, prompter_, visa_.Clock());
    test::ShowForInput(*dialog_);
    return *dialog_;
  }
  template <typename T>
  T* Find(const char* name) {
    return Child<T>(*dialog_, name);
  }
  // A click on the channel in the list, and a function chosen from its list with the mouse.
  void ShowChannel(int channel) {
    test::ClickEntry(Find<QListWidget>("channelList"), QString("CH%1").arg(channel));
  }
  void Choose(int channel, ScanFunction f) {
    ShowChannel(channel);
    const std::string_view name = ShownName(f);
    test::ChooseWithMouse(Find<QComboBox>("functionList"),
                          QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  }
  void Type(const char* field, const char* text) { test::TypeInto(Find<QLineEdit>(field), text); }
  void Press(const char* button) { test::Click(Find<QAbstractButton>(button)); }
  std::vector<std::string> TakeMessages() {
    std::vector<std::string> texts;
    for (const MessageRequest& m : prompter_.Messages()) texts.push_back(m.title + "|" + m.text);
    prompter_.Clear();
    return texts;
  }
  void RunToIdle() {
    for (int i = 0; dialog_->Run().Phase() != RunPhase::Idle && i < 20000; ++i) {
      EXPECT_TRUE(dialog_->RunTimer().isActive());
      visa_.Clock().Advance(dialog_->Run().TimerInterval());
      dialog_->Tick();
    }
    EXPECT_FALSE(dialog_->RunTimer().isActive());
  }

  SimulatedVisa visa_;
  ScriptedPrompter prompter_;
  std::optional<ScannerDialog> dialog_;
};

TEST_F(ScannerDialogTest, OpensOnTheFirstMetersCardWithTheDefaultSettings) {
  visa_.Meter(kUsb)->Write("ROUT:SCAN:FUNC 2,\"VOLT:DC\"\n");
  ScannerDialog& dialog = Open();
  EXPECT_EQ(dialog.windowTitle(), "Setting Scan");
  auto* meters = Find<QComboBox>("meterList");
  ASSERT_EQ(meters->count(), 2);
  EXPECT_EQ(meters->itemText(0), "W9-90/1-USBTMC-TW1");
  auto* channels = Find<QListWidget>("channelList");
  ASSERT_EQ(channels->count(), 20);
  EXPECT_EQ(channels->item(19)->text(), "CH20");
  EXPECT_EQ(channels->currentRow(), 0);
  auto* functions = Find<QComboBox>("functionList");
  EXPECT_EQ(functions->count(), 8);
  EXPECT_EQ(functions->currentText(), "None");
  ShowChannel(2);
  EXPECT_EQ(functions->currentText(), "DCV");
  EXPECT_TRUE(Find<QLineEdit>("rField")->isHidden());
  EXPECT_TRUE(Find<QLabel>("formulaLine")->isHidden());
  EXPECT_FALSE(Find<QPushButton>("exportButton")->isEnabled());
  EXPECT_FALSE(Find<QCheckBox>("stopTimeCheck")->isEnabled());
  EXPECT_FALSE(Find<QDateTimeEdit>("stopTimeEdit")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("startButton")->isEnabled());
  EXPECT_EQ(Find<QComboBox>("modeList")->currentText(), "SCAN");
  EXPECT_EQ(Find<QLineEdit>("timerField")->text(), "0.5");
  EXPECT_EQ(Find<QLineEdit>("scanCountField")->text(), "20");
  EXPECT_EQ(Find<QSpinBox>("passesSpin")->value(), 1);
  EXPECT_EQ(Find<QSpinBox>("passesSpin")->maximum(), 200);
  EXPECT_EQ(Find<QTimeEdit>("intervalEdit")->time(), QTime(0, 0, 10));
  auto* atTime = Find<QDateTimeEdit>("atTimeEdit");
  EXPECT_EQ(atTime->displayFormat(), "yyyy/MM/dd HH:mm:ss");
  EXPECT_EQ(atTime->text(), "2026/12/06 14:03:07");
  EXPECT_TRUE(prompter_.Messages().empty());

  test::ChooseWithMouse(meters, "W9-90/1-GPIB-22");
  EXPECT_EQ(channels->count(), 10);
  EXPECT_EQ(channels->currentRow(), 0);
  SavePicture(dialog, "scanner_opened.png");
}

TEST_F(ScannerDialogTest, FourWireIsOfferedOnTheLowerHalfAndLocksItsSensePartner) {
  Open();
  auto* functions = Find<QComboBox>("functionList");
  ShowChannel(10);
  EXPECT_EQ(functions->count(), 8);
  ShowChannel(11);
  EXPECT_EQ(functions->count(), 7);
  EXPECT_TRUE(functions->isEnabled());
  Choose(1, ScanFunction::FourWire);
  EXPECT_EQ(dialog_->Setup().Channel(0).function, ScanFunction::FourWire);
  ShowChannel(11);
  EXPECT_FALSE(functions->isEnabled());
  ShowChannel(12);
  EXPECT_TRUE(functions->isEnabled());
}

TEST_F(ScannerDialogTest, ShuntFieldsCheckTheirCharactersAndReadingTheCardResetsThem) {
  visa_.Meter(kUsb)->Write("ROUT:SCAN:FUNC 3,\"VOLT:DC\"\n");
  Open();
  Choose(3, ScanFunction::Dci);
  auto* r = Find<QLineEdit>("rField");
  auto* i = Find<QLineEdit>("iField");
  EXPECT_FALSE(r->isHidden());
  EXPECT_FALSE(Find<QLabel>("formulaLine")->isHidden());
  EXPECT_EQ(r->text(), "0");
  // Each key is checked as it comes: the second point is refused at once.
  Type("rField", "1.2.");
  EXPECT_EQ(TakeMessages(), std::vector<std::string>{".|The value of \"R\" is error."});
  EXPECT_EQ(r->text(), "1.20");
  EXPECT_EQ(dialog_->Setup().Channel(2).r, 1.2);
  Type("iField", "2x");
  EXPECT_EQ(TakeMessages(), std::vector<std::string>{"|The value of \"I\" is error."});
  EXPECT_EQ(i->text(), "2.00");
  Type("rField", "100");
  Type("iField", "0.5");
  ShowChannel(4);
  EXPECT_TRUE(r->isHidden());
  ShowChannel(3);
  EXPECT_EQ(r->text(), "100");
  EXPECT_EQ(i->text(), "0.5");
  SavePicture(*dialog_, "scanner_shunt.png");

  // Reading the card again: it holds VOLT:DC for CH3, which is DCV, and every shunt is 0.
  test::ChooseWithMouse(Find<QComboBox>("meterList"), "W9-90/1-GPIB-22");
  test::ChooseWithKeys(Find<QComboBox>("meterList"), "W9-90/1-USBTMC-TW1");
  ShowChannel(3);
  EXPECT_EQ(Find<QComboBox>("functionList")->currentText(), "DCV");
  EXPECT_EQ(dialog_->Setup().Channel(2).r, 0);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(ScannerDialogTest, CheckBoxesEnableEachOtherAndFieldsCheckTheirRanges) {
  Open();
  auto* perScan = Find<QCheckBox>("perScanCheck");
  auto* stopAfter = Find<QCheckBox>("stopAfterCheck");
  auto* stopTime = Find<QCheckBox>("stopTimeCheck");
  auto* scanCount = Find<QLineEdit>("scanCountField");
  test::Click(perScan);
  EXPECT_FALSE(scanCount->isEnabled());
  EXPECT_TRUE(stopTime->isEnabled());
  EXPECT_TRUE(Find<QDateTimeEdit>("stopTimeEdit")->isEnabled());
  test::Click(stopTime);
  // Space on the focused box ticks it as a click does.
  stopAfter->setFocus();
  test::PressKey(stopAfter, Qt::Key_Space);
  EXPECT_TRUE(stopAfter->isChecked());
  EXPECT_FALSE(stopTime->isEnabled());
  EXPECT_FALSE(stopTime->isChecked());
  test::Click(stopAfter);
  EXPECT_TRUE(stopTime->isEnabled());
  EXPECT_FALSE(scanCount->isEnabled());
  test::Click(stopTime);
  test::Click(perScan);
  EXPECT_TRUE(scanCount->isEnabled());
  EXPECT_FALSE(stopTime->isEnabled());
  EXPECT_FALSE(stopTime->isChecked());
  test::Click(stopAfter);
  EXPECT_FALSE(scanCount->isEnabled());
  test::Click(stopAfter);
  EXPECT_TRUE(scanCount->isEnabled());

  // The timer is checked once a number is finished; the scan count on every key.
  Type("timerField", "1.");
  Type("timerField", "70");
  Type("timerField", "6");
  Type("scanCountField", "2500");
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"|Please enter a number between 0 and 60.",
                                      "|Please enter an integer between 0 and 2000."}));
}

TEST_F(ScannerDialogTest, APerScanRunOfThreePassesShowsThreeTimedRowsAndExportsThem) {
  test::TempFolder documents;
  test::ScopedEnvironment documentsFolder("VX_DOCUMENTS", documents.Path());
  Open();
  Choose(1, ScanFunction::Dcv);
  Choose(2, ScanFunction::Dci);
  Type("rField", "100");
  Type("iField", "0.001");
  Choose(3, ScanFunction::TwoWire);
  Press("perScanCheck");
  test::TypeIntoDateTime(Find<QTimeEdit>("intervalEdit"), "000002");
  EXPECT_EQ(Find<QTimeEdit>("intervalEdit")->time(), QTime(0, 0, 2));
  Press("stopAfterCheck");
  test::TypeInto(Find<QSpinBox>("passesSpin"), "3");
  auto* start = Find<QPushButton>("startButton");
  test::Click(start);
  EXPECT_FALSE(start->isEnabled());
  EXPECT_FALSE(Find<QComboBox>("functionList")->isEnabled());
  EXPECT_FALSE(Find<QComboBox>("meterList")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("exitButton")->isEnabled());
  EXPECT_EQ(dialog_->RunTimer().interval(), 500);
  visa_.Clock().Advance(std::chrono::milliseconds(500));
  dialog_->Tick();
  EXPECT_EQ(Find<QLabel>("progressLine")->text(), "1/3");
  SavePicture(*dialog_, "scanner_running.png");
  RunToIdle();

  EXPECT_TRUE(start->isEnabled());
  const QAbstractItemModel* model = Find<QTableView>("resultsGrid")->model();
  ASSERT_EQ(model->rowCount(), 3);
  ASSERT_EQ(model->columnCount(), 4);
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "CH2(DCI)");
  EXPECT_EQ(model->headerData(2, Qt::Vertical).toString(), "3");
  EXPECT_EQ(model->index(0, 0).data().toString(), "14:3:7");
  EXPECT_EQ(model->index(1, 0).data().toString(), "14:3:10");
  EXPECT_EQ(model->index(2, 0).data().toString(), "14:3:14");
  // CH2 reads its built-in 0.2123 V: 0.2123 / 100 + 0.001 A.
  EXPECT_EQ(model->index(2, 2).data().toString(), "0.00312300");
  auto* exportButton = Find<QPushButton>("exportButton");
  ASSERT_TRUE(exportButton->isEnabled());
  SavePicture(*dialog_, "scanner_results.png");

  test::Click(exportButton);
  const std::string saved = documents / "Scan 2026-12-06 14-03-07.xlsx";
  EXPECT_EQ(dialog_->StatusText().toStdString(), "Exported to " + saved);
  EXPECT_EQ(Find<QLabel>("statusLine")->toolTip(), dialog_->StatusText());
  EXPECT_FALSE(exportButton->isEnabled());
  EXPECT_TRUE(TakeMessages().empty());
  const QJsonObject book = test::ReadXlsx(saved);
  const QJsonObject cells = book["sheets"]["Sheet1"]["cells"].toObject();
  EXPECT_EQ(cells["D1"]["value"].toString(), "CH3(2W)");
  EXPECT_EQ(cells["A4"]["value"].toString(), "14:03:14");
  EXPECT_EQ(cells["C4"]["value"].toDouble(), 0.003123);
  EXPECT_FALSE(cells.contains("A5"));
  SavePicture(*dialog_, "scanner_exported.png");
}

TEST_F(ScannerDialogTest, AFailedExportSaysWhereAndKeepsTheResultsToExportAgain) {
  test::TempFolder documents;
  // A documents folder that cannot be made: its parent is a plain file.
  const std::string unmakeable = documents.Write("plain-file", "") + "/Documents";
  test::ScopedEnvironment documentsFolder("VX_DOCUMENTS", unmakeable);
  Open();
  Choose(5, ScanFunction::Freq);
  Type("scanCountField", "1");
  Press("startButton");
  RunToIdle();
  const std::string before =
      Find<QTableView>("resultsGrid")->model()->index(0, 1).data().toString().toStdString();
  EXPECT_EQ(before, "5000.50000000");
  Press("exportButton");
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].title, "Error");
  EXPECT_NE(prompter_.Messages()[0].text.find(unmakeable), std::string::npos);
  EXPECT_TRUE(Find<QPushButton>("exportButton")->isEnabled());
  EXPECT_EQ(Find<QTableView>("resultsGrid")->model()->index(0, 1).data().toString().toStdString(),
            before);
  EXPECT_TRUE(dialog_->StatusText().isEmpty());
}

TEST_F(ScannerDialogTest, ExitEndsARunThatNeverCompletes) {
  Open();
  Choose(1, ScanFunction::Dcv);
  Type("timerField", "60");
  Press("startButton");
  for (int tick = 0; tick < 20; ++tick) {
    visa_.Clock().Advance(dialog_->Run().TimerInterval());
    dialog_->Tick();
  }
  EXPECT_EQ(dialog_->Run().Phase(), RunPhase::Polling);
  Press("exitButton");
  EXPECT_FALSE(dialog_->RunTimer().isActive());
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
}

// Choosing a current function shows the shunt fields and the formula in the room kept for
// them: the window keeps its width and the run settings stay where they are.
TEST_F(ScannerDialogTest, TheShuntFieldsAppearWithoutMovingTheLayout) {
  ScannerDialog& dialog = Open();
  dialog.adjustSize();
  QApplication::processEvents();
  auto* runSettings = Find<QWidget>("runSettings");
  const QSize size = dialog.size();
  const QRect settings = runSettings->geometry();
  ASSERT_TRUE(Find<QLineEdit>("rField")->isHidden());

  ASSERT_NO_FATAL_FAILURE(test::ChooseWithMouse(Find<QComboBox>("functionList"), "DCI"));
  QApplication::processEvents();
  EXPECT_FALSE(Find<QLineEdit>("rField")->isHidden());
  EXPECT_FALSE(Find<QLabel>("formulaLine")->isHidden());
  dialog.adjustSize();
  QApplication::processEvents();
  EXPECT_EQ(dialog.size(), size);
  EXPECT_EQ(runSettings->geometry(), settings);
  SavePicture(dialog, "scanner_dci.png");
}

// A meter whose USB connection drops at a progress poll a few seconds into a pass.
sim::MeterConfig MeterLostWhilePolled() {
  sim::MeterConfig meter = SimulatedVisa::UsbMeter("TW1", "Q7110", 20);
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.onlyFor = "ROUT:SCAN:STATE?";
  meter.fault.lostAfterCommands = 50;
  return meter;
}

class ScannerWithAMeterLost : public ScannerDialogTest {
 protected:
  ScannerWithAMeterLost() : ScannerDialogTest({MeterLostWhilePolled()}) {}
};

// The run ends with a message that names the meter and the status, and the window is ready
// again instead of polling a meter that is gone.
TEST_F(ScannerWithAMeterLost, TheRunEndsWithAMessageAndTheWindowStaysUsable) {
  Open();
  Choose(1, ScanFunction::Dcv);
  Type("timerField", "1");
  auto* start = Find<QPushButton>("startButton");
  ASSERT_NO_FATAL_FAILURE(test::Click(start));
  EXPECT_FALSE(start->isEnabled());
  RunToIdle();
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].title, "Error");
  EXPECT_EQ(prompter_.Messages()[0].icon, MessageIcon::Stop);
  EXPECT_EQ(prompter_.Messages()[0].text,
            "W9-90/1-USBTMC-TW1: The connection to the instrument was lost. (VI_ERROR_CONN_LOST) "
            "The scan has ended.");
  EXPECT_TRUE(start->isEnabled());
  EXPECT_TRUE(Find<QComboBox>("meterList")->isEnabled());
  EXPECT_EQ(Find<QLabel>("progressLine")->text(), "");
  EXPECT_FALSE(Find<QPushButton>("exportButton")->isEnabled());
}

class ScannerWithoutCard : public ScannerDialogTest {
 protected:
  ScannerWithoutCard() : ScannerDialogTest({SimulatedVisa::UsbMeter("TW1", "Q7110", 0)}) {}
};

TEST_F(ScannerWithoutCard, LeavesTheSettingsAndStartDisabled) {
  Open();
  EXPECT_EQ(Find<QListWidget>("channelList")->count(), 0);
  EXPECT_FALSE(Find<QPushButton>("startButton")->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>("timerField")->isEnabled());
  EXPECT_TRUE(Find<QComboBox>("meterList")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("exitButton")->isEnabled());
}

class ScannerWithoutMeter : public ScannerDialogTest {
 protected:
  ScannerWithoutMeter() : ScannerDialogTest({}) {}
};

TEST_F(ScannerWithoutMeter, SaysSoInItsMeterList) {
  Open();
  auto* meters = Find<QComboBox>("meterList");
  ASSERT_EQ(meters->count(), 1);
  EXPECT_EQ(meters->itemText(0), "No Device Connected");
  EXPECT_FALSE(meters->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("startButton")->isEnabled());
  EXPECT_TRUE(prompter_.Messages().empty());
}

}  // namespace
}  // namespace vx::scanner
