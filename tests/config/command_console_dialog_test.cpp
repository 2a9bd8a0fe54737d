#include "config/command_console_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/scripted_prompter.h"
#include "find_child.h"
#include "simulated_visa.h"

namespace vx::config {
namespace {

using test::SimulatedVisa;

using test::Child;

class CommandConsoleDialogTest : public ::testing::Test {
 protected:
  CommandConsoleDialogTest()
      : visa_({SimulatedVisa::UsbMeter("TW1", "Q7110"), SimulatedVisa::GpibMeter(22)}),
        dialog_(nullptr, prompter_),
        send_(Child<QComboBox>(dialog_, "sendField")),
        answer_(Child<QPlainTextEdit>(dialog_, "answerField")) {}

  void Send(const char* button, const QString& text) {
    send_->setEditText(text);
    Child<QPushButton>(dialog_, button)->click();
  }
  std::string Answer() const { return answer_->toPlainText().toStdString(); }

  SimulatedVisa visa_;
  ScriptedPrompter prompter_;
  CommandConsoleDialog dialog_;
  QComboBox* send_;
  QPlainTextEdit* answer_;
};

TEST_F(CommandConsoleDialogTest, OpensReadyToAskForTheIdentity) {
  EXPECT_EQ(dialog_.windowTitle(), "Command Control");
  EXPECT_EQ(send_->currentText(), "*IDN?");
  EXPECT_EQ(send_->count(), 0);
  EXPECT_EQ(Answer(), "");
  EXPECT_EQ(dialog_.CurrentMeter(), 0);
  Child<QPushButton>(dialog_, "queryButton")->click();
  EXPECT_EQ(Answer(), "TOLVEX,W9-90/1,TW1,Q7110 1.05");
  EXPECT_EQ(send_->count(), 1);

  Child<QComboBox>(dialog_, "meterBox")->setCurrentIndex(1);
  Child<QPushButton>(dialog_, "queryButton")->click();
  EXPECT_EQ(Answer(), "TOLVEX,W9-90/1,TW00022,1.02");
  EXPECT_EQ(send_->count(), 1);
}

TEST_F(CommandConsoleDialogTest, HistoryKeepsTheNewestOnTopAndFillsTheSendField) {
  Send("writeButton", "CONF:VOLT:AC");
  Send("queryButton", "func?");
  Send("writeButton", "CONF:VOLT:AC");
  ASSERT_EQ(send_->count(), 2);
  EXPECT_EQ(send_->itemText(0), "CONF:VOLT:AC");
  EXPECT_EQ(send_->itemText(1), "func?");
  EXPECT_EQ(send_->currentText(), "CONF:VOLT:AC");
  EXPECT_EQ(Answer(), "");
  send_->setCurrentIndex(1);
  EXPECT_EQ(send_->currentText(), "func?");
  Child<QPushButton>(dialog_, "queryButton")->click();
  EXPECT_EQ(Answer(), "\"VOLT:AC\"");

  Send("writeButton", "read?");
  Send("readButton", "ignored by a read");
  EXPECT_EQ(Answer().substr(0, 1), "+");
  EXPECT_EQ(send_->count(), 3);
}

TEST_F(CommandConsoleDialogTest, ATooLongCommandIsRefusedAndKept) {
  const QString tooLong = "*IDN?;" + QString(93, ' ');
  Send("queryButton", tooLong);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(send_->currentText(), tooLong);
  EXPECT_EQ(send_->count(), 0);
  EXPECT_EQ(Answer(), "");
}

TEST_F(CommandConsoleDialogTest, Picture) {
  Send("writeButton", "CONF:VOLT:DC 10");
  Send("queryButton", "*IDN?");
  dialog_.adjustSize();
  EXPECT_TRUE(dialog_.grab().save(VX_CONFIG_PICTURE_DIR "/command_console_dialog.png"));
}

TEST(CommandConsoleDialog, WithoutAMeterTheControlsAreOff) {
  SimulatedVisa visa({SimulatedVisa::OtherInstrument("GPIB0::3::INSTR", "ACME,SCOPE,1,1")});
  ScriptedPrompter prompter;
  CommandConsoleDialog dialog(nullptr, prompter);
  auto* meters = Child<QComboBox>(dialog, "meterBox");
  EXPECT_EQ(meters->currentText(), "No Device Connected");
  for (const char* name :
       {"meterBox", "sendField", "answerField", "queryButton", "writeButton", "readButton"}) {
    EXPECT_FALSE(Child<QWidget>(dialog, name)->isEnabled()) << name;
  }
  EXPECT_TRUE(Child<QPushButton>(dialog, "exitButton")->isEnabled());
  EXPECT_EQ(dialog.CurrentMeter(), -1);
}

}  // namespace
}  // namespace vx::config
