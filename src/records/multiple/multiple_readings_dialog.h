#pragma once
// The "Multiple Readings" window: takes a given number of readings (1 to 50000) from one
// meter as fast as it answers and appends them to a chosen record. A thin window over
// ReadingBurst.
//
// The front panel opens it after its connection guard, each time anew, with exec():
//
//   vx::records::MultipleReadingsDialog dialog(this, prompter);
//   dialog.exec();
//
// Construction is the window's opening: it opens its own resource managers and scans for
// meters ("L0" first, 20 s time-out), finds the record folder without entering it (a missing
// one is reported under "Doro2V Database folder check") and lists the ten record slots.
// Closing the window ends its meter sessions; closing it during a run stops the run first,
// keeping what was stored. Every message goes through `prompter`.

#include <QDialog>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/prompt.h"
#include "instrument/device_table.h"
#include "records/multiple/reading_burst.h"

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vx::records {

class MultipleReadingsDialog : public QDialog {
 public:
  // `clock` stamps the run and its readings; it must outlive the window.
  MultipleReadingsDialog(QWidget* parent, Prompter& prompter, const Clock& clock = RealClock());
  ~MultipleReadingsDialog() override;

  // Called after each stored reading of a run with the number taken so far (tests use it to
  // act at a chosen reading).
  void SetReadingObserver(std::function<void(long long)> observer);
  bool Running() const { return burst_.Running(); }

  void done(int result) override;

 private:
  void BuildWidgets();
  void Connect();
  void FillSlots();
  void ShowIdle();
  void Start();
  void Report(const BurstResult& result);

  Prompter& prompter_;
  instrument::DeviceTable table_;
  ReadingBurst burst_;
  QTimer commitTimer_;
  std::optional<std::string> folder_;
  // Set when the window was asked to close during a run: it closes when the run has ended.
  std::optional<int> closeAfterRun_;

  QComboBox* meters_ = nullptr;
  QComboBox* slots_ = nullptr;
  QLineEdit* count_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* exit_ = nullptr;
};

}  // namespace vx::records
