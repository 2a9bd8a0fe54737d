#pragma once
// The production Prompter: Qt message boxes, file and colour dialogs.

#include "common/prompt.h"

class QWidget;

namespace vx {

class QtPrompter final : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  using Prompter::Message;
  MessageAnswer Message(const MessageRequest& request) override;
  std::optional<std::string> SaveFileName(const SaveFileRequest& request) override;
  std::optional<Rgb> ChooseColour(Rgb initial) override;

 private:
  QWidget* parent_;
};

// "CSV Files(*.CSV)|*.CSV||" becomes "CSV Files(*.CSV) (*.CSV *.csv)": the description and
// pattern pairs of the windows' filters in the form Qt's dialogs take, with the patterns
// made to match either letter case as they do on the desktop the filters were written for.
std::string QtFilterFromWindowsFilter(const std::string& filter);

}  // namespace vx
