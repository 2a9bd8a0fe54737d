#pragma once
// The "Setting Mode" dialog: single-device or multi-device reading, and per meter whether its
// readings are logged, into which record, and the colour of its trace.
//
// The front panel creates it each time the user opens it and shows it with exec():
//
//   vx::config::ReadingModeDialog dialog(this, prompter, readingMode);
//   if (dialog.exec() == QDialog::Accepted) { /* apply readingMode */ }
//
// Construction is the dialog's opening: it opens its own resource managers, scans for meters
// ("L0" first, 20 s time-out) and keeps their number, and fills the record boxes from the
// record folder (which it enters; a missing folder is reported under "Database check").
// `settings` is changed only when the dialog ends with OK; closing it any other way (Esc,
// the close box) leaves it as it was. Either way closing ends the dialog's meter sessions;
// destroying it closes its resource managers. Every message and the colour chooser go
// through `prompter`.

#include <QDialog>

#include <array>
#include <optional>

#include "common/prompt.h"
#include "config/reading_mode.h"
#include "instrument/device_table.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vx::config {

class ReadingModeDialog : public QDialog {
 public:
  ReadingModeDialog(QWidget* parent, Prompter& prompter, ReadingModeSettings& settings);
  ~ReadingModeDialog() override;

  // The working state, for the panel's tests and for inspection.
  const ReadingModeEditor& Editor() const { return *editor_; }

  // Closing ends the dialog's sessions.
  void done(int result) override;

 private:
  void BuildWidgets();
  QWidget* BuildSinglePanel();
  QGroupBox* BuildMultiGroup();
  void Connect();
  void Refresh();
  void ShowMeterName();
  void Step(bool next);
  void Ok();

  Prompter& prompter_;
  ReadingModeSettings& settings_;
  instrument::DeviceTable table_;
  std::optional<ReadingModeEditor> editor_;

  QRadioButton* singleRadio_ = nullptr;
  QRadioButton* multiRadio_ = nullptr;
  QWidget* singlePanel_ = nullptr;
  QCheckBox* singleSave_ = nullptr;
  QComboBox* singleRecord_ = nullptr;
  QWidget* singleSwatch_ = nullptr;
  QPushButton* singleColour_ = nullptr;
  QGroupBox* multiGroup_ = nullptr;
  QPushButton* previous_ = nullptr;
  QLabel* meterName_ = nullptr;
  QPushButton* next_ = nullptr;
  QWidget* multiSwatch_ = nullptr;
  QPushButton* multiColour_ = nullptr;
  QCheckBox* multiSave_ = nullptr;
  QComboBox* multiRecord_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace vx::config
