#include "panel/panel_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "common/c_number.h"
#include "common/captions.h"
#include "common/qt_caption.h"
#include "common/wait_cursor.h"
#include "config/command_console_dialog.h"
#include "config/device_settings_dialog.h"
#include "config/reading_mode_dialog.h"
#include "instrument/connection_guard.h"
#include "instrument/display_name.h"
#include "panel/about_dialog.h"
#include "panel/function_line.h"
#include "panel/program_icon.h"
#include "panel/trace_display.h"
#include "panel/widgets/shaped_button.h"
#include "records/chart/record_chart_dialog.h"
#include "records/multiple/multiple_readings_dialog.h"
#include "records/viewer/record_viewer_dialog.h"
#include "scanner/scanner_dialog.h"

namespace vx::panel {
namespace {

// English captions of the menus and their items by position; nullptr marks a separator,
// which gets no key but is counted.
const std::array<const char*, 5> kMenuTitles{"Setting", "Record", "Operation", "Tool", "Help"};
const std::array<std::vector<const char*>, 5> kMenuItems{{
    {"Setting Device", "Reading manager", "Setting Scan", nullptr, "Refresh"},
    {"View Record", "Chart Record"},
    {"Multiple Readings", "Run Start", "Run Stop"},
    {"Command Control"},
    {"About"},
}};

constexpr const char* kMissingSettingsFile =
    "You lost the important file: VX_TOOL.ini , Please reinstall.\n the application. "
    "Otherwise, the application can't support other \nlanguages except English.";

std::string Utf8(const QString& text) {
  return text.toStdString();
}

// The text of a division step, as the division field and the row labels show it.
QString StepText(int divisionIndex) {
  const std::string_view text = DivisionTable[static_cast<size_t>(divisionIndex)].text;
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const std::array<QColor, 4> kDefaultTraceColours{QColor(0, 0, 255), QColor(0, 255, 0),
                                                 QColor(255, 0, 0), QColor(0, 0, 0)};

}  // namespace

PanelWindow::PanelWindow(Prompter& prompter, std::string systemLocale, const Clock& clock,
                         QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      systemLocale_(std::move(systemLocale)),
      clock_(clock),
      logger_(clock) {
  setWindowTitle("K9-90/1_AP");
  setWindowIcon(ProgramIcon());
  traceColours_ = kDefaultTraceColours;
  BuildMenus();
  BuildToolbar();
  auto* body = new QHBoxLayout;
  body->addWidget(BuildDisplayColumn(), 0, Qt::AlignTop);
  body->addSpacing(8);
  body->addWidget(BuildControlColumn(), 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar_);
  layout->addWidget(toolbar_);
  layout->addLayout(body);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &PanelWindow::Tick);
  commitTimer_.setInterval(static_cast<int>(records::AppendSession::kCheckInterval.count()));
  connect(&commitTimer_, &QTimer::timeout, this, &PanelWindow::CommitRecords);
  for (int k = 0; k < 4; ++k) {
    rows_[static_cast<size_t>(k)].lamp->SetColour(traceColours_[static_cast<size_t>(k)]);
    rows_[static_cast<size_t>(k)].legend->SetColour(traceColours_[static_cast<size_t>(k)]);
  }
  connect(settingDeviceItem_, &QAction::triggered, this, [this] { OpenDeviceSettings(false); });
  connect(deviceSettingsAction_, &QAction::triggered, this, [this] { OpenDeviceSettings(true); });
  connect(commandControlItem_, &QAction::triggered, this, &PanelWindow::OpenCommandConsole);
  connect(readingManagerItem_, &QAction::triggered, this, &PanelWindow::OpenReadingManager);
  connect(viewRecordItem_, &QAction::triggered, this, &PanelWindow::OpenRecordViewer);
  connect(chartRecordItem_, &QAction::triggered, this, &PanelWindow::OpenRecordChart);
  connect(multipleReadingsItem_, &QAction::triggered, this, &PanelWindow::OpenMultipleReadings);
  connect(settingScanItem_, &QAction::triggered, this, &PanelWindow::OpenScanner);
  // Enter belongs to the offset field: no push button of the panel takes it as a click (a
  // dialog's buttons otherwise all do, the focused one first). Space still presses the
  // focused button.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
}

PanelWindow::~PanelWindow() {
  timer_.stop();
  commitTimer_.stop();
  logger_.CloseAll();
}

void PanelWindow::Open() {
  if (!SettingsFileExists()) prompter_.Message(kMissingSettingsFile, "Error", MessageIcon::Stop);
  stopAction_->setEnabled(false);
  ShapeButtons();
  runStopItem_->setEnabled(false);
  ApplyCaptions(LanguageForLocale(systemLocale_));

  speedList_->setCurrentIndex(0);
  speedLine_->setText(QString("ReadSpeed : %1ms").arg(kReadingSpeeds[0]));

  Refresh();

  for (int k = 0; k < 4; ++k) loop_.ResetRow(k);
  rows_[0].division->setText("1");
  divisionText_->setText("1");
  offsetEdit_->setText("0");
  dotsList_->setCurrentIndex(1);
  ChooseDots(1);
  loop_.ClearHistories();
  UpdateMarkers();
  DrawTraces();
}

void PanelWindow::ApplyCaptions(const std::string& language) {
  CurrentLanguage = language;
  for (size_t p = 0; p < menus_.size(); ++p) {
    menus_[p]->setTitle(QCaption(std::to_string(p) + "0", kMenuTitles[p]));
    const QList<QAction*> actions = menus_[p]->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
      if (actions[i]->isSeparator() || static_cast<size_t>(i) >= kMenuItems[p].size()) continue;
      actions[i]->setText(QCaption(std::to_string(p) + std::to_string(i + 1),
                                   kMenuItems[p][static_cast<size_t>(i)]));
    }
  }
  divisionCaption_->setText(QCaption("51", "Division"));
  offsetCaption_->setText(QCaption("52", "Offset"));
  speedCaption_->setText(QCaption("53", "Reading Speed"));
  dotsCaption_->setText(QCaption("54", "Dots"));
  toolTips_ = {QCaption("61", "START"), QCaption("62", "STOP"), QCaption("63", "Set Device")};
  startAction_->setToolTip(toolTips_[0]);
  stopAction_->setToolTip(toolTips_[1]);
  deviceSettingsAction_->setToolTip(toolTips_[2]);
}

void PanelWindow::Refresh() {
  std::vector<std::string> names;
  {
    WaitCursor wait;
    names = table_.ScanMeters(instrument::kPanelScan);
  }

  deviceList_->clear();
  deviceList_->setPlaceholderText(QString());
  loop_.SetListedMeters(static_cast<int>(names.size()));
  for (DeviceRow& row : rows_) row.reading->setText("0");
  if (names.size() > 1) {
    // A refresh that finds several meters goes back to single-device mode; the mode handed to
    // the reading mode dialog follows, so that only the dialog chooses multi-device again.
    loop_.SetMultiDevice(false);
    readingMode_.multiDevice = 0;
    loop_.SelectRow(0);
    rows_[0].radio->setChecked(true);
    divisionText_->setText(StepText(loop_.DivisionIndex(0)));
    offsetEdit_->setText(QString::fromStdString(loop_.OffsetTextOf(0)));
  }
  for (size_t k = 1; k < rows_.size(); ++k) rows_[k].SetVisible(false);
  if (names.empty()) {
    deviceList_->addItem(QCaption("1000", "No Device Connected"));
    deviceList_->setEnabled(false);
    deviceList_->setToolTip(QString());
    rows_[0].SetVisible(false);
    loop_.SetCurrentDevice(kNoDevice);
  } else {
    for (const std::string& name : names) deviceList_->addItem(QString::fromStdString(name));
    deviceList_->setEnabled(true);
    deviceList_->setCurrentIndex(0);
    rows_[0].SetVisible(true);
    MakeCurrent(0);
  }
  UpdateMarkers();
}

void PanelWindow::MakeCurrent(int position) {
  if (position < 0 || position >= table_.MeterCount()) return;
  if (deviceList_->currentIndex() != position) deviceList_->setCurrentIndex(position);
  loop_.SetCurrentDevice(position);
  RefreshFunctionLine(position);
  deviceList_->setToolTip(QString::fromStdString(table_.MeterIdentity(position)));
  // In single-device mode row 1 shows the current meter, and the trace controls edit its
  // entry. In multi-device mode each row keeps its own meter: the current one is only the
  // meter the function buttons set up.
  if (!loop_.MultiDevice()) {
    rows_[0].name->setText(QString::fromStdString(instrument::MakeDisplayName(
        table_.MeterResource(position), table_.MeterIdentity(position))));
    ShowEditedEntry();
    UpdateMarkers();
  }
}

void PanelWindow::RefreshFunctionLine(int position) {
  const auto lines = BuildFunctionLines(
      [this, position](std::string_view command) { return Query(position, command); },
      table_.MeterIdentity(position),
      position >= 0 && position < 4 && autoRange_[static_cast<size_t>(position)] == 1);
  if (!lines) return;
  functionLine_->setText(QString::fromStdString(lines->function));
  rangeLine_->setText(QString::fromStdString(lines->range));
}

std::string PanelWindow::Query(int device, std::string_view command) {
  return table_.SendQuery(device, command);
}

void PanelWindow::SetReadingControlsEnabled(bool enabled) {
  for (ShapedButton* button : functionButtons_) button->setEnabled(enabled);
  deviceList_->setEnabled(enabled && table_.MeterCount() > 0);
}

void PanelWindow::SetMenusRunning(bool running) {
  startAction_->setEnabled(!running);
  stopAction_->setEnabled(running);
  deviceSettingsAction_->setEnabled(!running);
  runStopItem_->setEnabled(running);
  for (QAction* item :
       {runStartItem_, refreshItem_, settingDeviceItem_, readingManagerItem_, settingScanItem_,
        viewRecordItem_, chartRecordItem_, multipleReadingsItem_, commandControlItem_}) {
    item->setEnabled(!running);
  }
}

bool PanelWindow::PassesConnectionGuard() {
  return instrument::CheckConnection(
             table_, prompter_,
             Caption("1031", "Connection status has changed.Please select \"Refresh\".")) > 0;
}

void PanelWindow::OpenDeviceSettings(bool fromToolbar) {
  if (!PassesConnectionGuard()) return;
  {
    config::DeviceSettingsDialog dialog(this, prompter_, autoRange_, sensorCoefficients_);
    dialog.exec();
  }
  // The dialog may have changed the meter's function or range: the lines follow.
  if (fromToolbar) {
    MakeCurrent(deviceList_->currentIndex());
  } else if (loop_.CurrentDevice() != kNoDevice) {
    RefreshFunctionLine(loop_.CurrentDevice());
  }
}

void PanelWindow::OpenRecordViewer() {
  records::RecordViewerDialog viewer(this, prompter_);
  viewer.exec();
}

void PanelWindow::OpenRecordChart() {
  records::RecordChartDialog chart(this, prompter_);
  chart.exec();
}

void PanelWindow::OpenMultipleReadings() {
  if (!PassesConnectionGuard()) return;
  records::MultipleReadingsDialog readings(this, prompter_, clock_);
  readings.exec();
}

void PanelWindow::OpenScanner() {
  if (!PassesConnectionGuard()) return;
  scanner::ScannerDialog scanner(this, prompter_, clock_);
  scanner.exec();
}

void PanelWindow::OpenCommandConsole() {
  if (!PassesConnectionGuard()) return;
  config::CommandConsoleDialog console(this, prompter_);
  console.exec();
}

void PanelWindow::StartReading() {
  SetReadingControlsEnabled(false);
  if (!PassesConnectionGuard()) {
    SetReadingControlsEnabled(true);
    return;
  }
  loop_.ClearHistories();
  if (!loop_.MultiDevice() && loop_.CurrentDevice() == kNoDevice) {
    prompter_.Message(Caption("1002", "Select Device"), "", MessageIcon::Exclamation);
    SetReadingControlsEnabled(true);
    return;
  }
  SetMenusRunning(true);
  loop_.SetRunning(true);
  if (table_.MeterCount() == 0) {
    prompter_.Message(Caption("1000", "No Device Connected"), "", MessageIcon::Exclamation);
    return;
  }
  const RecordLogger::OpenOutcome opened = logger_.Open(readingMode_, loop_.ReadCount());
  for (const RecordLogger::Problem& problem : opened.problems) {
    prompter_.Message(problem.text, problem.title,
                      problem.title == "Error" ? MessageIcon::Stop : MessageIcon::None);
  }
  if (opened.failed) {
    StopReading();
    return;
  }
  for (int i = 0; i < loop_.ReadCount(); ++i) {
    loop_.StoreStartFunction(i, Query(loop_.ReadDevice(i), "func?\n"));
  }
  if (!opened.continueNotice.empty() &&
      prompter_.Message(ContinueQuestion(opened.continueNotice), "", MessageIcon::None,
                        MessageButtons::YesNo) != MessageAnswer::Yes) {
    StopReading();
    return;
  }
  loop_.BeginRun();
  DrawTraces();
  timer_.start(loop_.TimerPeriod());
  if (logger_.AnyOpen()) commitTimer_.start();
}

void PanelWindow::StopReading() {
  const RecordLogger::CloseOutcome closed = EndRun();
  if (!closed.status.Ok()) prompter_.Message(closed.status.message, "Error", MessageIcon::Stop);
}

RecordLogger::CloseOutcome PanelWindow::EndRun() {
  if (!loop_.MultiDevice()) deviceList_->setEnabled(table_.MeterCount() > 0);
  SetMenusRunning(false);
  timer_.stop();
  commitTimer_.stop();
  loop_.SetRunning(false);
  RecordLogger::CloseOutcome closed = logger_.CloseAll();
  DrawTraces();
  SetReadingControlsEnabled(true);
  return closed;
}

void PanelWindow::CommitRecords() {
  const records::Status status = logger_.CommitIfDue();
  if (!status.Ok()) ReportRecordFailure(status);
}

// An error of the record files ends the run; what was saved before stays in the files. One
// message tells both the failure and what closing the records could not save.
void PanelWindow::ReportRecordFailure(const records::Status& status) {
  const RecordLogger::CloseOutcome closed = EndRun();
  std::string text = "Saving the readings stopped: " + status.message;
  text += closed.unsaved > 0 ? FormatC(" %zu readings were not saved.", closed.unsaved)
                             : std::string(" The readings held until then were saved.");
  prompter_.Message(text, "Error", MessageIcon::Stop);
}

void PanelWindow::Tick() {
  records::Status logged;
  const ReadingLoop::TickOutcome outcome =
      loop_.Tick([this](int device, std::string_view command) { return Query(device, command); },
                 [this, &logged](int slot, double value) {
                   if (logged.Ok()) logged = logger_.Append(slot, value);
                 });
  for (size_t row = 0; row < outcome.labels.size(); ++row) {
    if (outcome.labels[row])
      rows_[row].reading->setText(QString::fromStdString(*outcome.labels[row]));
  }
  if (outcome.connectionLost) {
    StopReading();
    prompter_.Message(Caption("1001", "Check Device Connection"), "ERROR", MessageIcon::Stop);
    return;
  }
  if (!logged.Ok()) {
    ReportRecordFailure(logged);
    return;
  }
  if (outcome.redraw) DrawTraces();
}

void PanelWindow::DrawTraces() {
  std::vector<TraceDisplay::Trace> traces;
  for (int i = 0; i < loop_.ReadCount(); ++i) {
    const int device = loop_.ReadDevice(i);
    if (device < 0 || device >= ReadingLoop::kDevices) continue;
    // A device that never got a sample is skipped (zero readings are kept as 1E-25).
    if (loop_.History().Newest(device) == 0.0) continue;
    auto& points = tracePoints_[static_cast<size_t>(device)];
    TracePolyline(loop_.History(), device, loop_.Dots(), loop_.Offset(device), loop_.Factor(device),
                  points);
    const QColor colour =
        loop_.MultiDevice() ? traceColours_[static_cast<size_t>(device)] : traceColours_[0];
    traces.push_back(TraceDisplay::Trace{&points, colour});
  }
  display_->Draw(traces, loop_.Dots());
}

void PanelWindow::PressFunctionButton(int index) {
  const int current = loop_.CurrentDevice();
  if (current >= 0 && current < 4) autoRange_[static_cast<size_t>(current)] = 1;
  if (!loop_.MultiDevice() && current == kNoDevice) {
    prompter_.Message(Caption("1003", "Select Device First"), "", MessageIcon::Exclamation);
    return;
  }
  rows_[0].reading->setText("0");
  const std::string command =
      std::string(kFunctionButtons[static_cast<size_t>(index)].command) + "\n";
  Query(current, command);
  loop_.SetDeviceFunction(current, command);
  RefreshFunctionLine(current);
}

void PanelWindow::ChooseSpeed(int entry) {
  if (entry < 0 || entry >= static_cast<int>(kReadingSpeeds.size())) return;
  const int speed = kReadingSpeeds[static_cast<size_t>(entry)];
  loop_.ChooseSpeed(speed);
  speedLine_->setText(QString("ReadSpeed : %1ms").arg(speed));
  if (loop_.Running()) timer_.start(loop_.TimerPeriod());
}

void PanelWindow::ChooseDots(int entry) {
  if (entry < 0 || entry >= static_cast<int>(kDotChoices.size())) return;
  loop_.SetDots(kDotChoices[static_cast<size_t>(entry)]);
  dotsLine_->setText(QString::number(loop_.Dots()));
  DrawTraces();
}

int PanelWindow::EditedRow() const {
  return loop_.MultiDevice() ? loop_.SelectedRow() : 0;
}

void PanelWindow::ShowDivision() {
  const QString step = StepText(loop_.DivisionIndex(loop_.EditedDevice()));
  divisionText_->setText(step);
  rows_[static_cast<size_t>(EditedRow())].division->setText(step);
}

void PanelWindow::ShowEditedEntry() {
  ShowDivision();
  offsetEdit_->setText(QString::fromStdString(loop_.OffsetTextOf(loop_.EditedDevice())));
}

void PanelWindow::StepDivision(bool larger) {
  if (!loop_.StepDivision(larger, Utf8(offsetEdit_->text()))) return;
  ShowDivision();
  DrawTraces();
}

void PanelWindow::SelectRow(int row) {
  if (row < 0 || row >= ReadingLoop::kDevices) return;
  loop_.SelectRow(row);
  rows_[static_cast<size_t>(row)].radio->setChecked(true);
  const int device = loop_.EditedDevice();
  divisionText_->setText(StepText(loop_.DivisionIndex(device)));
  offsetEdit_->setText(QString::fromStdString(loop_.OffsetTextOf(device)));
}

void PanelWindow::ApplyOffsetEntry(const OffsetEntry& entry) {
  if (entry.errorTitle) {
    prompter_.Message(std::string(kOffsetErrorMessage), *entry.errorTitle,
                      MessageIcon::Exclamation);
  }
  if (entry.number) {
    offsetEdit_->setText(QString::fromStdString(FormatOffset(*entry.number)));
  } else {
    offsetEdit_->setText(QString::fromStdString(loop_.OffsetTextOf(loop_.EditedDevice())));
  }
  DrawTraces();
}

void PanelWindow::SetOffset() {
  ApplyOffsetEntry(loop_.ApplyOffsetText(Utf8(offsetEdit_->text())));
}

void PanelWindow::MoveMarker(bool up) {
  if (!loop_.MoveMarker(up, Utf8(offsetEdit_->text()))) return;
  UpdateMarkers();
  DrawTraces();
}

void PanelWindow::UpdateMarkers() {
  for (int k = 0; k < ReadingLoop::kDevices; ++k) {
    const DeviceRow& row = rows_[static_cast<size_t>(k)];
    TraceDisplay::Marker marker;
    marker.visible = !row.name->isHidden();
    marker.colour = traceColours_[static_cast<size_t>(k)];
    // Row 1 shows the current meter's trace in single-device mode.
    marker.position = loop_.MarkerPosition(k == EditedRow() ? loop_.EditedDevice() : k);
    display_->SetMarker(k, marker);
  }
}

bool PanelWindow::OffsetHasFocus() const {
  return offsetEdit_->hasFocus();
}

void PanelWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // Enter applies the offset as typed; anywhere else it does nothing, and it never closes
    // the panel.
    if (OffsetHasFocus()) {
      const auto number = loop_.ApplyOffsetDirectly(Utf8(offsetEdit_->text()));
      OffsetEntry entry;
      entry.number = number;
      ApplyOffsetEntry(entry);
    }
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PanelWindow::ShowAbout(bool fromHelpMenu) {
  AboutDialog about(systemLocale_, this);
  about.exec();
  if (!fromHelpMenu) return;
  ApplyCaptions(CurrentLanguage);
  menuBar_->update();
  if (table_.MeterCount() == 0) Refresh();
}

}  // namespace vx::panel

namespace vx::panel {

void PanelWindow::OpenReadingManager() {
  if (!PassesConnectionGuard()) return;
  {
    config::ReadingModeDialog dialog(this, prompter_, readingMode_);
    dialog.exec();
  }
  ApplyReadingMode(readingMode_);
}

void PanelWindow::ApplyReadingMode(const config::ReadingModeSettings& settings) {
  readingMode_ = settings;
  const int remembered = deviceList_->currentIndex();
  for (size_t k = 0; k < traceColours_.size(); ++k) {
    const Rgb& c = settings.traceColour[k];
    traceColours_[k] = QColor(c.red, c.green, c.blue);
    rows_[k].lamp->SetColour(traceColours_[k]);
    rows_[k].legend->SetColour(traceColours_[k]);
  }
  loop_.SetMultiDevice(settings.multiDevice == 1);
  for (size_t k = 1; k < rows_.size(); ++k) rows_[k].SetVisible(false);

  const int count = table_.MeterCount();
  if (count == 0) {
    deviceList_->setCurrentIndex(-1);
    deviceList_->setPlaceholderText(QString::fromUtf8("----無任何儀器連線----"));
    loop_.SetCurrentDevice(kNoDevice);
    UpdateMarkers();
    return;
  }
  if (loop_.MultiDevice()) {
    if (count > 1) {
      loop_.SetListedMeters(count);
      for (int i = 0; i < count; ++i) {
        DeviceRow& row = rows_[static_cast<size_t>(i)];
        row.SetVisible(true);
        row.name->setText(QString::fromStdString(
            instrument::MakeDisplayName(table_.MeterResource(i), table_.MeterIdentity(i))));
        row.division->setText(StepText(loop_.DivisionIndex(i)));
      }
    }
    deviceList_->setCurrentIndex(-1);
    deviceList_->setPlaceholderText("MultiDevice mode");
  } else {
    // The radio selection follows the meter; making it current shows its own division and
    // offset in the trace controls.
    const int position = remembered >= 0 ? remembered : 0;
    deviceList_->setCurrentIndex(position);
    SelectRow(position);
    MakeCurrent(position);
  }
  if (remembered >= 0 && loop_.ReadCount() > 0) RefreshFunctionLine(remembered);
  deviceList_->setEnabled(true);
  UpdateMarkers();
  DrawTraces();
}

}  // namespace vx::panel
