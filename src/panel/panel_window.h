#pragma once
// The front panel: a fixed-size dialog that lists the meters, reads them on a timer, shows
// each answer in its device row and as a scrolling trace, and switches the current meter's
// function. Logic lives in ReadingLoop and the function-line builder; this class wires the
// controls to them.

#include <QDialog>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/prompt.h"
#include "config/reading_mode.h"
#include "config/sensor_coefficients.h"
#include "instrument/device_table.h"
#include "panel/device_row.h"
#include "panel/reading_loop.h"
#include "panel/record_logger.h"
#include "panel/trace_geometry.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolBar;

namespace vx::panel {

class ShapedButton;
class TraceDisplay;

class PanelWindow : public QDialog {
  Q_OBJECT

 public:
  // The Twelve function buttons: caption and the configure command each sends.
  struct FunctionButtonSpec {
    const char* caption;
    const char* command;
  };
  static const std::array<FunctionButtonSpec, 12> kFunctionButtons;

  // `systemLocale` is the locale name the system reports ("en_US", "zh_TW", ...); `clock`
  // stamps the readings logged into record files.
  PanelWindow(Prompter& prompter, std::string systemLocale, const Clock& clock = RealClock(),
              QWidget* parent = nullptr);
  ~PanelWindow() override;

  // The opening sequence: settings file check, captions in the system's language, the meter
  // scan, and the display defaults.
  void Open();

  // --- Commands (menus, toolbar, buttons) ---
  void StartReading();
  void StopReading();
  void Refresh();
  void ShowAbout(bool fromHelpMenu);
  void PressFunctionButton(int index);
  void ChooseSpeed(int entry);
  void ChooseDots(int entry);
  void StepDivision(bool larger);
  void SelectRow(int row);
  void SetOffset();
  void MoveMarker(bool up);
  void MakeCurrent(int position);
  void ApplyCaptions(const std::string& language);
  // "Setting Device" (from the menu, or from the toolbar, which then makes the selected
  // meter current again) and "Command Control", each after the connection guard.
  void OpenDeviceSettings(bool fromToolbar);
  void OpenCommandConsole();
  // "View Record", "Chart Record" and "Multiple Readings" (the last after the guard).
  void OpenRecordViewer();
  void OpenRecordChart();
  void OpenMultipleReadings();
  // "Setting Scan", after the connection guard.
  void OpenScanner();
  // "Reading manager": the reading mode dialog, then the layout of the chosen mode.
  void OpenReadingManager();
  // Takes reading-mode settings (as the dialog leaves them) and lays the panel out for them.
  void ApplyReadingMode(const config::ReadingModeSettings& settings);
  const config::ReadingModeSettings& ReadingMode() const { return readingMode_; }
  // One tick of timer 1 (public so that tests and benchmarks can drive it).
  void Tick();

  // --- State for tests ---
  const ReadingLoop& Loop() const { return loop_; }
  const instrument::DeviceTable& Devices() const { return table_; }
  const DeviceRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
  const QTimer& Timer() const { return timer_; }
  const QTimer& CommitTimer() const { return commitTimer_; }
  QComboBox* DeviceList() const { return deviceList_; }
  QLabel* FunctionLine() const { return functionLine_; }
  QLabel* RangeLine() const { return rangeLine_; }
  QLabel* SpeedLine() const { return speedLine_; }
  QLineEdit* OffsetEdit() const { return offsetEdit_; }
  QLineEdit* DivisionText() const { return divisionText_; }
  TraceDisplay* Display() const { return display_; }
  QMenuBar* MenuBar() const { return menuBar_; }
  QAction* StartAction() const { return startAction_; }
  QAction* StopAction() const { return stopAction_; }
  QAction* DeviceSettingsAction() const { return deviceSettingsAction_; }
  QAction* RunStartItem() const { return runStartItem_; }
  QAction* RunStopItem() const { return runStopItem_; }
  QAction* ReadingManagerItem() const { return readingManagerItem_; }
  ShapedButton* FunctionButton(int index) const {
    return functionButtons_[static_cast<size_t>(index)];
  }
  ShapedButton* MarkerButton(bool up) const { return up ? markerUp_ : markerDown_; }
  std::array<unsigned char, 4>& AutoRange() { return autoRange_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  QWidget* BuildDisplayColumn();
  QWidget* BuildControlColumn();
  QWidget* BuildFunctionButtons();
  void ShapeButtons();

  bool PassesConnectionGuard();
  void DrawTraces();
  void CommitRecords();
  void ReportRecordFailure(const records::Status& status);
  // Stop reading without a message: the outcome of closing the record files.
  RecordLogger::CloseOutcome EndRun();
  void RefreshFunctionLine(int position);
  void SetMenusRunning(bool running);
  void SetReadingControlsEnabled(bool enabled);
  // The row whose division label shows the edited device's division: the selected row in
  // multi-device mode, row 1 (the current meter's) in single-device mode.
  int EditedRow() const;
  void ShowDivision();
  void ShowEditedEntry();
  void UpdateMarkers();
  void ApplyOffsetEntry(const OffsetEntry& entry);
  bool OffsetHasFocus() const;
  std::string Query(int device, std::string_view command);

  Prompter& prompter_;
  std::string systemLocale_;
  const Clock& clock_;
  instrument::DeviceTable table_;
  ReadingLoop loop_;
  QTimer timer_;
  QTimer commitTimer_;  // while logging: pending readings reach the record files
  config::ReadingModeSettings readingMode_;
  RecordLogger logger_;
  std::array<unsigned char, 4> autoRange_{};
  config::SensorCoefficients sensorCoefficients_;
  std::array<QColor, 4> traceColours_;
  std::array<std::vector<LogicalPoint>, 4> tracePoints_;

  QMenuBar* menuBar_ = nullptr;
  std::vector<QMenu*> menus_;
  QToolBar* toolbar_ = nullptr;
  QAction* startAction_ = nullptr;
  QAction* stopAction_ = nullptr;
  QAction* deviceSettingsAction_ = nullptr;
  QAction* settingDeviceItem_ = nullptr;
  QAction* readingManagerItem_ = nullptr;
  QAction* settingScanItem_ = nullptr;
  QAction* refreshItem_ = nullptr;
  QAction* viewRecordItem_ = nullptr;
  QAction* chartRecordItem_ = nullptr;
  QAction* multipleReadingsItem_ = nullptr;
  QAction* runStartItem_ = nullptr;
  QAction* runStopItem_ = nullptr;
  QAction* commandControlItem_ = nullptr;
  QAction* aboutItem_ = nullptr;
  // Tool tips of the toolbar, in the current language (keys "61" to "63").
  std::array<QString, 3> toolTips_;

  QComboBox* deviceList_ = nullptr;
  TraceDisplay* display_ = nullptr;
  ShapedButton* markerUp_ = nullptr;
  ShapedButton* markerDown_ = nullptr;
  QLabel* speedLine_ = nullptr;
  QLabel* dotsLine_ = nullptr;
  QLabel* functionLine_ = nullptr;
  QLabel* rangeLine_ = nullptr;
  std::array<ShapedButton*, 12> functionButtons_{};
  QLabel* divisionCaption_ = nullptr;
  QLabel* offsetCaption_ = nullptr;
  QLabel* speedCaption_ = nullptr;
  QLabel* dotsCaption_ = nullptr;
  QLineEdit* divisionText_ = nullptr;
  QLineEdit* offsetEdit_ = nullptr;
  QComboBox* speedList_ = nullptr;
  QComboBox* dotsList_ = nullptr;
  std::array<DeviceRow, 4> rows_;
};

}  // namespace vx::panel
