#include "config/command_console_dialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "common/captions.h"
#include "common/qt_caption.h"
#include "common/wait_cursor.h"

namespace vx::config {
CommandConsoleDialog::CommandConsoleDialog(QWidget* parent, Prompter& prompter)
    : QDialog(parent), exchange_(prompter) {
  BuildWidgets();
  ScanMeters();
  sendField_->setEditText("*IDN?");
  answerField_->clear();
}

CommandConsoleDialog::~CommandConsoleDialog() = default;

void CommandConsoleDialog::BuildWidgets() {
  setWindowTitle(QCaption("31", "Command Control"));
  setObjectName("commandConsoleDialog");

  meterBox_ = new QComboBox(this);
  meterBox_->setObjectName("meterBox");

  sendLabel_ = new QLabel(QCaption("180", "Send String"), this);
  sendField_ = new QComboBox(this);
  sendField_->setObjectName("sendField");
  sendField_->setEditable(true);
  // The list is the history, kept by the exchange; typing never adds to it.
  sendField_->setInsertPolicy(QComboBox::NoInsert);
  // What the field shows is sent unchanged. The default completer would complete the typed
  // text inline from the history ("CONF:VOLT" becoming "CONF:VOLT:AC"), and when editing
  // ends the box takes the history entry that matches the text, without regard to letter
  // case unless its completer compares case ("*idn?" becoming "*IDN?"). This completer
  // offers nothing (its list is empty) and compares case, so only an entry equal to the text
  // in every letter is ever matched, and the text stays as typed.
  auto* exactOnly = new QCompleter(QStringList{}, sendField_);
  exactOnly->setCaseSensitivity(Qt::CaseSensitive);
  sendField_->setCompleter(exactOnly);
  sendField_->setMaxVisibleItems(static_cast<int>(CommandHistory::kCapacity));
  sendField_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  sendField_->setMinimumContentsLength(36);
  sendLabel_->setBuddy(sendField_);

  queryButton_ = new QPushButton(QCaption("182", "Query"), this);
  queryButton_->setObjectName("queryButton");
  writeButton_ = new QPushButton(QCaption("183", "Write"), this);
  writeButton_->setObjectName("writeButton");
  readButton_ = new QPushButton(QCaption("184", "Read"), this);
  readButton_->setObjectName("readButton");
  // Enter in the send field sends the line as a query.
  queryButton_->setDefault(true);

  answerLabel_ = new QLabel(QCaption("181", "String Received"), this);
  answerField_ = new QPlainTextEdit(this);
  answerField_->setObjectName("answerField");
  answerField_->setReadOnly(true);
  answerField_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  answerField_->setMinimumHeight(160);
  answerLabel_->setBuddy(answerField_);

  exitButton_ = new QPushButton(QCaption("09", "Exit"), this);
  exitButton_->setObjectName("exitButton");
  exitButton_->setAutoDefault(false);

  auto* sendRow = new QHBoxLayout;
  sendRow->addWidget(sendField_, 1);
  sendRow->addWidget(queryButton_);
  sendRow->addWidget(writeButton_);
  sendRow->addWidget(readButton_);

  auto* exitRow = new QHBoxLayout;
  exitRow->addStretch(1);
  exitRow->addWidget(exitButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(meterBox_);
  layout->addSpacing(6);
  layout->addWidget(sendLabel_);
  layout->addLayout(sendRow);
  layout->addSpacing(6);
  layout->addWidget(answerLabel_);
  layout->addWidget(answerField_, 1);
  layout->addLayout(exitRow);

  connect(meterBox_, &QComboBox::currentIndexChanged, this, [this](int position) {
    if (position >= 0 && position < table_.MeterCount()) currentMeter_ = position;
  });
  connect(queryButton_, &QPushButton::clicked, this, [this] { Query(); });
  connect(writeButton_, &QPushButton::clicked, this, [this] { Write(); });
  connect(readButton_, &QPushButton::clicked, this, [this] { Read(); });
  connect(exitButton_, &QPushButton::clicked, this, [this] { accept(); });
}

void CommandConsoleDialog::ScanMeters() {
  std::vector<std::string> names;
  {
    WaitCursor wait;
    names = table_.ScanMeters(instrument::kConsoleScan);
  }
  const QSignalBlocker block(meterBox_);
  meterBox_->clear();
  for (const std::string& name : names) meterBox_->addItem(QString::fromStdString(name));
  // Resources that are not meters leave nothing to talk to: the controls stay off then too.
  const bool meters = !names.empty();
  if (meters) {
    meterBox_->setCurrentIndex(0);
    currentMeter_ = 0;
  } else {
    meterBox_->addItem(QCaption("1000", "No Device Connected"));
  }
  meterBox_->setEnabled(meters);
  for (QWidget* widget : std::initializer_list<QWidget*>{sendField_, answerField_, queryButton_,
                                                         writeButton_, readButton_}) {
    widget->setEnabled(meters);
  }
}

ViSession CommandConsoleDialog::CurrentSession() const {
  return table_.MeterSession(currentMeter_);
}

void CommandConsoleDialog::Query() {
  std::optional<std::string> answer;
  {
    WaitCursor wait;
    answer = exchange_.Query(CurrentSession(), sendField_->currentText().toStdString());
  }
  Show(answer);
}

void CommandConsoleDialog::Write() {
  Show(exchange_.Write(CurrentSession(), sendField_->currentText().toStdString()));
}

void CommandConsoleDialog::Read() {
  std::optional<std::string> answer;
  {
    WaitCursor wait;
    answer = exchange_.Read(CurrentSession());
  }
  if (answer) answerField_->setPlainText(QString::fromStdString(*answer));
}

// After a query or a write: the answer, the history with the command just sent on top, and
// the focus back in the send field for the next line.
void CommandConsoleDialog::Show(const std::optional<std::string>& answer) {
  if (answer) {
    answerField_->setPlainText(QString::fromStdString(*answer));
    ShowHistory();
  }
  sendField_->setFocus();
}

void CommandConsoleDialog::ShowHistory() {
  const QSignalBlocker block(sendField_);
  const QString typed = sendField_->currentText();
  sendField_->clear();
  for (const std::string& entry : exchange_.History().Entries())
    sendField_->addItem(QString::fromStdString(entry));
  if (sendField_->count() > 0) {
    sendField_->setCurrentIndex(0);
  } else {
    sendField_->setEditText(typed);
  }
}

void CommandConsoleDialog::done(int result) {
  table_.CloseSessions();
  QDialog::done(result);
}

}  // namespace vx::config
