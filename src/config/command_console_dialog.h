#pragma once
// The "Command Control" dialog: pick a meter, type a SCPI line and send it as a query (write,
// then read the whole answer), as a write alone, or read whatever the meter has to say.
//
// The front panel creates it each time the user opens it and shows it with exec():
//
//   vx::config::CommandConsoleDialog console(this, prompter);
//   console.exec();
//
// Construction is the dialog's opening: it opens its own resource managers and scans for
// meters ("L0" before "*IDN?", room for five resources), and puts "*IDN?" into the send
// field. Closing it, by "Exit" or the window's close box, closes its sessions; destroying it
// closes its resource managers. The history of sent commands lives as long as the dialog.

#include <QDialog>

#include "common/prompt.h"
#include "config/console_exchange.h"
#include "instrument/device_table.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vx::config {

class CommandConsoleDialog : public QDialog {
 public:
  CommandConsoleDialog(QWidget* parent, Prompter& prompter);
  ~CommandConsoleDialog() override;

  // The selected meter's list position; -1 with none.
  int CurrentMeter() const { return currentMeter_; }

  // Closing ends the dialog's sessions.
  void done(int result) override;

 private:
  void BuildWidgets();
  void ScanMeters();
  ViSession CurrentSession() const;
  void Query();
  void Write();
  void Read();
  void Show(const std::optional<std::string>& answer);
  void ShowHistory();

  instrument::DeviceTable table_;
  ConsoleExchange exchange_;
  int currentMeter_ = -1;

  QComboBox* meterBox_ = nullptr;
  QLabel* sendLabel_ = nullptr;
  // The send field is the edit line of the history box, whose list holds the sent commands.
  QComboBox* sendField_ = nullptr;
  QPushButton* queryButton_ = nullptr;
  QPushButton* writeButton_ = nullptr;
  QPushButton* readButton_ = nullptr;
  QLabel* answerLabel_ = nullptr;
  QPlainTextEdit* answerField_ = nullptr;
  QPushButton* exitButton_ = nullptr;
};

}  // namespace vx::config
