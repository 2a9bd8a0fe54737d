#include "common/qt_prompter.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace vx {
namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::None:
      return QMessageBox::NoIcon;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok:
      return QMessageBox::Ok;
    case MessageButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQtButton(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok:
      return QMessageBox::Ok;
    case MessageAnswer::Cancel:
      return QMessageBox::Cancel;
    case MessageAnswer::Yes:
      return QMessageBox::Yes;
    case MessageAnswer::No:
      return QMessageBox::No;
    case MessageAnswer::Retry:
      return QMessageBox::Retry;
  }
  return QMessageBox::Ok;
}

// Closing the box with Escape or the title bar counts as its cancelling answer.
MessageAnswer FromQtButton(int button, MessageButtons buttons) {
  switch (button) {
    case QMessageBox::Ok:
      return MessageAnswer::Ok;
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Retry:
      return MessageAnswer::Retry;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    default:
      break;
  }
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (buttons == MessageButtons::YesNo) return MessageAnswer::No;
  return MessageAnswer::Cancel;
}

}  // namespace

MessageAnswer QtPrompter::Message(const MessageRequest& request) {
  QMessageBox box(ToQtIcon(request.icon), QString::fromStdString(request.title),
                  QString::fromStdString(request.text), ToQtButtons(request.buttons), parent_);
  box.setDefaultButton(ToQtButton(request.defaultButton.value_or(FirstButton(request.buttons))));
  return FromQtButton(box.exec(), request.buttons);
}

std::optional<std::string> QtPrompter::SaveFileName(const SaveFileRequest& request) {
  QFileDialog::Options options;
  if (!request.overwritePrompt) options |= QFileDialog::DontConfirmOverwrite;
  QString start = QString::fromStdString(request.initialFolder);
  if (!request.defaultName.empty()) {
    start = start.isEmpty() ? QString::fromStdString(request.defaultName)
                            : start + "/" + QString::fromStdString(request.defaultName);
  }
  QFileDialog dialog(parent_, QString(), start,
                     QString::fromStdString(QtFilterFromWindowsFilter(request.filter)));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOptions(options);
  if (!request.defaultExtension.empty()) {
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::optional<Rgb> QtPrompter::ChooseColour(Rgb initial) {
  const QColor chosen =
      QColorDialog::getColor(QColor(initial.red, initial.green, initial.blue), parent_);
  if (!chosen.isValid()) return std::nullopt;
  return Rgb{static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
             static_cast<std::uint8_t>(chosen.blue())};
}

std::string QtFilterFromWindowsFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      patterns << trimmed;
      if (trimmed.toLower() != trimmed) patterns << trimmed.toLower();
      if (trimmed.toUpper() != trimmed) patterns << trimmed.toUpper();
    }
    patterns.removeDuplicates();
    entries << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return entries.join(";;").toStdString();
}

}  // namespace vx
