#pragma once
// The reading mode choices and the logic of the "Setting Mode" dialog, free of widgets.
//
// The front panel keeps a ReadingModeSettings, hands it to the dialog by reference and
// applies it when the dialog ends with OK (the dialog changes it only then):
//   - multiDevice: 0 reads the current meter only, 1 reads every listed meter in turn;
//   - per meter list position 0 to 3: saveFlag 1 when its readings are logged, recordNumber
//     the record (1 to 10) that receives them, 0 when none is chosen, and traceColour.
// Single-device mode edits (and logs) meter 0's entries.

#include <array>
#include <string>
#include <vector>

#include "common/prompt.h"
#include "common/rgb.h"

namespace vx::config {

inline constexpr int kReadingModeMeters = 4;

struct ReadingModeSettings {
  int multiDevice = 0;
  std::array<int, kReadingModeMeters> recordNumber{};
  std::array<unsigned char, kReadingModeMeters> saveFlag{};
  // Blue, green, red and black until the user chooses others.
  std::array<Rgb, kReadingModeMeters> traceColour{Rgb{0, 0, 255}, Rgb{0, 255, 0}, Rgb{255, 0, 0},
                                                  Rgb{0, 0, 0}};
  bool operator==(const ReadingModeSettings&) const = default;
};

// The ten lines of the record boxes ("Record 3", "Record 4            ( 26 / 12 / 06 -- … )"),
// read from the record folder, which this enters. When the folder cannot be entered it tells
// the user ("Database working folder not found.", titled "Database check") and returns no
// lines: logging cannot be chosen then, mode and colours still can.
std::vector<std::string> ReadingModeRecordLabels(Prompter& prompter);

// The dialog's state and rules. Entry k of a record box stands for record k + 1; entry -1
// means no record is chosen (the box then shows "Please select a record.").
class ReadingModeEditor {
 public:
  // `meterCount`: the meters the dialog's scan found. One meter forces single-device mode.
  ReadingModeEditor(const ReadingModeSettings& settings, int meterCount,
                    std::vector<std::string> recordLabels, Prompter& prompter);

  // The working copy; the dialog hands it back on OK only.
  const ReadingModeSettings& Settings() const { return settings_; }
  int MeterCount() const { return meterCount_; }
  const std::vector<std::string>& RecordLabels() const { return recordLabels_; }
  bool RecordsAvailable() const { return !recordLabels_.empty(); }

  // What the controls show.
  bool MultiLayout() const { return settings_.multiDevice == 1; }
  bool SingleRadioEnabled() const { return meterCount_ >= 1; }
  bool MultiRadioEnabled() const { return meterCount_ >= 2; }
  bool SingleSaveEnabled() const { return meterCount_ >= 1 && RecordsAvailable(); }
  bool SingleSaveChecked() const { return settings_.saveFlag[0] != 0; }
  bool SingleRecordEnabled() const { return SingleSaveEnabled() && SingleSaveChecked(); }
  int SingleRecordEntry() const { return EntryOf(settings_.recordNumber[0]); }
  Rgb SingleColour() const { return settings_.traceColour[0]; }
  // The meter the multi-device controls show (0 when the dialog opens).
  int CurrentMeter() const { return current_; }
  bool PreviousEnabled() const { return current_ > 0; }
  bool NextEnabled() const { return current_ < meterCount_ - 1; }
  bool MultiSaveEnabled() const { return meterCount_ >= 1 && RecordsAvailable(); }
  bool MultiSaveChecked() const { return Flag(current_) != 0; }
  bool MultiRecordEnabled() const { return MultiSaveEnabled() && MultiSaveChecked(); }
  int MultiRecordEntry() const { return EntryOf(Record(current_)); }
  Rgb MultiColour() const { return Colour(current_); }

  // The radio buttons. Multi-device mode needs two meters or more.
  void ChooseMode(bool multiDevice);
  void SetSingleSave(bool checked);
  void ChooseSingleRecord(int entry);
  void SetMultiSave(bool checked);
  // Takes the record for the current meter unless another logging meter has it already
  // (message 1014); false when refused, the previous record staying.
  bool ChooseMultiRecord(int entry);
  // "<<" and ">>": refused (false) while the current meter logs without a record (message
  // 1013) or shares its record with another logging meter (1014).
  bool StepPrevious();
  bool StepNext();
  // "Change Color": asks for a colour for meter 0 (single) or the current meter (multi);
  // true when one was chosen.
  bool ChangeColour();
  // OK: true when the dialog may close and hand the settings back.
  bool Accept();

 private:
  static int EntryOf(int record) { return record >= 1 ? record - 1 : -1; }
  int Position() const { return MultiLayout() ? current_ : 0; }
  unsigned char& Flag(int position);
  unsigned char Flag(int position) const;
  int& Record(int position);
  int Record(int position) const;
  Rgb Colour(int position) const;
  bool LacksRecord(int position) const;
  bool Conflicts(int position, int record) const;
  bool Step(int delta);
  void Tell(const char* key, const char* englishDefault);

  ReadingModeSettings settings_;
  int meterCount_;
  std::vector<std::string> recordLabels_;
  Prompter& prompter_;
  int current_ = 0;
};

}  // namespace vx::config
