#pragma once
// The "Setting Device" dialog: pick a meter and a function, choose its range (or sensor type
// with its coefficients) and its resolution, filter, aperture or unit, write them to the meter
// ("Submit") or read the meter's settings back ("Get Multimeter Setting").
//
// The front panel creates it each time the user opens it and shows it with exec():
//
//   vx::config::DeviceSettingsDialog dialog(this, prompter, autoRange, sensorCoefficients);
//   dialog.exec();
//
// Construction is the dialog's opening: it opens its own resource managers, scans for meters
// (without "L0"), selects the first meter found and reads its settings back. Closing it, by
// "Exit" or the window's close box, closes its sessions; destroying it closes its resource
// managers. Two things outlive the dialog and belong to the front panel, which hands them in
// by reference:
//   - autoRange: one flag per meter list position, 1 when the meter ranges automatically; the
//     dialog sets it whenever the meter confirms the function of a "Submit", the panel's
//     function buttons set it to 1;
//   - SensorCoefficients: the six coefficient fields, which keep their values from one
//     opening to the next (0 at program start).

#include <QDialog>

#include <array>
#include <optional>
#include <string>

#include "common/prompt.h"
#include "config/device_settings_controller.h"
#include "config/sensor_coefficients.h"
#include "instrument/device_table.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vx::config {

class DeviceSettingsDialog : public QDialog {
 public:
  DeviceSettingsDialog(QWidget* parent, Prompter& prompter, std::array<unsigned char, 4>& autoRange,
                       SensorCoefficients& coefficients);
  ~DeviceSettingsDialog() override;

  // The variant code of the selected meter: "7100", "7110", "7111", or "0" with none.
  std::string VariantCode() const;
  // The selected meter's list position; -1 with none.
  int CurrentMeter() const { return currentMeter_; }

  // Closing ends the dialog's sessions.
  void done(int result) override;

 private:
  void BuildWidgets();
  void ScanMeters();
  void DisableSettings();
  void SelectMeter(int position);
  std::optional<MeasureFunction> FunctionAtRow(int row) const;
  void ShowFunction(MeasureFunction f);
  void ShowCoefficientFields();
  void SetCoefficient(size_t field, std::optional<double> value);
  void Submit();
  void ReadBack();

  Prompter& prompter_;
  std::array<unsigned char, 4>& autoRange_;
  SensorCoefficients& coefficients_;
  instrument::DeviceTable table_;
  std::optional<DeviceSettingsController> controller_;
  int currentMeter_ = -1;
  // The function whose range and second lists the two boxes hold.
  std::optional<MeasureFunction> shownFunction_;

  QLabel* deviceLabel_ = nullptr;
  QComboBox* meterList_ = nullptr;
  QGroupBox* settingGroup_ = nullptr;
  QLabel* functionLabel_ = nullptr;
  QListWidget* functionList_ = nullptr;
  QLabel* rangeLabel_ = nullptr;
  QComboBox* rangeBox_ = nullptr;
  QLabel* secondLabel_ = nullptr;
  QComboBox* secondBox_ = nullptr;
  std::array<QLabel*, kCoefficientFieldCount> coefficientLabels_{};
  std::array<QLineEdit*, kCoefficientFieldCount> coefficientFields_{};
  QPushButton* submitButton_ = nullptr;
  QPushButton* readBackButton_ = nullptr;
  QPushButton* exitButton_ = nullptr;
};

}  // namespace vx::config
