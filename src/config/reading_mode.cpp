#include "config/reading_mode.h"

#include <algorithm>
#include <utility>

#include "common/captions.h"
#include "records/record_slots.h"

namespace vx::config {

std::vector<std::string> ReadingModeRecordLabels(Prompter& prompter) {
  const records::Result<records::RecordSlots> slots = records::ListRecordSlots();
  if (!slots.Ok()) {
    prompter.Message(slots.GetStatus().message, "Database check", MessageIcon::None);
    return {};
  }
  std::vector<std::string> labels;
  for (const records::RecordSlot& slot : slots.Value())
    labels.push_back(records::RecordLabel(slot, records::ListForm::ReadingMode).value_or(""));
  return labels;
}

ReadingModeEditor::ReadingModeEditor(const ReadingModeSettings& settings, int meterCount,
                                     std::vector<std::string> recordLabels, Prompter& prompter)
    : settings_(settings),
      meterCount_(std::clamp(meterCount, 0, kReadingModeMeters)),
      recordLabels_(std::move(recordLabels)),
      prompter_(prompter) {
  if (meterCount_ == 1) settings_.multiDevice = 0;
}

unsigned char& ReadingModeEditor::Flag(int position) {
  return settings_.saveFlag[static_cast<size_t>(position)];
}
unsigned char ReadingModeEditor::Flag(int position) const {
  return settings_.saveFlag[static_cast<size_t>(position)];
}
int& ReadingModeEditor::Record(int position) {
  return settings_.recordNumber[static_cast<size_t>(position)];
}
int ReadingModeEditor::Record(int position) const {
  return settings_.recordNumber[static_cast<size_t>(position)];
}
Rgb ReadingModeEditor::Colour(int position) const {
  return settings_.traceColour[static_cast<size_t>(position)];
}

void ReadingModeEditor::Tell(const char* key, const char* englishDefault) {
  prompter_.Message(Caption(key, englishDefault), "", MessageIcon::Exclamation);
}

void ReadingModeEditor::ChooseMode(bool multiDevice) {
  if (multiDevice && !MultiRadioEnabled()) return;
  settings_.multiDevice = multiDevice ? 1 : 0;
}

void ReadingModeEditor::SetSingleSave(bool checked) {
  if (SingleSaveEnabled()) Flag(0) = checked ? 1 : 0;
}

void ReadingModeEditor::ChooseSingleRecord(int entry) {
  if (SingleRecordEnabled() && entry >= 0 && entry < static_cast<int>(recordLabels_.size()))
    Record(0) = entry + 1;
}

void ReadingModeEditor::SetMultiSave(bool checked) {
  if (MultiSaveEnabled()) Flag(current_) = checked ? 1 : 0;
}

// A logging meter without a record would have the panel open a record that does not exist.
// Without a record folder nothing can be chosen, and the flags are left as they are.
bool ReadingModeEditor::LacksRecord(int position) const {
  return RecordsAvailable() && Flag(position) != 0 && Record(position) == 0;
}

// Two logging meters may not write into one record: their readings would interleave.
bool ReadingModeEditor::Conflicts(int position, int record) const {
  if (Flag(position) == 0) return false;
  for (int other = 0; other < meterCount_; ++other) {
    if (other != position && Flag(other) != 0 && Record(other) == record) return true;
  }
  return false;
}

bool ReadingModeEditor::ChooseMultiRecord(int entry) {
  if (!MultiRecordEnabled() || entry < 0 || entry >= static_cast<int>(recordLabels_.size()))
    return false;
  if (Conflicts(current_, entry + 1)) {
    Tell("1014", "The record has been selected, please select a different record.");
    return false;
  }
  Record(current_) = entry + 1;
  return true;
}

bool ReadingModeEditor::Step(int delta) {
  const int target = current_ + delta;
  if (target < 0 || target >= meterCount_) return false;
  if (LacksRecord(current_)) {
    Tell("1013", "Please select a record.");
    return false;
  }
  if (Conflicts(current_, Record(current_))) {
    Tell("1014", "The record has been selected, please select a different record.");
    return false;
  }
  current_ = target;
  return true;
}

bool ReadingModeEditor::StepPrevious() {
  return Step(-1);
}
bool ReadingModeEditor::StepNext() {
  return Step(+1);
}

bool ReadingModeEditor::ChangeColour() {
  const int position = Position();
  const std::optional<Rgb> chosen = prompter_.ChooseColour(Colour(position));
  if (!chosen) return false;
  settings_.traceColour[static_cast<size_t>(position)] = *chosen;
  return true;
}

bool ReadingModeEditor::Accept() {
  // The save box of the layout on show, checked with no record chosen.
  if (LacksRecord(Position())) {
    Tell("1013", "Please select a record.");
    return false;
  }
  if (MultiLayout() && Conflicts(current_, Record(current_))) {
    Tell("1014", "The record has been selected, please select a different record.");
    return false;
  }
  return true;
}

}  // namespace vx::config
