#include "config/reading_mode_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "common/captions.h"
#include "common/qt_caption.h"
#include "instrument/display_name.h"

namespace vx::config {
namespace {

// A small framed rectangle filled with a trace colour.
class Swatch final : public QFrame {
 public:
  explicit Swatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setFixedSize(36, 20);
  }
  void SetColour(Rgb colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    {
      QPainter painter(this);
      painter.fillRect(contentsRect(), QColor(colour_.red, colour_.green, colour_.blue));
    }
    QFrame::paintEvent(event);
  }

 private:
  Rgb colour_;
};

void SetSwatch(QWidget* swatch, Rgb colour) {
  static_cast<Swatch*>(swatch)->SetColour(colour);
}

void FillRecordBox(QComboBox* box, const std::vector<std::string>& labels) {
  for (const std::string& label : labels) box->addItem(QString::fromStdString(label));
  box->setPlaceholderText(QCaption("1013", "Please select a record."));
  box->setCurrentIndex(-1);
  box->setMinimumContentsLength(34);
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void ShowRecordBox(QComboBox* box, bool enabled, int entry) {
  const QSignalBlocker blocker(box);
  box->setEnabled(enabled);
  box->setCurrentIndex(entry < box->count() ? entry : -1);
}

void ShowCheck(QCheckBox* box, bool enabled, bool checked) {
  const QSignalBlocker blocker(box);
  box->setEnabled(enabled);
  box->setChecked(checked);
}

}  // namespace

ReadingModeDialog::ReadingModeDialog(QWidget* parent, Prompter& prompter,
                                     ReadingModeSettings& settings)
    : QDialog(parent), prompter_(prompter), settings_(settings) {
  table_.ScanMeters(instrument::kReadingModeScan);
  std::vector<std::string> labels = ReadingModeRecordLabels(prompter_);
  editor_.emplace(settings_, table_.MeterCount(), std::move(labels), prompter_);
  BuildWidgets();
  Connect();
  ShowMeterName();
  Refresh();
}

ReadingModeDialog::~ReadingModeDialog() = default;

void ReadingModeDialog::BuildWidgets() {
  setWindowTitle(QCaption("02", "Setting Mode"));
  auto* explanation = new QLabel(
      "Reading Mode can be set to read data from a single device or multiple devices "
      "simultaneously.",
      this);
  explanation->setWordWrap(true);

  auto* modeGroup = new QGroupBox(QCaption("120", "Reading Mode"), this);
  singleRadio_ = new QRadioButton(QCaption("121", "Single-Device"), modeGroup);
  singleRadio_->setObjectName("singleRadio");
  multiRadio_ = new QRadioButton(QCaption("122", "Multi-Device"), modeGroup);
  multiRadio_->setObjectName("multiRadio");
  auto* modeLayout = new QHBoxLayout(modeGroup);
  modeLayout->addWidget(singleRadio_);
  modeLayout->addWidget(multiRadio_);
  modeLayout->addStretch();

  ok_ = new QPushButton(QCaption("07", "OK"), this);
  ok_->setObjectName("okButton");
  ok_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addWidget(modeGroup);
  layout->addWidget(BuildSinglePanel());
  layout->addWidget(BuildMultiGroup());
  layout->addStretch();
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* ReadingModeDialog::BuildSinglePanel() {
  singlePanel_ = new QWidget(this);
  singlePanel_->setObjectName("singlePanel");
  singleSave_ = new QCheckBox(QCaption("125", "Save"), singlePanel_);
  singleSave_->setObjectName("singleSave");
  singleRecord_ = new QComboBox(singlePanel_);
  singleRecord_->setObjectName("singleRecord");
  FillRecordBox(singleRecord_, editor_->RecordLabels());
  singleSwatch_ = new Swatch(singlePanel_);
  singleSwatch_->setObjectName("singleSwatch");
  singleColour_ = new QPushButton(QCaption("124", "Change Color"), singlePanel_);
  singleColour_->setObjectName("singleColour");

  auto* grid = new QGridLayout(singlePanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel(QCaption("123", "Color Print"), singlePanel_), 0, 0);
  grid->addWidget(singleSwatch_, 0, 1);
  grid->addWidget(singleColour_, 0, 2, Qt::AlignLeft);
  grid->addWidget(singleSave_, 1, 0);
  grid->addWidget(singleRecord_, 1, 1, 1, 3);
  grid->setColumnStretch(3, 1);
  return singlePanel_;
}

QGroupBox* ReadingModeDialog::BuildMultiGroup() {
  multiGroup_ = new QGroupBox(QCaption("85", "Setting"), this);
  multiGroup_->setObjectName("multiGroup");
  previous_ = new QPushButton("<<", multiGroup_);
  previous_->setObjectName("previousMeter");
  next_ = new QPushButton(">>", multiGroup_);
  next_->setObjectName("nextMeter");
  for (QPushButton* arrow : {previous_, next_}) {
    arrow->setAutoDefault(false);
    arrow->setFixedWidth(40);
  }
  meterName_ = new QLabel(multiGroup_);
  meterName_->setObjectName("meterName");
  meterName_->setAlignment(Qt::AlignCenter);
  meterName_->setFrameShape(QFrame::StyledPanel);
  meterName_->setFrameShadow(QFrame::Sunken);
  meterName_->setMinimumWidth(200);
  multiSwatch_ = new Swatch(multiGroup_);
  multiSwatch_->setObjectName("multiSwatch");
  multiColour_ = new QPushButton(QCaption("124", "Change Color"), multiGroup_);
  multiColour_->setObjectName("multiColour");
  multiSave_ = new QCheckBox(QCaption("125", "Save"), multiGroup_);
  multiSave_->setObjectName("multiSave");
  multiRecord_ = new QComboBox(multiGroup_);
  multiRecord_->setObjectName("multiRecord");
  FillRecordBox(multiRecord_, editor_->RecordLabels());

  auto* stepper = new QHBoxLayout;
  stepper->addWidget(previous_);
  stepper->addWidget(meterName_, 1);
  stepper->addWidget(next_);
  auto* grid = new QGridLayout(multiGroup_);
  grid->addWidget(new QLabel(QCaption("126", "Device"), multiGroup_), 0, 0);
  grid->addLayout(stepper, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QCaption("123", "Color Print"), multiGroup_), 1, 0);
  grid->addWidget(multiSwatch_, 1, 1);
  grid->addWidget(multiColour_, 1, 2, Qt::AlignLeft);
  grid->addWidget(multiSave_, 2, 0);
  grid->addWidget(multiRecord_, 2, 1, 1, 3);
  grid->setColumnStretch(3, 1);
  return multiGroup_;
}

void ReadingModeDialog::Connect() {
  connect(singleRadio_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) editor_->ChooseMode(false);
    Refresh();
  });
  connect(multiRadio_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) editor_->ChooseMode(true);
    Refresh();
  });
  connect(singleSave_, &QCheckBox::toggled, this, [this](bool on) {
    editor_->SetSingleSave(on);
    Refresh();
  });
  connect(multiSave_, &QCheckBox::toggled, this, [this](bool on) {
    editor_->SetMultiSave(on);
    Refresh();
  });
  connect(singleRecord_, &QComboBox::currentIndexChanged, this, [this](int entry) {
    editor_->ChooseSingleRecord(entry);
    Refresh();
  });
  connect(multiRecord_, &QComboBox::currentIndexChanged, this, [this](int entry) {
    editor_->ChooseMultiRecord(entry);  // a refused record is put back by Refresh
    Refresh();
  });
  connect(previous_, &QPushButton::clicked, this, [this] { Step(false); });
  connect(next_, &QPushButton::clicked, this, [this] { Step(true); });
  for (QPushButton* button : {singleColour_, multiColour_}) {
    button->setAutoDefault(false);
    button->setMinimumWidth(button->sizeHint().width() + 16);
    connect(button, &QPushButton::clicked, this, [this] {
      editor_->ChangeColour();
      Refresh();
    });
  }
  connect(ok_, &QPushButton::clicked, this, [this] { Ok(); });
}

// Every control shows what the editor holds; signals are held back so that showing a state
// is never taken for a choice.
void ReadingModeDialog::Refresh() {
  const ReadingModeEditor& editor = *editor_;
  {
    const QSignalBlocker single(singleRadio_);
    const QSignalBlocker multi(multiRadio_);
    singleRadio_->setEnabled(editor.SingleRadioEnabled());
    multiRadio_->setEnabled(editor.MultiRadioEnabled());
    (editor.MultiLayout() ? multiRadio_ : singleRadio_)->setChecked(true);
  }
  singlePanel_->setVisible(!editor.MultiLayout());
  multiGroup_->setVisible(editor.MultiLayout());

  ShowCheck(singleSave_, editor.SingleSaveEnabled(), editor.SingleSaveChecked());
  ShowRecordBox(singleRecord_, editor.SingleRecordEnabled(), editor.SingleRecordEntry());
  SetSwatch(singleSwatch_, editor.SingleColour());

  previous_->setEnabled(editor.PreviousEnabled());
  next_->setEnabled(editor.NextEnabled());
  ShowCheck(multiSave_, editor.MultiSaveEnabled(), editor.MultiSaveChecked());
  ShowRecordBox(multiRecord_, editor.MultiRecordEnabled(), editor.MultiRecordEntry());
  SetSwatch(multiSwatch_, editor.MultiColour());
}

// The meter's name from a fresh identity answer, as the scan would list it. "*IDN?" goes to a
// session position, not a list position: the scan opened a session on every instrument it
// found, so the meter's own session is the one its list entry names.
void ReadingModeDialog::ShowMeterName() {
  const int position = editor_->CurrentMeter();
  const int session = table_.MeterSlot(position);
  if (session < 0) {
    meterName_->clear();
    return;
  }
  const std::string identity = table_.SendQuery(session, "*IDN?\n");
  meterName_->setText(QString::fromStdString(
      instrument::MakeDisplayName(table_.MeterResource(position), identity)));
}

void ReadingModeDialog::Step(bool next) {
  if (next ? editor_->StepNext() : editor_->StepPrevious()) ShowMeterName();
  Refresh();
}

void ReadingModeDialog::Ok() {
  if (!editor_->Accept()) return;
  settings_ = editor_->Settings();
  accept();
}

void ReadingModeDialog::done(int result) {
  table_.CloseSessions();
  QDialog::done(result);
}

}  // namespace vx::config
