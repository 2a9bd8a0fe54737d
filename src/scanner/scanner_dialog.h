#pragma once
// The "Setting Scan" window: picks a meter, reads how many channels its scanner card has and
// what each measures, lets the user give each channel a function (and a current channel its
// shunt), sets the run settings, runs the scan and shows its results, and exports them to
// the spreadsheet program. A thin window over ScanSetup and ScanRun.
//
// The front panel opens it after its connection guard, each time anew, with exec():
//
//   vx::scanner::ScannerDialog dialog(this, prompter, clock);
//   dialog.exec();
//
// Construction is the window's opening: it opens its own resource managers, scans for meters
// (30 s time-out) and reads the first meter's card. One timer drives the run at the interval
// the run asks for. Exit, or closing the window, ends everything, a run included; a pass the
// card has started is not cancelled. Every message goes through `prompter`.

#include <QDialog>
#include <QTimer>

#include <memory>

#include "common/clock.h"
#include "common/prompt.h"
#include "instrument/device_table.h"
#include "scanner/field_checks.h"
#include "scanner/results_table_model.h"
#include "scanner/scan_run.h"
#include "scanner/scan_setup.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimeEdit;

namespace vx::scanner {

class ScannerDialog : public QDialog {
 public:
  // `clock` gives the run its time and the date-time fields their defaults; it must outlive
  // the window.
  ScannerDialog(QWidget* parent, Prompter& prompter, const Clock& clock = RealClock());
  ~ScannerDialog() override;

  // One tick of the run's timer (public so that tests drive a run on a manual clock).
  void Tick();
  const ScanRun& Run() const { return *run_; }
  const ScanSetup& Setup() const { return setup_; }
  const QTimer& RunTimer() const { return runTimer_; }

  void done(int result) override;
  // The whole text of the status line (it may show it shortened).
  const QString& StatusText() const { return statusText_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildWidgets();
  QWidget* BuildChannelBox();
  QWidget* BuildRunBox();
  QWidget* BuildButtons();
  void Connect();
  void SetDefaults();

  void SelectMeter(int position);
  void ShowChannel(int k);
  void ChooseFunction(int index);
  void ShowShuntFields(bool shown);
  void ShuntEdited(ShuntField field);
  void TimerEdited();
  void ScanCountEdited();
  void CheckBoxToggled(bool perScanBox);
  void PushSettings();
  void StartRun();
  void Export();
  // Shows the run's state: enabled controls, progress, notes, results, the timer.
  void Refresh();
  void SetSettingControlsEnabled(bool enabled);
  void FitColumns();
  void SetStatus(const QString& text);
  void ShowStatus();

  Prompter& prompter_;
  const Clock& clock_;
  instrument::DeviceTable table_;
  ScanSetup setup_;
  int meter_ = 0;
  std::unique_ptr<ScanRun> run_;
  ResultsTableModel* model_ = nullptr;
  QTimer runTimer_;
  int noticesShown_ = 0;
  QString statusText_;

  QComboBox* meters_ = nullptr;
  QListWidget* channels_ = nullptr;
  QComboBox* functions_ = nullptr;
  QLabel* rLabel_ = nullptr;
  QLineEdit* rField_ = nullptr;
  QLabel* iLabel_ = nullptr;
  QLineEdit* iField_ = nullptr;
  QLabel* iUnit_ = nullptr;
  QLabel* formula_ = nullptr;
  QLineEdit* timer_ = nullptr;
  QLineEdit* scanCount_ = nullptr;
  QComboBox* mode_ = nullptr;
  QCheckBox* atTimeCheck_ = nullptr;
  QDateTimeEdit* atTime_ = nullptr;
  QCheckBox* perScanCheck_ = nullptr;
  QTimeEdit* interval_ = nullptr;
  QCheckBox* stopTimeCheck_ = nullptr;
  QDateTimeEdit* stopTime_ = nullptr;
  QCheckBox* stopAfterCheck_ = nullptr;
  QSpinBox* passes_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* exit_ = nullptr;
  QTableView* results_ = nullptr;
  QLabel* progress_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace vx::scanner
