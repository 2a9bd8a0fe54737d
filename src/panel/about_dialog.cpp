#include "panel/about_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "common/captions.h"
#include "common/qt_caption.h"
#include "panel/program_icon.h"

namespace vx::panel {
namespace {

// List entries in order, with the language section each one selects.
const char* const kLanguageEntries[] = {"English(U.S)", "Chinese(T.C)", "Chinese(S.C)"};

int EntryOf(const std::string& language) {
  if (language == kChineseTraditional) return 1;
  if (language == kChineseSimplified) return 2;
  return 0;
}

std::string LanguageOfEntry(int row) {
  if (row == 1) return std::string(kChineseTraditional);
  if (row == 2) return std::string(kChineseSimplified);
  return std::string(kEnglish);
}

}  // namespace

AboutDialog::AboutDialog(const std::string& systemLocale, QWidget* parent)
    : QDialog(parent), systemLocale_(systemLocale) {
  setWindowTitle("About Multimeter Tool");
  setWindowIcon(ProgramIcon());
  tabs_ = new QTabWidget(this);
  tabs_->addTab(MakeAboutTab(), QString());
  tabs_->addTab(MakeLanguageTab(), QString());
  ok_ = new QPushButton(this);
  ok_->setObjectName("okButton");
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addLayout(buttons);
}

QWidget* AboutDialog::MakeAboutTab() {
  auto* tab = new QWidget;
  auto* icon = new QLabel;
  icon->setPixmap(ProgramIcon().pixmap(48, 48));
  auto* maker = new QLabel("TOLVEX");
  QFont heavy("Times New Roman");
  heavy.setWeight(QFont::Black);
  heavy.setPixelSize(25);
  heavy.setStretch(QFont::SemiCondensed);
  maker->setFont(heavy);
  auto* version = new QLabel("Version 3.3 \n         Windows 2000 / XP / VISTA / 7");
  auto* notice = new QLabel("Copyright (C) TOLVEX Corporation. All rights reserved.");
  auto* address = new QLabel(QString("<a href=\"%1\">%1</a>").arg(kMakerAddress));
  address->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  address->setCursor(Qt::PointingHandCursor);
  connect(address, &QLabel::linkActivated,
          [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });

  auto* head = new QHBoxLayout;
  head->addWidget(icon, 0, Qt::AlignTop);
  head->addSpacing(12);
  head->addWidget(maker, 1, Qt::AlignVCenter);
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(head);
  layout->addSpacing(8);
  layout->addWidget(version);
  layout->addWidget(notice);
  layout->addWidget(address);
  layout->addStretch();
  return tab;
}

QWidget* AboutDialog::MakeLanguageTab() {
  auto* tab = new QWidget;
  languages_ = new QListWidget;
  for (const char* entry : kLanguageEntries) languages_->addItem(entry);
  connect(languages_, &QListWidget::currentRowChanged, this, &AboutDialog::OnLanguageChosen);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(languages_);
  return tab;
}

void AboutDialog::showEvent(QShowEvent* event) {
  // Each showing starts from the system's language again; the choice is never stored.
  CurrentLanguage = LanguageForLocale(systemLocale_);
  tabs_->setTabText(0, QCaption("200", "About"));
  tabs_->setTabText(1, QCaption("201", "Language"));
  ok_->setText(QCaption("07", "OK"));
  languages_->blockSignals(true);
  languages_->setCurrentRow(EntryOf(CurrentLanguage));
  languages_->blockSignals(false);
  QDialog::showEvent(event);
}

void AboutDialog::OnLanguageChosen(int row) {
  CurrentLanguage = LanguageOfEntry(row);
}

}  // namespace vx::panel
