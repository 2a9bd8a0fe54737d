#include "config/device_settings_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "common/captions.h"
#include "common/wait_cursor.h"

namespace vx::config {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString Q(const CaptionText& caption) {
  return Q(Text(caption));
}

constexpr int kFunctionRole = Qt::UserRole;

// A coefficient as its field shows it; an empty field for none.
QString FieldText(const std::optional<double>& value) {
  return value ? Q(CoefficientText(*value)) : QString();
}

}  // namespace

DeviceSettingsDialog::DeviceSettingsDialog(QWidget* parent, Prompter& prompter,
                                           std::array<unsigned char, 4>& autoRange,
                                           SensorCoefficients& coefficients)
    : QDialog(parent), prompter_(prompter), autoRange_(autoRange), coefficients_(coefficients) {
  BuildWidgets();
  ScanMeters();
}

DeviceSettingsDialog::~DeviceSettingsDialog() = default;

std::string DeviceSettingsDialog::VariantCode() const {
  return std::string(config::VariantCode(
      controller_ ? std::optional<MeterVariant>(controller_->Variant()) : std::nullopt));
}

void DeviceSettingsDialog::BuildWidgets() {
  setWindowTitle(Q(CaptionText{"01", "Setting Device"}));
  setObjectName("deviceSettingsDialog");

  deviceLabel_ = new QLabel(Q(CaptionText{"84", "Device List"}), this);
  meterList_ = new QComboBox(this);
  meterList_->setObjectName("meterList");
  meterList_->setMinimumContentsLength(28);
  deviceLabel_->setBuddy(meterList_);

  settingGroup_ = new QGroupBox(Q(CaptionText{"85", "Setting"}), this);
  settingGroup_->setObjectName("settingGroup");
  functionLabel_ = new QLabel(Q(CaptionText{"86", "Function"}), settingGroup_);
  functionList_ = new QListWidget(settingGroup_);
  functionList_->setObjectName("functionList");
  functionList_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Before a meter is chosen the list shows every function.
  for (int number = 0; number < kMeasureFunctionCount; ++number) {
    auto* item = new QListWidgetItem(Q(Info(*FunctionNumbered(number)).name), functionList_);
    item->setData(kFunctionRole, number);
  }
  functionList_->setMinimumWidth(functionList_->sizeHintForColumn(0) + 24);
  functionList_->setMinimumHeight(functionList_->sizeHintForRow(0) * kMeasureFunctionCount + 6);
  functionLabel_->setBuddy(functionList_);

  rangeLabel_ = new QLabel(settingGroup_);
  rangeLabel_->setObjectName("rangeLabel");
  rangeBox_ = new QComboBox(settingGroup_);
  rangeBox_->setObjectName("rangeBox");
  secondLabel_ = new QLabel(settingGroup_);
  secondLabel_->setObjectName("secondLabel");
  secondBox_ = new QComboBox(settingGroup_);
  secondBox_->setObjectName("secondBox");
  for (QComboBox* box : {rangeBox_, secondBox_}) box->setMinimumContentsLength(14);

  // Two columns of three coefficient fields, each with its label to its left.
  auto* coefficientGrid = new QGridLayout;
  coefficientGrid->setHorizontalSpacing(8);
  for (size_t i = 0; i < kCoefficientFieldCount; ++i) {
    coefficientLabels_[i] = new QLabel(settingGroup_);
    coefficientLabels_[i]->setObjectName(QString("coefficientLabel%1").arg(i + 1));
    coefficientFields_[i] = new QLineEdit(settingGroup_);
    coefficientFields_[i]->setObjectName(QString("coefficientField%1").arg(i + 1));
    coefficientFields_[i]->setText(FieldText(coefficients_.values[i]));
    coefficientFields_[i]->setMaximumWidth(110);
    coefficientLabels_[i]->setBuddy(coefficientFields_[i]);
    const int row = static_cast<int>(i / 2);
    const int column = static_cast<int>(i % 2) * 2;
    coefficientGrid->addWidget(coefficientLabels_[i], row, column, Qt::AlignRight);
    coefficientGrid->addWidget(coefficientFields_[i], row, column + 1);
    connect(coefficientFields_[i], &QLineEdit::textEdited, this, [this, i](const QString& text) {
      // A field that holds no number keeps the last value; the apply names the bad field.
      if (const auto value = ParseCoefficientText(text.toStdString()))
        coefficients_.values[i] = *value;
    });
  }
  coefficientGrid->setColumnStretch(4, 1);

  auto* choices = new QVBoxLayout;
  choices->addWidget(rangeLabel_);
  choices->addWidget(rangeBox_);
  choices->addSpacing(6);
  choices->addWidget(secondLabel_);
  choices->addWidget(secondBox_);
  choices->addSpacing(10);
  choices->addLayout(coefficientGrid);
  choices->addStretch(1);

  auto* groupLayout = new QGridLayout(settingGroup_);
  groupLayout->addWidget(functionLabel_, 0, 0);
  groupLayout->addWidget(functionList_, 1, 0);
  groupLayout->addLayout(choices, 0, 1, 2, 1);
  groupLayout->setColumnStretch(1, 1);
  groupLayout->setHorizontalSpacing(16);

  submitButton_ = new QPushButton(Q(CaptionText{"93", "Submit"}), this);
  submitButton_->setObjectName("submitButton");
  readBackButton_ = new QPushButton(Q(CaptionText{"94", "Get Multimeter Setting"}), this);
  readBackButton_->setObjectName("readBackButton");
  exitButton_ = new QPushButton(Q(CaptionText{"95", "Exit"}), this);
  exitButton_->setObjectName("exitButton");
  for (QPushButton* button : {submitButton_, readBackButton_, exitButton_})
    button->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(submitButton_);
  buttons->addWidget(readBackButton_);
  buttons->addStretch(1);
  buttons->addWidget(exitButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(deviceLabel_);
  layout->addWidget(meterList_);
  layout->addSpacing(4);
  layout->addWidget(settingGroup_, 1);
  layout->addLayout(buttons);

  connect(meterList_, &QComboBox::currentIndexChanged, this, [this](int position) {
    if (position >= 0 && position < table_.MeterCount()) SelectMeter(position);
  });
  // A mouse press makes the row current before it selects it, while the arrow keys and the
  // program do both at once: the row itself tells which function was chosen, whichever way.
  connect(functionList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (const auto f = FunctionAtRow(row)) ShowFunction(*f);
  });
  connect(rangeBox_, &QComboBox::currentIndexChanged, this,
          [this](int) { ShowCoefficientFields(); });
  connect(submitButton_, &QPushButton::clicked, this, [this] { Submit(); });
  connect(readBackButton_, &QPushButton::clicked, this, [this] { ReadBack(); });
  connect(exitButton_, &QPushButton::clicked, this, [this] { accept(); });
  ShowCoefficientFields();
}

void DeviceSettingsDialog::ScanMeters() {
  std::vector<std::string> names;
  {
    WaitCursor wait;
    names = table_.ScanMeters(instrument::kDeviceSettingsScan);
  }
  const QSignalBlocker block(meterList_);
  meterList_->clear();
  if (names.empty()) {
    meterList_->addItem(Q(CaptionText{"1000", "No Device Connected"}));
    DisableSettings();
    return;
  }
  for (const std::string& name : names) meterList_->addItem(Q(name));
  meterList_->setCurrentIndex(0);
  SelectMeter(0);
}

void DeviceSettingsDialog::DisableSettings() {
  for (QWidget* widget : std::initializer_list<QWidget*>{
           meterList_, settingGroup_, functionLabel_, rangeLabel_, functionList_, rangeBox_,
           submitButton_, secondLabel_, secondBox_, readBackButton_}) {
    widget->setEnabled(false);
  }
}

void DeviceSettingsDialog::SelectMeter(int position) {
  currentMeter_ = position;
  controller_.emplace(
      table_.MeterIdentity(position),
      [this, position](std::string_view command) { return table_.SendQuery(position, command); },
      prompter_);
  {
    const QSignalBlocker block(functionList_);
    functionList_->clear();
    for (const MeasureFunction f : controller_->Functions()) {
      auto* item = new QListWidgetItem(Q(Info(f).name), functionList_);
      item->setData(kFunctionRole, Number(f));
    }
  }
  rangeBox_->clear();
  secondBox_->clear();
  shownFunction_.reset();
  ReadBack();
}

std::optional<MeasureFunction> DeviceSettingsDialog::FunctionAtRow(int row) const {
  const QListWidgetItem* item = functionList_->item(row);
  if (item == nullptr) return std::nullopt;
  return FunctionNumbered(item->data(kFunctionRole).toInt());
}

void DeviceSettingsDialog::ShowFunction(MeasureFunction f) {
  if (!controller_) return;
  shownFunction_ = f;
  const QSignalBlocker blockRange(rangeBox_);
  const QSignalBlocker blockSecond(secondBox_);
  rangeBox_->clear();
  secondBox_->clear();
  for (const RangeEntry& entry : controller_->Ranges(f))
    rangeBox_->addItem(Q(std::string(entry.text)));
  for (const SecondEntry& entry : controller_->SecondEntries(f))
    secondBox_->addItem(Q(entry.caption));
  rangeBox_->setCurrentIndex(0);
  secondBox_->setCurrentIndex(0);
  rangeLabel_->setText(Q(RangeLabel(f)));
  secondLabel_->setText(Q(SecondLabel(f)));

  const bool fixedAuto = Info(f).rangeKind == RangeKind::AutoOnly;
  rangeBox_->setEnabled(!fixedAuto && rangeBox_->count() > 0);
  // Capacitance lists the integration times but has none to set: its box is shown greyed.
  secondBox_->setEnabled(Info(f).secondLabelled && secondBox_->count() > 0);
  ShowCoefficientFields();
}

void DeviceSettingsDialog::ShowCoefficientFields() {
  const auto& f = shownFunction_;
  const CoefficientSet set =
      f ? CoefficientSetFor(*f, rangeBox_->currentText().toStdString()) : CoefficientSet::None;
  const auto fields = CoefficientFields(set);
  for (size_t i = 0; i < kCoefficientFieldCount; ++i) {
    const bool shown = i < fields.size();
    if (shown) coefficientLabels_[i]->setText(Q(std::string(fields[i].label)));
    coefficientLabels_[i]->setVisible(shown);
    coefficientFields_[i]->setVisible(shown);
  }
}

void DeviceSettingsDialog::SetCoefficient(size_t field, std::optional<double> value) {
  coefficients_.values[field] = value;
  coefficientFields_[field]->setText(FieldText(value));
}

void DeviceSettingsDialog::Submit() {
  // The range and second entries are positions in the boxes, which hold the lists of the
  // function shown: that function, and only while it is the one chosen in the list.
  const auto f = shownFunction_;
  if (!controller_ || !f || f != FunctionAtRow(functionList_->currentRow()) || currentMeter_ < 0 ||
      static_cast<size_t>(currentMeter_) >= autoRange_.size()) {
    return;
  }
  ApplyRequest request;
  request.function = *f;
  request.rangeIndex = rangeBox_->currentIndex();
  request.secondIndex = std::max(secondBox_->currentIndex(), 0);
  for (size_t i = 0; i < kCoefficientFieldCount; ++i)
    request.coefficients[i] = ParseCoefficientText(coefficientFields_[i]->text().toStdString());
  WaitCursor wait;
  controller_->Apply(request, autoRange_[static_cast<size_t>(currentMeter_)]);
}

void DeviceSettingsDialog::ReadBack() {
  if (!controller_) return;
  ReadBackResult result;
  {
    WaitCursor wait;
    result = controller_->ReadBack();
  }
  if (!result.function) return;
  const std::optional<int> row = ListPosition(controller_->Variant(), *result.function);
  if (!row) return;
  {
    const QSignalBlocker block(functionList_);
    functionList_->setCurrentRow(*row);
  }
  ShowFunction(*result.function);
  if (result.secondIndex) secondBox_->setCurrentIndex(*result.secondIndex);
  const auto fields = CoefficientFields(result.coefficientSet);
  for (size_t i = 0; i < fields.size(); ++i) SetCoefficient(i, result.coefficients[i]);
  if (result.rangeIndex) {
    const QSignalBlocker block(rangeBox_);
    rangeBox_->setCurrentIndex(*result.rangeIndex);
  }
  if (result.complete) ShowCoefficientFields();
}

void DeviceSettingsDialog::done(int result) {
  table_.CloseSessions();
  QDialog::done(result);
}

}  // namespace vx::config
