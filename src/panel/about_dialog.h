#pragma once
// The About box: the program and its maker on one tab, the caption language on the other.

#include <QDialog>
#include <string>

class QListWidget;
class QPushButton;
class QTabWidget;

namespace vx::panel {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  // The maker's web address, opened with the desktop's default handler when clicked.
  static constexpr const char* kMakerAddress = "http://www.tolvex.com";

  // `systemLocale` (such as "zh_TW") decides the language the box starts from: each time it
  // is shown CurrentLanguage is reset from it; choosing a list entry changes it.
  AboutDialog(const std::string& systemLocale, QWidget* parent = nullptr);

  QListWidget* LanguageList() const { return languages_; }
  QTabWidget* Tabs() const { return tabs_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* MakeAboutTab();
  QWidget* MakeLanguageTab();
  void OnLanguageChosen(int row);

  std::string systemLocale_;
  QTabWidget* tabs_ = nullptr;
  QListWidget* languages_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace vx::panel
