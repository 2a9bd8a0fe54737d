#include "records/multiple/multiple_readings_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <utility>

#include "common/c_number.h"
#include "common/captions.h"
#include "records/record_folder.h"
#include "records/record_slots.h"
#include "records/window_support.h"

namespace vx::records {
namespace {

constexpr const char* kFolderCaption = "Doro2V Database folder check";

QPushButton* Button(QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// An answer as a message may quote it: printable characters only, and not too long.
std::string Quoted(std::string_view answer) {
  std::string text;
  for (const char c : answer.substr(0, 40)) {
    const auto u = static_cast<unsigned char>(c);
    text += u >= 0x20 && u < 0x7F ? std::string(1, c) : FormatC("\\x%02X", u);
  }
  return text;
}

}  // namespace

MultipleReadingsDialog::MultipleReadingsDialog(QWidget* parent, Prompter& prompter,
                                               const Clock& clock)
    : QDialog(parent), prompter_(prompter), burst_(table_, clock) {
  table_.ScanMeters(instrument::kMultipleReadingsScan);
  BuildWidgets();
  Result<std::string> folder = FindRecordFolder();
  if (folder.Ok())
    folder_ = folder.Value();
  else
    prompter_.Message(kFolderNotFoundMessage, kFolderCaption, MessageIcon::Exclamation);
  FillSlots();
  Connect();
  ShowIdle();
  // Commits of pending readings are checked this often while a run lets events through.
  commitTimer_.setInterval(static_cast<int>(AppendSession::kCheckInterval.count()));
}

MultipleReadingsDialog::~MultipleReadingsDialog() = default;

void MultipleReadingsDialog::BuildWidgets() {
  setWindowTitle(QCaption("21", "Multiple Readings"));
  meters_ = new QComboBox(this);
  meters_->setObjectName("meterList");
  if (table_.MeterCount() == 0) {
    meters_->addItem(QCaption("1000", "No Device Connected"));
    meters_->setEnabled(false);
  } else {
    for (const std::string& name : table_.DisplayNames())
      meters_->addItem(QString::fromStdString(name));
  }
  slots_ = new QComboBox(this);
  slots_->setObjectName("slotList");
  slots_->setPlaceholderText(QCaption("1013", "Please select a record."));
  slots_->setMinimumContentsLength(34);
  slots_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  slots_->setEnabled(table_.MeterCount() > 0);
  count_ = new QLineEdit(QStringLiteral("1"), this);
  count_->setObjectName("countField");
  count_->setMaximumWidth(100);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("progressBar");
  progress_->setRange(0, 1);
  progress_->setValue(0);
  start_ = Button(this, QCaption("22", "Run Start"), "startButton");
  stop_ = Button(this, QCaption("23", "Run Stop"), "stopButton");
  exit_ = Button(this, QCaption("95", "Exit"), "exitButton");

  auto* form = new QFormLayout;
  form->addRow(QCaption("126", "Device"), meters_);
  form->addRow(QCaption("130", "Record List"), slots_);
  form->addRow(QCaption("170", "Number of Readings"), count_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(start_);
  buttons->addWidget(stop_);
  buttons->addStretch();
  buttons->addWidget(exit_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(progress_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MultipleReadingsDialog::Connect() {
  connect(start_, &QPushButton::clicked, this, [this] { Start(); });
  connect(stop_, &QPushButton::clicked, this, [this] { burst_.Stop(); });
  connect(exit_, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
  connect(&commitTimer_, &QTimer::timeout, this, [this] { burst_.CommitIfDue(); });
  burst_.SetPump([this] {
    progress_->setValue(static_cast<int>(burst_.Taken()));
    QCoreApplication::processEvents();
  });
}

void MultipleReadingsDialog::SetReadingObserver(std::function<void(long long)> observer) {
  burst_.SetObserver(std::move(observer));
}

void MultipleReadingsDialog::FillSlots() {
  const int chosen = slots_->currentIndex();
  const QSignalBlocker blocker(slots_);
  slots_->clear();
  if (!folder_) return;
  for (const RecordSlot& slot : ListRecordSlots(*folder_)) {
    if (std::optional<std::string> label = RecordLabel(slot, ListForm::MultipleReadings))
      slots_->addItem(QString::fromStdString(*label), slot.record);
  }
  slots_->setCurrentIndex(chosen < slots_->count() ? chosen : -1);
}

void MultipleReadingsDialog::ShowIdle() {
  const bool meters = table_.MeterCount() > 0;
  start_->setEnabled(true);
  exit_->setEnabled(true);
  stop_->setEnabled(false);
  meters_->setEnabled(meters);
  slots_->setEnabled(meters);
  count_->setEnabled(true);
}

void MultipleReadingsDialog::Start() {
  if (slots_->currentIndex() < 0) {
    prompter_.Message(Caption("1013", "Please select a record."), "", MessageIcon::Exclamation);
    return;
  }
  const std::optional<int> count = ParseBurstCount(count_->text().toStdString());
  if (!count || !folder_) {
    if (!count)
      prompter_.Message(kBurstCountMessage, "", MessageIcon::Exclamation);
    else
      prompter_.Message(kFolderNotFoundMessage, kFolderCaption, MessageIcon::Exclamation);
    return;
  }
  start_->setEnabled(false);
  exit_->setEnabled(false);
  stop_->setEnabled(true);
  for (QWidget* input : std::initializer_list<QWidget*>{meters_, slots_, count_})
    input->setEnabled(false);
  progress_->setRange(0, *count);
  progress_->setValue(0);
  commitTimer_.start();
  const BurstResult result =
      burst_.Run(*folder_, slots_->currentData().toInt(), meters_->currentIndex(), *count);
  commitTimer_.stop();
  progress_->setValue(static_cast<int>(burst_.Taken()));
  ShowIdle();
  FillSlots();
  Report(result);
  if (closeAfterRun_) done(*std::exchange(closeAfterRun_, std::nullopt));
}

void MultipleReadingsDialog::Report(const BurstResult& result) {
  switch (result.end) {
    case BurstResult::End::Completed:
    case BurstResult::End::Stopped:
      return;
    case BurstResult::End::MeterFailed:
      prompter_.Message(
          result.detail.empty()
              ? Caption("1001", "Check Device Connection")
              : FormatC("The meter answered \"%s\", which is not a reading. The run stopped "
                        "after %lld readings.",
                        Quoted(result.detail).c_str(), result.stored),
          "", MessageIcon::Exclamation);
      return;
    case BurstResult::End::StoreFailed:
      prompter_.Message(result.detail, "Error", MessageIcon::Stop);
      return;
  }
}

void MultipleReadingsDialog::done(int result) {
  if (burst_.Running()) {
    // The run's loop is further up this call stack: it ends first, then the window closes.
    closeAfterRun_ = result;
    burst_.Stop();
    return;
  }
  table_.CloseSessions();
  QDialog::done(result);
}

}  // namespace vx::records
