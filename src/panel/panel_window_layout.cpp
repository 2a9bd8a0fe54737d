// Construction of the front panel's controls and layout.

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "panel/panel_window.h"
#include "panel/trace_display.h"
#include "panel/widgets/shaped_button.h"

namespace vx::panel {
namespace {

QFont ReadingFont() {
  QFont font("DejaVu Sans Mono");
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(21);
  font.setBold(true);
  return font;
}

QLabel* ReadingLabel() {
  auto* label = new QLabel("0");
  label->setFont(ReadingFont());
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(330);
  label->setStyleSheet(
      "QLabel { background: #0a1612; color: #9ff0c8; border: 1px solid #2a4a3e;"
      " border-radius: 3px; padding: 2px 8px; }");
  return label;
}

QLabel* LineLabel() {
  auto* label = new QLabel;
  QFont font = label->font();
  font.setPixelSize(16);
  font.setBold(true);
  label->setFont(font);
  label->setMinimumWidth(260);
  return label;
}

}  // namespace

const std::array<PanelWindow::FunctionButtonSpec, 12> PanelWindow::kFunctionButtons{{
    {"DCV", "CONF:VOLT:DC"},
    {"ACV", "CONF:VOLT:AC"},
    {"2W", "CONF:RES"},
    {"4W", "CONF:FRES"},
    {"FREQ", "CONF:FREQ"},
    {"PERIOD", "CONF:PER"},
    {"CONT", "CONF:CONT"},
    {"DIODE", "CONF:DIOD"},
    {"TEMP", "CONF:TEMP"},
    {"TCOUPL", "CONF:TCO"},
    {"DCI", "CONF:CURR:DC"},
    {"ACI", "CONF:CURR:AC"},
}};

void PanelWindow::BuildMenus() {
  menuBar_ = new QMenuBar(this);
  QMenu* setting = menuBar_->addMenu("Setting");
  settingDeviceItem_ = setting->addAction("Setting Device");
  readingManagerItem_ = setting->addAction("Reading manager");
  settingScanItem_ = setting->addAction("Setting Scan");
  setting->addSeparator();
  refreshItem_ = setting->addAction("Refresh");
  QMenu* record = menuBar_->addMenu("Record");
  viewRecordItem_ = record->addAction("View Record");
  chartRecordItem_ = record->addAction("Chart Record");
  QMenu* operation = menuBar_->addMenu("Operation");
  multipleReadingsItem_ = operation->addAction("Multiple Readings");
  runStartItem_ = operation->addAction("Run Start");
  runStopItem_ = operation->addAction("Run Stop");
  QMenu* tool = menuBar_->addMenu("Tool");
  commandControlItem_ = tool->addAction("Command Control");
  QMenu* help = menuBar_->addMenu("Help");
  aboutItem_ = help->addAction("About");
  menus_ = {setting, record, operation, tool, help};

  connect(refreshItem_, &QAction::triggered, this, &PanelWindow::Refresh);
  connect(runStartItem_, &QAction::triggered, this, &PanelWindow::StartReading);
  connect(runStopItem_, &QAction::triggered, this, &PanelWindow::StopReading);
  connect(aboutItem_, &QAction::triggered, this, [this] { ShowAbout(true); });
}

void PanelWindow::BuildToolbar() {
  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName("toolbar");
  toolbar_->setIconSize(QSize(22, 22));
  toolbar_->setMovable(false);
  startAction_ = toolbar_->addAction(style()->standardIcon(QStyle::SP_MediaPlay), QString());
  stopAction_ = toolbar_->addAction(style()->standardIcon(QStyle::SP_MediaStop), QString());
  toolbar_->addSeparator();
  deviceSettingsAction_ =
      toolbar_->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView), QString());
  connect(startAction_, &QAction::triggered, this, &PanelWindow::StartReading);
  connect(stopAction_, &QAction::triggered, this, &PanelWindow::StopReading);
}

QWidget* PanelWindow::BuildDisplayColumn() {
  auto* column = new QWidget;
  display_ = new TraceDisplay;
  display_->setFixedSize(640, 400);
  markerUp_ = new ShapedButton("Up");
  markerDown_ = new ShapedButton("Dn");
  for (ShapedButton* marker : {markerUp_, markerDown_}) marker->setFixedSize(38, 38);
  connect(markerUp_, &QPushButton::clicked, this, [this] { MoveMarker(true); });
  connect(markerDown_, &QPushButton::clicked, this, [this] { MoveMarker(false); });

  auto* markers = new QVBoxLayout;
  markers->addStretch();
  markers->addWidget(markerUp_);
  markers->addSpacing(16);
  markers->addWidget(markerDown_);
  markers->addStretch();
  auto* screen = new QHBoxLayout;
  screen->addWidget(display_);
  screen->addLayout(markers);

  speedLine_ = new QLabel;
  dotsLine_ = new QLabel;
  dotsLine_->setAlignment(Qt::AlignRight);
  auto* axis = new QHBoxLayout;
  axis->addWidget(speedLine_);
  axis->addStretch();
  axis->addWidget(dotsLine_);
  axis->addSpacing(46);

  functionLine_ = LineLabel();
  rangeLine_ = LineLabel();
  auto* lines = new QHBoxLayout;
  lines->addWidget(functionLine_);
  lines->addWidget(rangeLine_);
  lines->addStretch();

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(screen);
  layout->addLayout(axis);
  layout->addSpacing(6);
  layout->addLayout(lines);
  layout->addWidget(BuildFunctionButtons());
  return column;
}

QWidget* PanelWindow::BuildFunctionButtons() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 4, 46, 0);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(8);
  for (size_t i = 0; i < kFunctionButtons.size(); ++i) {
    auto* button = new ShapedButton(kFunctionButtons[i].caption);
    button->setFixedSize(96, 34);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    connect(button, &QPushButton::clicked, this,
            [this, i] { PressFunctionButton(static_cast<int>(i)); });
    functionButtons_[i] = button;
    grid->addWidget(button, static_cast<int>(i / 6), static_cast<int>(i % 6));
  }
  return box;
}

QWidget* PanelWindow::BuildControlColumn() {
  auto* column = new QWidget;
  deviceList_ = new QComboBox;
  deviceList_->setObjectName("deviceList");
  deviceList_->setMinimumWidth(300);
  connect(deviceList_, qOverload<int>(&QComboBox::activated), this, &PanelWindow::MakeCurrent);

  // Division, offset, reading speed and dots of the trace display.
  auto* traceBox = new QGroupBox;
  auto* grid = new QGridLayout(traceBox);
  divisionCaption_ = new QLabel;
  divisionText_ = new QLineEdit;
  divisionText_->setReadOnly(true);
  divisionText_->setFixedWidth(90);
  auto* divisionUp = new QPushButton("Up");
  divisionUp->setObjectName("divisionUp");
  auto* divisionDown = new QPushButton("Dn");
  divisionDown->setObjectName("divisionDown");
  connect(divisionUp, &QPushButton::clicked, this, [this] { StepDivision(true); });
  connect(divisionDown, &QPushButton::clicked, this, [this] { StepDivision(false); });
  offsetCaption_ = new QLabel;
  offsetEdit_ = new QLineEdit;
  offsetEdit_->setFixedWidth(90);
  offsetEdit_->setObjectName("offsetEdit");
  auto* offsetSet = new QPushButton("SET");
  offsetSet->setObjectName("offsetSet");
  connect(offsetSet, &QPushButton::clicked, this, &PanelWindow::SetOffset);
  for (QPushButton* button : {divisionUp, divisionDown, offsetSet}) {
    button->setAutoDefault(false);
    button->setFixedWidth(48);
  }
  speedCaption_ = new QLabel;
  speedList_ = new QComboBox;
  speedList_->setObjectName("speedList");
  for (const int speed : kReadingSpeeds) speedList_->addItem(QString("%1ms").arg(speed));
  connect(speedList_, qOverload<int>(&QComboBox::activated), this, &PanelWindow::ChooseSpeed);
  dotsCaption_ = new QLabel;
  dotsList_ = new QComboBox;
  dotsList_->setObjectName("dotsList");
  for (const int dots : kDotChoices) dotsList_->addItem(QString::number(dots));
  connect(dotsList_, qOverload<int>(&QComboBox::activated), this, &PanelWindow::ChooseDots);
  grid->addWidget(divisionCaption_, 0, 0);
  grid->addWidget(divisionText_, 0, 1);
  grid->addWidget(divisionUp, 0, 2);
  grid->addWidget(divisionDown, 0, 3);
  grid->addWidget(offsetCaption_, 1, 0);
  grid->addWidget(offsetEdit_, 1, 1);
  grid->addWidget(offsetSet, 1, 2);
  grid->addWidget(speedCaption_, 2, 0);
  grid->addWidget(speedList_, 2, 1, 1, 3);
  grid->addWidget(dotsCaption_, 3, 0);
  grid->addWidget(dotsList_, 3, 1, 1, 3);
  grid->setColumnStretch(4, 1);

  // The four device rows.
  auto* rowsBox = new QGroupBox;
  auto* rowsLayout = new QGridLayout(rowsBox);
  rowsLayout->setVerticalSpacing(4);
  auto* radios = new QButtonGroup(this);
  for (int k = 0; k < 4; ++k) {
    DeviceRow& row = rows_[static_cast<size_t>(k)];
    row.radio = new QRadioButton(QString::number(k + 1));
    row.lamp = new ColourSwatch(ColourSwatch::Kind::Lamp);
    row.legend = new ColourSwatch(ColourSwatch::Kind::Legend);
    row.name = new QLabel(QString("Multimeter Device -- %1").arg(k + 1));
    row.division = new QLabel("1");
    row.division->setMinimumWidth(44);
    row.division->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row.reading = ReadingLabel();
    radios->addButton(row.radio, k);
    rowsLayout->addWidget(row.radio, 2 * k, 0);
    rowsLayout->addWidget(row.lamp, 2 * k, 1);
    rowsLayout->addWidget(row.name, 2 * k, 2);
    rowsLayout->addWidget(row.legend, 2 * k, 3);
    rowsLayout->addWidget(row.division, 2 * k, 4);
    rowsLayout->addWidget(row.reading, 2 * k + 1, 1, 1, 4);
  }
  rows_[0].radio->setChecked(true);
  connect(radios, &QButtonGroup::idClicked, this, &PanelWindow::SelectRow);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(deviceList_);
  layout->addWidget(traceBox);
  layout->addWidget(rowsBox);
  layout->addStretch();
  return column;
}

void PanelWindow::ShapeButtons() {
  for (ShapedButton* button : functionButtons_) button->SetShape(ButtonShape::Capsule);
  markerUp_->SetShape(ButtonShape::Circle);
  markerDown_->SetShape(ButtonShape::Circle);
}

}  // namespace vx::panel
