#include "records/chart/record_chart_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <climits>

#include "common/measurement_tables.h"
#include "records/chart/chart_screen.h"

namespace vx::records {
namespace {

bool IsEnter(const QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// A small framed rectangle filled with the line colour; it follows the colour on every paint.
class Swatch final : public QFrame {
 public:
  Swatch(QWidget* parent, const QColor& colour) : QFrame(parent), colour_(colour) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setFixedSize(36, 20);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    {
      QPainter painter(this);
      painter.fillRect(contentsRect(), colour_);
    }
    QFrame::paintEvent(event);
  }

 private:
  const QColor& colour_;
};

QPushButton* Button(QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QLabel* ReadoutLabel(QWidget* parent, const char* name, int minimumWidth) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(minimumWidth);
  return label;
}

int SliderLimit(long long value) {
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace

RecordChartDialog::RecordChartDialog(QWidget* parent, Prompter& prompter)
    : QDialog(parent), prompter_(prompter) {
  setWindowTitle(QCaption("12", "Chart Record"));
  chart_ = std::make_unique<RecordChart>(prompter_);

  screen_ = new ChartScreen(this);
  screen_->setObjectName("screen");
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName("slider");
  slider_->setRange(0, 0);
  slider_->setEnabled(false);
  exit_ = Button(this, QCaption("09", "Exit"), "exitButton");

  auto* left = new QVBoxLayout;
  left->addWidget(screen_);
  left->addWidget(slider_);
  left->addWidget(BuildReadout());
  auto* right = new QVBoxLayout;
  right->addWidget(BuildSettings());
  right->addStretch();
  auto* exitRow = new QHBoxLayout;
  exitRow->addStretch();
  exitRow->addWidget(exit_);
  right->addLayout(exitRow);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(right);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Connect();
  ShowMode();
}

RecordChartDialog::~RecordChartDialog() = default;

const QImage& RecordChartDialog::ScreenImage() const {
  return screen_->Image();
}

QWidget* RecordChartDialog::BuildReadout() {
  auto* readout = new QWidget(this);
  readoutNumber_ = ReadoutLabel(readout, "readoutNumber", 70);
  readoutValue_ = ReadoutLabel(readout, "readoutValue", 170);
  readoutStamp_ = ReadoutLabel(readout, "readoutStamp", 190);
  auto* layout = new QHBoxLayout(readout);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(QStringLiteral("No."), readout));
  layout->addWidget(readoutNumber_);
  layout->addWidget(readoutValue_, 1);
  layout->addWidget(readoutStamp_, 1);
  return readout;
}

QWidget* RecordChartDialog::BuildSettings() {
  auto* box = new QGroupBox(QCaption("85", "Setting"), this);
  records_ = new QComboBox(box);
  records_->setObjectName("recordList");
  for (const std::string& label : chart_->Labels())
    records_->addItem(QString::fromStdString(label));
  records_->setPlaceholderText(QString::fromStdString(chart_->ListPrompt()));
  records_->setCurrentIndex(-1);
  records_->setMinimumContentsLength(34);
  records_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

  count_ = ReadoutLabel(box, "countText", 90);
  division_ = new QComboBox(box);
  division_->setObjectName("divisionList");
  for (const DivisionRow& row : DivisionTable)
    division_->addItem(QString::fromUtf8(row.text.data(), static_cast<int>(row.text.size())));
  division_->setCurrentIndex(chart_->Division());
  swatch_ = new Swatch(box, colour_);
  swatch_->setObjectName("colourSwatch");
  colourButton_ = Button(box, QCaption("124", "Change Color"), "colourButton");
  auto* colourRow = new QHBoxLayout;
  colourRow->addWidget(swatch_);
  colourRow->addWidget(colourButton_);
  colourRow->addStretch();

  allRadio_ = new QRadioButton(QCaption("153", "Drawing with all"), box);
  allRadio_->setObjectName("allRadio");
  allRadio_->setChecked(true);
  rangeRadio_ = new QRadioButton(QCaption("154", "Drawing data from"), box);
  rangeRadio_->setObjectName("rangeRadio");
  from_ = new QLineEdit(box);
  from_->setObjectName("fromField");
  to_ = new QLineEdit(box);
  to_->setObjectName("toField");
  for (QLineEdit* field : {from_, to_}) field->setMaximumWidth(90);
  auto* boundsRow = new QHBoxLayout;
  boundsRow->addSpacing(20);
  boundsRow->addWidget(from_);
  boundsRow->addWidget(new QLabel(QCaption("155", "to"), box));
  boundsRow->addWidget(to_);
  boundsRow->addWidget(new QLabel(QCaption("156", ""), box));
  boundsRow->addStretch();

  draw_ = Button(box, QCaption("151", "Draw"), "drawButton");
  draw_->setEnabled(false);
  clear_ = Button(box, QCaption("152", "Clear"), "clearButton");
  auto* drawRow = new QHBoxLayout;
  drawRow->addWidget(draw_);
  drawRow->addWidget(clear_);
  drawRow->addStretch();
  progress_ = new QProgressBar(box);
  progress_->setObjectName("progressBar");
  progress_->setTextVisible(false);
  // Kept in the layout while hidden, so the window does not jump when a drawing starts.
  QSizePolicy keep = progress_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  progress_->setSizePolicy(keep);
  progress_->hide();

  auto* form = new QFormLayout;
  form->addRow(QCaption("130", "Record List"), records_);
  form->addRow(QCaption("150", "Data Quantity："), count_);
  form->addRow(QCaption("51", "Division"), division_);
  form->addRow(QCaption("123", "Color Print"), colourRow);
  auto* layout = new QVBoxLayout(box);
  layout->addLayout(form);
  layout->addSpacing(8);
  layout->addWidget(allRadio_);
  layout->addWidget(rangeRadio_);
  layout->addLayout(boundsRow);
  layout->addSpacing(8);
  layout->addLayout(drawRow);
  layout->addWidget(progress_);
  return box;
}

void RecordChartDialog::Connect() {
  connect(records_, &QComboBox::currentIndexChanged, this, [this](int line) { Choose(line); });
  connect(division_, &QComboBox::currentIndexChanged, this,
          [this](int row) { chart_->SetDivision(row); });
  connect(colourButton_, &QPushButton::clicked, this, [this] { ChooseColour(); });
  connect(allRadio_, &QRadioButton::toggled, this, [this] { ShowMode(); });
  connect(draw_, &QPushButton::clicked, this, [this] { Draw(); });
  connect(clear_, &QPushButton::clicked, this, [this] { Clear(); });
  connect(slider_, &QSlider::valueChanged, this, [this](int position) { MoveMarker(position); });
  connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
  for (QLineEdit* field : {from_, to_}) field->installEventFilter(this);
}

void RecordChartDialog::ShowMode() {
  const bool range = rangeRadio_->isChecked();
  chart_->SetMode(range ? DrawMode::Range : DrawMode::All);
  from_->setEnabled(range);
  to_->setEnabled(range);
}

void RecordChartDialog::Choose(int line) {
  {
    WaitCursor wait;
    chart_->Choose(line);
  }
  count_->setText(QString::fromStdString(chart_->CountText()));
  draw_->setEnabled(chart_->CanDraw());
}

void RecordChartDialog::ChooseColour() {
  const QColor now = colour_;
  if (const std::optional<Rgb> chosen = prompter_.ChooseColour(
          Rgb{static_cast<std::uint8_t>(now.red()), static_cast<std::uint8_t>(now.green()),
              static_cast<std::uint8_t>(now.blue())})) {
    colour_ = QColor(chosen->red, chosen->green, chosen->blue);
    swatch_->update();
  }
}

void RecordChartDialog::Draw() {
  std::optional<TraceColumns> trace;
  {
    WaitCursor wait;
    clear_->setEnabled(false);
    progress_->setValue(0);
    progress_->show();
    trace =
        chart_->Draw(from_->text().toStdString(), to_->text().toStdString(), ChartScreen::kWidth,
                     ChartScreen::kHeight, [this](long long done, long long total) {
                       progress_->setRange(0, SliderLimit(total));
                       progress_->setValue(SliderLimit(done));
                       progress_->repaint();
                     });
    if (trace) {
      // A new drawing starts without a marker: the slider is back at its start.
      screen_->SetMarker(std::nullopt);
      screen_->DrawTrace(trace->Columns(), colour_);
      for (QLabel* readout : {readoutNumber_, readoutValue_, readoutStamp_}) readout->clear();
    }
    progress_->hide();
    clear_->setEnabled(true);
  }
  slider_->setEnabled(chart_->Drawn());
  if (!trace) return;
  const QSignalBlocker blocker(slider_);
  slider_->setRange(0, SliderLimit(chart_->SliderMaximum()));
  slider_->setValue(0);
}

void RecordChartDialog::Clear() {
  chart_->Clear();
  screen_->Clear();
  slider_->setEnabled(false);
}

void RecordChartDialog::MoveMarker(int position) {
  if (!chart_->Drawn()) return;
  const std::optional<ChartMarker> marker = chart_->MarkerAt(position);
  readoutNumber_->setText(marker ? QString::fromStdString(marker->number) : QString());
  readoutValue_->setText(marker ? QString::fromStdString(marker->value) : QString());
  readoutStamp_->setText(marker ? QString::fromStdString(marker->stamp) : QString());
  screen_->SetMarker(marker);
}

void RecordChartDialog::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool RecordChartDialog::eventFilter(QObject* watched, QEvent* event) {
  if (IsEnter(event) && (watched == from_ || watched == to_)) {
    auto* field = static_cast<QLineEdit*>(watched);
    field->setText(QString::fromStdString(BoundText(field->text().toStdString())));
    if (field == from_) to_->setFocus();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vx::records
