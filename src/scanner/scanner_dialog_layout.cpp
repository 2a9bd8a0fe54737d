// The controls of the "Setting Scan" window and their places: the meter and channel lists
// with the function and shunt fields on the left, the run settings on the right, the buttons,
// the results table and the status line below.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "common/qt_caption.h"
#include "scanner/scanner_dialog.h"

namespace vx::scanner {
namespace {

constexpr const char* kDateTimeFormat = "yyyy/MM/dd HH:mm:ss";
constexpr const char* kFormulaLine = "DCI , ACI  =  (  Measurement  Voltage  /  R  )  +  Offset ";

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QPushButton* Button(QWidget* parent, const QString& text, const char* name) {
  auto* button = Named(new QPushButton(text, parent), name);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* ShortField(QWidget* parent, const char* name, int width) {
  auto* field = Named(new QLineEdit(parent), name);
  field->setMaximumWidth(width);
  return field;
}

}  // namespace

void ScannerDialog::BuildWidgets() {
  setWindowTitle(QCaption("03", "Setting Scan"));
  auto* settings = new QHBoxLayout;
  settings->addWidget(BuildChannelBox());
  settings->addWidget(BuildRunBox());

  results_ = Named(new QTableView(this), "resultsGrid");
  model_ = new ResultsTableModel(run_->Grid(), this);
  results_->setModel(model_);
  results_->setSelectionMode(QAbstractItemView::NoSelection);
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 8);
  results_->setMinimumHeight(220);

  progress_ = Named(new QLabel(this), "progressLine");
  progress_->setMinimumWidth(90);
  status_ = Named(new QLabel(this), "statusLine");
  // Long paths are shortened in the middle to fit; the tool tip holds the whole text.
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(progress_);
  statusRow->addWidget(status_, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(settings);
  layout->addWidget(BuildButtons());
  layout->addWidget(results_, 1);
  layout->addLayout(statusRow);
}

QWidget* ScannerDialog::BuildChannelBox() {
  auto* box = new QWidget(this);
  meters_ = Named(new QComboBox(box), "meterList");
  meters_->setMinimumContentsLength(26);
  if (table_.MeterCount() == 0) {
    meters_->addItem(QCaption("1000", "No Device Connected"));
  } else {
    for (const std::string& name : table_.DisplayNames())
      meters_->addItem(QString::fromStdString(name));
  }
  channels_ = Named(new QListWidget(box), "channelList");
  channels_->setMaximumWidth(90);
  channels_->setMinimumHeight(150);
  functions_ = Named(new QComboBox(box), "functionList");
  for (const ScanFunctionRow& row : kScanFunctions)
    functions_->addItem(
        QString::fromUtf8(row.shown.data(), static_cast<qsizetype>(row.shown.size())));

  rLabel_ = new QLabel("R =", box);
  rField_ = ShortField(box, "rField", 90);
  iLabel_ = new QLabel(QString::fromUtf8("(\u03A9)  , I ="), box);
  iField_ = ShortField(box, "iField", 90);
  iUnit_ = new QLabel("(A)  (Offset)", box);
  formula_ = Named(new QLabel(kFormulaLine, box), "formulaLine");
  // Hidden, the shunt fields and the formula keep their room, so that choosing DCI or ACI
  // neither widens the window nor moves the run settings.
  for (QWidget* part :
       std::initializer_list<QWidget*>{rLabel_, rField_, iLabel_, iField_, iUnit_, formula_}) {
    QSizePolicy policy = part->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    part->setSizePolicy(policy);
  }
  auto* shunt = new QHBoxLayout;
  for (QWidget* part : std::initializer_list<QWidget*>{rLabel_, rField_, iLabel_, iField_, iUnit_})
    shunt->addWidget(part);
  shunt->addStretch();

  auto* function = new QFormLayout;
  function->addRow(QCaption("86", "Function"), functions_);
  auto* right = new QVBoxLayout;
  right->addLayout(function);
  right->addLayout(shunt);
  right->addWidget(formula_);
  right->addStretch();
  auto* channelColumn = new QVBoxLayout;
  channelColumn->addWidget(new QLabel(QCaption("108", "Channel"), box));
  channelColumn->addWidget(channels_);
  auto* lower = new QHBoxLayout;
  lower->addLayout(channelColumn);
  lower->addLayout(right, 1);

  auto* layout = new QVBoxLayout(box);
  auto* meterRow = new QFormLayout;
  meterRow->addRow(QCaption("84", "Device List"), meters_);
  layout->addLayout(meterRow);
  layout->addLayout(lower, 1);
  return box;
}

QWidget* ScannerDialog::BuildRunBox() {
  auto* box = Named(new QGroupBox(this), "runSettings");
  timer_ = ShortField(box, "timerField", 90);
  scanCount_ = ShortField(box, "scanCountField", 90);
  mode_ = Named(new QComboBox(box), "modeList");
  mode_->addItems({"SCAN", "STEP"});
  atTimeCheck_ = Named(new QCheckBox(QCaption("111", "At Time"), box), "atTimeCheck");
  atTime_ = Named(new QDateTimeEdit(box), "atTimeEdit");
  perScanCheck_ = Named(new QCheckBox(QCaption("113", "PerScan Interval"), box), "perScanCheck");
  interval_ = Named(new QTimeEdit(box), "intervalEdit");
  interval_->setDisplayFormat("HH:mm:ss");
  stopTimeCheck_ = Named(new QCheckBox(QCaption("112", "Stop Time"), box), "stopTimeCheck");
  stopTime_ = Named(new QDateTimeEdit(box), "stopTimeEdit");
  stopAfterCheck_ =
      Named(new QCheckBox(QCaption("114", "Stop After N scans"), box), "stopAfterCheck");
  passes_ = Named(new QSpinBox(box), "passesSpin");
  passes_->setRange(kPassesMin, kPassesMax);
  for (QDateTimeEdit* edit : {atTime_, stopTime_}) edit->setDisplayFormat(kDateTimeFormat);

  auto* grid = new QGridLayout(box);
  grid->addWidget(new QLabel(QCaption("109", "Timer"), box), 0, 0);
  grid->addWidget(timer_, 0, 1);
  grid->addWidget(new QLabel(QCaption("110", "Scan count"), box), 1, 0);
  grid->addWidget(scanCount_, 1, 1);
  grid->addWidget(new QLabel("Mode", box), 2, 0);
  grid->addWidget(mode_, 2, 1);
  grid->addWidget(atTimeCheck_, 3, 0);
  grid->addWidget(atTime_, 3, 1);
  grid->addWidget(perScanCheck_, 4, 0);
  grid->addWidget(interval_, 4, 1);
  grid->addWidget(stopTimeCheck_, 5, 0);
  grid->addWidget(stopTime_, 5, 1);
  grid->addWidget(stopAfterCheck_, 6, 0);
  grid->addWidget(passes_, 6, 1);
  return box;
}

QWidget* ScannerDialog::BuildButtons() {
  auto* row = new QWidget(this);
  start_ = Button(row, QCaption("61", "Start Reading"), "startButton");
  export_ = Button(row, "Out_2_Exl", "exportButton");
  exit_ = Button(row, QCaption("09", "Exit"), "exitButton");
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(start_);
  layout->addWidget(export_);
  layout->addStretch();
  layout->addWidget(exit_);
  return row;
}

}  // namespace vx::scanner
