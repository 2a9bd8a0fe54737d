#include "scanner/scanner_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>

#include "common/c_number.h"
#include "common/wait_cursor.h"
#include "scanner/scan_export.h"
#include "scanner/scanner_query.h"

namespace vx::scanner {
namespace {

QDateTime ToQt(const LocalDateTime& time) {
  return QDateTime(QDate(time.year, time.month, time.day),
                   QTime(time.hour, time.minute, time.second));
}

LocalDateTime FromQt(const QDateTime& time) {
  const QDate date = time.date();
  const QTime clock = time.time();
  return LocalDateTime{date.year(),  date.month(),   date.day(),
                       clock.hour(), clock.minute(), clock.second()};
}

std::string Utf8(const QString& text) {
  return text.toStdString();
}

// Twips (1440 to the inch) as pixels at the widget's logical resolution.
int Pixels(int twips, const QWidget& widget) {
  return (twips * widget.logicalDpiX() + 720) / 1440;
}

}  // namespace

ScannerDialog::ScannerDialog(QWidget* parent, Prompter& prompter, const Clock& clock)
    : QDialog(parent), prompter_(prompter), clock_(clock) {
  run_ = std::make_unique<ScanRun>(
      setup_, [this](std::string_view command) { return ScannerAnswer(table_, meter_, command); },
      clock_, prompter_, [this] { return MeterGoneText(table_, meter_); });
  {
    WaitCursor wait;
    table_.ScanMeters(instrument::kScannerScan);
  }
  BuildWidgets();
  SetDefaults();
  Connect();
  SelectMeter(0);
  scanCount_->setText(QString::number(setup_.Channels()));
  PushSettings();
  Refresh();
}

ScannerDialog::~ScannerDialog() = default;

void ScannerDialog::SetDefaults() {
  const QDateTime now = ToQt(clock_.LocalNow());
  atTime_->setDateTime(now);
  stopTime_->setDateTime(now);
  interval_->setTime(QTime(0, 0, 10));
  timer_->setText("0.5");
  passes_->setValue(1);
  mode_->setCurrentIndex(0);
  ShowShuntFields(false);
}

void ScannerDialog::Connect() {
  connect(meters_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) SelectMeter(index);
  });
  connect(channels_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) ShowChannel(row);
  });
  connect(functions_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) ChooseFunction(index);
  });
  connect(rField_, &QLineEdit::textChanged, this, [this] { ShuntEdited(ShuntField::R); });
  connect(iField_, &QLineEdit::textChanged, this, [this] { ShuntEdited(ShuntField::I); });
  connect(timer_, &QLineEdit::textChanged, this, [this] { TimerEdited(); });
  connect(scanCount_, &QLineEdit::textChanged, this, [this] { ScanCountEdited(); });
  connect(perScanCheck_, &QCheckBox::toggled, this, [this] { CheckBoxToggled(true); });
  connect(stopAfterCheck_, &QCheckBox::toggled, this, [this] { CheckBoxToggled(false); });
  for (QCheckBox* box : {atTimeCheck_, stopTimeCheck_})
    connect(box, &QCheckBox::toggled, this, [this] { PushSettings(); });
  for (QDateTimeEdit* edit :
       {static_cast<QDateTimeEdit*>(atTime_), stopTime_, static_cast<QDateTimeEdit*>(interval_)})
    connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this] { PushSettings(); });
  connect(mode_, &QComboBox::currentIndexChanged, this, [this] { PushSettings(); });
  connect(passes_, &QSpinBox::valueChanged, this, [this] { PushSettings(); });
  connect(start_, &QPushButton::clicked, this, [this] { StartRun(); });
  connect(export_, &QPushButton::clicked, this, [this] { Export(); });
  connect(exit_, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
  runTimer_.setSingleShot(true);
  runTimer_.setTimerType(Qt::PreciseTimer);
  connect(&runTimer_, &QTimer::timeout, this, [this] { Tick(); });
}

void ScannerDialog::SelectMeter(int position) {
  meter_ = position;
  const bool card = table_.MeterCount() > 0 && [&] {
    WaitCursor wait;
    return setup_.ReadCard(
        [this](std::string_view command) { return ScannerAnswer(table_, meter_, command); });
  }();
  const QSignalBlocker blocker(channels_);
  channels_->clear();
  for (int k = 1; k <= setup_.Channels(); ++k) channels_->addItem(QString("CH%1").arg(k));
  if (card) {
    channels_->setCurrentRow(0);
    ShowChannel(0);
  } else {
    ShowShuntFields(false);
  }
  Refresh();
}

void ScannerDialog::ShowChannel(int k) {
  setup_.Show(k);
  const QSignalBlocker blocker(functions_);
  if (setup_.FunctionChoices(k) == kFunctionCount && functions_->count() == kFunctionCount - 1) {
    functions_->addItem("4W");
  } else if (setup_.FunctionChoices(k) < kFunctionCount && functions_->count() == kFunctionCount) {
    functions_->removeItem(kFunctionCount - 1);
  }
  const ScanFunction function = setup_.ShownChannel().function;
  functions_->setCurrentIndex(IndexOf(function));
  functions_->setEnabled(setup_.HasCard() && !run_->Busy() && setup_.FunctionEditable(k));
  ShowShuntFields(IsCurrent(function));
}

void ScannerDialog::ChooseFunction(int index) {
  if (!setup_.SetFunction(FunctionAt(index))) return;
  ShowShuntFields(IsCurrent(FunctionAt(index)));
}

void ScannerDialog::ShowShuntFields(bool shown) {
  const QSignalBlocker blockR(rField_);
  const QSignalBlocker blockI(iField_);
  if (shown && setup_.HasCard()) {
    rField_->setText(QString::fromStdString(ShuntFieldText(setup_.ShownChannel().r)));
    iField_->setText(QString::fromStdString(ShuntFieldText(setup_.ShownChannel().offset)));
  } else {
    shown = false;
    rField_->setText("0");
    iField_->setText("0");
  }
  for (QWidget* part :
       std::initializer_list<QWidget*>{rLabel_, rField_, iLabel_, iField_, iUnit_, formula_})
    part->setVisible(shown);
}

void ScannerDialog::ShuntEdited(ShuntField field) {
  QLineEdit* edit = field == ShuntField::R ? rField_ : iField_;
  std::string text = Utf8(edit->text());
  const ShuntFieldCheck check = CheckShuntField(text, field);
  if (!check.ok) {
    prompter_.Message(check.message, check.title, MessageIcon::None);
    const QSignalBlocker blocker(edit);
    edit->setText(QString::fromStdString(check.replacement));
    text = check.replacement;
  }
  if (field == ShuntField::R) {
    setup_.SetR(LeadingNumber(text));
  } else {
    setup_.SetOffset(LeadingNumber(text));
  }
}

void ScannerDialog::TimerEdited() {
  const std::string text = Utf8(timer_->text());
  if (!text.empty() && TimerTextFinished(text)) {
    const std::optional<double> value = LeadingDecimal(text);
    if (!value || *value < kTimerMin || *value > kTimerMax) {
      prompter_.Message(kTimerRangeMessage, "", MessageIcon::Exclamation);
    }
  }
  PushSettings();
}

void ScannerDialog::ScanCountEdited() {
  const std::string text = Utf8(scanCount_->text());
  if (!text.empty()) {
    const std::optional<int> value = WholeNumber(text);
    if (!value || *value < kScanCountMin || *value > kScanCountMax) {
      prompter_.Message(kScanCountRangeMessage, "", MessageIcon::Exclamation);
    }
  }
  PushSettings();
}

void ScannerDialog::CheckBoxToggled(bool perScanBox) {
  if (!EnablingFor(perScanCheck_->isChecked(), stopAfterCheck_->isChecked()).stopTime) {
    const QSignalBlocker blocker(stopTimeCheck_);
    stopTimeCheck_->setChecked(false);
  }
  PushSettings();
  if (perScanBox) {
    run_->PerScanChanged();
  } else {
    run_->StopAfterChanged();
  }
  Refresh();
}

void ScannerDialog::PushSettings() {
  RunSettings& settings = run_->Settings();
  settings.timerText = Utf8(timer_->text());
  settings.scanCountText = Utf8(scanCount_->text());
  settings.passesText = std::to_string(passes_->value());
  settings.mode = mode_->currentIndex() == 1 ? ScanMode::Step : ScanMode::Scan;
  settings.atTimeOn = atTimeCheck_->isChecked();
  settings.atTime = FromQt(atTime_->dateTime());
  settings.perScanOn = perScanCheck_->isChecked();
  const QTime interval = interval_->time();
  settings.intervalHours = interval.hour();
  settings.intervalMinutes = interval.minute();
  settings.intervalSeconds = interval.second();
  settings.stopTimeOn = stopTimeCheck_->isChecked();
  settings.stopTime = FromQt(stopTime_->dateTime());
  settings.stopAfterOn = stopAfterCheck_->isChecked();
}

void ScannerDialog::StartRun() {
  PushSettings();
  run_->Start();
  // Start measures an unshunted current channel as a voltage: the function list follows.
  if (setup_.HasCard()) ShowChannel(setup_.Shown());
  Refresh();
}

void ScannerDialog::Tick() {
  runTimer_.stop();
  run_->Tick();
  Refresh();
}

void ScannerDialog::Export() {
  ExportResult result;
  {
    WaitCursor wait;
    result = ExportResults(run_->Grid(),
                           {ExportTarget::Kind::HandOver, ExportTitle(run_->ResultsTime())});
  }
  if (result.Ok()) {
    run_->ExportDone();
    SetStatus("Exported to " + QString::fromStdString(result.Where()));
  } else {
    prompter_.Message(ExportFailureMessage(result));
  }
  Refresh();
}

void ScannerDialog::Refresh() {
  const bool idle = run_->Phase() == RunPhase::Idle;
  SetSettingControlsEnabled(setup_.HasCard() && !run_->Busy());
  meters_->setEnabled(table_.MeterCount() > 0 && idle);
  export_->setEnabled(run_->ExportAvailable());
  progress_->setText(QString::fromStdString(run_->ProgressText()));
  if (run_->NoticeCount() != noticesShown_) {
    noticesShown_ = run_->NoticeCount();
    SetStatus(QString::fromStdString(run_->Notice()));
  }
  const QString count = QString::fromStdString(run_->Settings().scanCountText);
  if (scanCount_->text() != count) {
    const QSignalBlocker blocker(scanCount_);
    scanCount_->setText(count);
  }
  if (model_->Refresh()) FitColumns();
  runTimer_.stop();
  if (!idle) runTimer_.start(static_cast<int>(run_->TimerInterval().count()));
}

void ScannerDialog::SetSettingControlsEnabled(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           channels_, rField_, iField_, timer_, mode_, atTimeCheck_, atTime_, perScanCheck_,
           interval_, stopAfterCheck_, passes_, start_}) {
    control->setEnabled(enabled);
  }
  functions_->setEnabled(enabled && setup_.FunctionEditable(setup_.Shown()));
  const OptionEnabling options =
      EnablingFor(perScanCheck_->isChecked(), stopAfterCheck_->isChecked());
  scanCount_->setEnabled(enabled && options.scanCount);
  stopTimeCheck_->setEnabled(enabled && options.stopTime);
  stopTime_->setEnabled(enabled && options.stopTime);
}

void ScannerDialog::FitColumns() {
  const ResultsGrid& grid = run_->Grid();
  for (int c = 1; c < grid.Columns(); ++c) {
    if (grid.ColumnWidth(c) > 0)
      results_->setColumnWidth(c - 1, Pixels(grid.ColumnWidth(c), *results_));
  }
  if (grid.ColumnWidth(0) > 0)
    results_->verticalHeader()->setFixedWidth(Pixels(grid.ColumnWidth(0), *results_));
}

void ScannerDialog::SetStatus(const QString& text) {
  statusText_ = text;
  status_->setToolTip(text);
  ShowStatus();
}

void ScannerDialog::ShowStatus() {
  status_->setText(
      status_->fontMetrics().elidedText(statusText_, Qt::ElideMiddle, status_->width()));
}

void ScannerDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ShowStatus();
}

void ScannerDialog::done(int result) {
  runTimer_.stop();
  table_.CloseSessions();
  QDialog::done(result);
}

}  // namespace vx::scanner
