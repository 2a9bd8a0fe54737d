#include "config/command_console_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <mutex>

#include "answering_server.h"
#include "common/scripted_prompter.h"
#include "find_child.h"
#include "simulated_visa.h"
#include "user_input.h"

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
        answer_(Child<QPlainTextEdit>(dialog_, "answerField")) {
    test::ShowForInput(dialog_);
  }

  void Send(const char* button, const QString& text) {
    test::TypeInto(send_->lineEdit(), text);
    test::Click(Child<QPushButton>(dialog_, button));
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
  test::Click(Child<QPushButton>(dialog_, "queryButton"));
  EXPECT_EQ(Answer(), "TOLVEX,W9-90/1,TW1,Q7110 1.05");
  EXPECT_EQ(send_->count(), 1);

  test::ChooseWithMouse(Child<QComboBox>(dialog_, "meterBox"), "W9-90/1-GPIB-22");
  test::Click(Child<QPushButton>(dialog_, "queryButton"));
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
  test::ChooseWithMouse(send_, "func?");
  EXPECT_EQ(send_->currentText(), "func?");
  test::Click(Child<QPushButton>(dialog_, "queryButton"));
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

// The console as a user types into it, on a meter behind a socket that records every line it
// receives, byte for byte.
class ConsoleTypingTest : public ::testing::Test {
 protected:
  ConsoleTypingTest()
      : server_([this](const std::string& line) { return Answer(line); }),
        visa_({}, {{"USB0::0x1F3A::0x0C21::TW9::INSTR", server_.Descriptor()}}),
        dialog_(nullptr, prompter_),
        send_(Child<QComboBox>(dialog_, "sendField")) {
    test::ShowForInput(dialog_);
    const std::lock_guard lock(mutex_);
    received_.clear();  // the meter scan's own questions
  }

  std::string Answer(const std::string& line) {
    const std::lock_guard lock(mutex_);
    received_.push_back(line);
    if (line == "*IDN?" || line == "*idn?") return "TOLVEX,W9-90/1,TW9,Q7110 1.05\n";
    if (line.find('?') != std::string::npos) return "+0,\"No error\"\n";
    return "";
  }
  std::vector<std::string> Received() {
    const std::lock_guard lock(mutex_);
    return received_;
  }
  // Types `text` into the send field key by key.
  void Type(const QString& text) { test::TypeInto(send_->lineEdit(), text); }
  void Click(const char* button) { test::Click(Child<QPushButton>(dialog_, button)); }
  void PressEnter() { test::PressKey(send_->lineEdit(), Qt::Key_Return); }
  QStringList History() const {
    QStringList entries;
    for (int i = 0; i < send_->count(); ++i) entries << send_->itemText(i);
    return entries;
  }

  std::mutex mutex_;
  std::vector<std::string> received_;
  test::AnsweringServer server_;
  SimulatedVisa visa_;
  ScriptedPrompter prompter_;
  CommandConsoleDialog dialog_;
  QComboBox* send_;
};

TEST_F(ConsoleTypingTest, APrefixOfAnEarlierCommandIsSentAsTyped) {
  Type("CONF:VOLT:AC");
  Click("writeButton");
  Type("CONF:VOLT");
  EXPECT_EQ(send_->currentText(), "CONF:VOLT");
  Click("writeButton");
  Type("*IDN?;*OPC?");
  PressEnter();
  Type("*IDN?");
  PressEnter();
  EXPECT_EQ(Received(),
            (std::vector<std::string>{"CONF:VOLT:AC", "CONF:VOLT", "*IDN?;*OPC?", "*IDN?"}));
  EXPECT_EQ(History(), (QStringList{"*IDN?", "*IDN?;*OPC?", "CONF:VOLT", "CONF:VOLT:AC"}));
  EXPECT_EQ(send_->currentText(), "*IDN?");
}

TEST_F(ConsoleTypingTest, ACaseVariantOfAnEarlierCommandIsSentAsTyped) {
  Type("*IDN?");
  PressEnter();
  Type("*idn?");
  PressEnter();
  Type("syst:err?");
  Click("queryButton");
  Type("SYST:ERR?");
  Click("queryButton");
  EXPECT_EQ(Received(), (std::vector<std::string>{"*IDN?", "*idn?", "syst:err?", "SYST:ERR?"}));
  EXPECT_EQ(History(), (QStringList{"SYST:ERR?", "syst:err?", "*idn?", "*IDN?"}));
  EXPECT_EQ(Child<QPlainTextEdit>(dialog_, "answerField")->toPlainText(), "+0,\"No error\"");

  // An entry chosen from the history with the mouse is sent as it stands.
  test::ChooseWithMouse(send_, "*idn?");
  Click("queryButton");
  EXPECT_EQ(Received().back(), "*idn?");
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
