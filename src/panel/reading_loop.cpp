#include "panel/reading_loop.h"

#include "common/c_number.h"
#include "panel/reading_classifier.h"

namespace vx::panel {

double DivisionStepValue(std::string_view stepText) {
  std::string text(stepText);
  const auto replace = [&text](std::string_view from, std::string_view to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
  };
  replace(" u", "E-6");
  replace(" n", "E-9");
  replace("m", "E-3");
  return LeadingNumber(text);
}

ReadingLoop::ReadingLoop() {
  for (int device = 0; device < kDevices; ++device) ResetRow(device);
}

void ReadingLoop::ResetRow(int device) {
  const size_t slot = Slot(device);
  divisionIndex_[slot] = kDefaultDivisionRow;
  divisionValue_[slot] = DivisionStepValue(DivisionTable[kDefaultDivisionRow].text);
  position_[slot] = 0;
  offset_[slot] = 0.0;
}

void ReadingLoop::BeginRun() {
  history_.Clear();
  tickCount_ = 0;
}

void ReadingLoop::StoreStartFunction(int i, std::string answer) {
  deviceFunction_[Slot(multiDevice_ ? i : 0)] = std::move(answer);
}

// No meter current (kNoDevice) has no function entry: a function button pressed then must
// not overwrite the entry of the meter in row 1.
void ReadingLoop::SetDeviceFunction(int device, std::string text) {
  if (device < 0 || device >= kDevices) return;
  deviceFunction_[static_cast<size_t>(device)] = std::move(text);
}

const std::string& ReadingLoop::DeviceFunction(int device) const {
  static const std::string kNone;
  if (device < 0 || device >= kDevices) return kNone;
  return deviceFunction_[static_cast<size_t>(device)];
}

ReadingLoop::TickOutcome ReadingLoop::Tick(const Query& query, const Log& log) {
  TickOutcome outcome;
  ++tickCount_;
  std::array<bool, kDevices> read{};
  std::array<std::optional<double>, kDevices> samples{};
  const int count = ReadCount();
  for (int i = 0; i < count; ++i) {
    const int device = ReadDevice(i);
    const std::string answer = query(device, "read?\n");
    if (answer.empty()) {
      // No answer at all is a meter that went away: the window stops reading.
      outcome.connectionLost = true;
      return outcome;
    }
    const ClassifiedReading reading = ClassifyReading(answer, DeviceFunction(device));
    outcome.labels[static_cast<size_t>(RowOf(i))] = reading.label;
    if (reading.logged && log) log(RowOf(i), *reading.logged);
    if (device < 0 || device >= kDevices) continue;
    read[static_cast<size_t>(device)] = true;
    samples[static_cast<size_t>(device)] = reading.sample;
  }
  history_.BeginTick(dots_, read);
  for (int device = 0; device < kDevices; ++device) {
    if (const auto& sample = samples[static_cast<size_t>(device)]) history_.Store(device, *sample);
  }
  if (tickCount_ % (dots_ / 50) == 0) {
    outcome.redraw = true;
    tickCount_ = 0;
  }
  return outcome;
}

int ReadingLoop::EditedDevice() const {
  if (multiDevice_ || currentDevice_ < 0 || currentDevice_ >= kDevices) return selectedRow_;
  return currentDevice_;
}

void ReadingLoop::RecomputeOffset(std::string_view offsetText) {
  const size_t row = Slot(EditedDevice());
  offset_[row] = position_[row] * divisionValue_[row] + LeadingNumber(offsetText);
}

bool ReadingLoop::StepDivision(bool larger, std::string_view offsetText) {
  const size_t row = Slot(EditedDevice());
  const int next = divisionIndex_[row] + (larger ? -1 : 1);
  if (next < 0 || next >= static_cast<int>(DivisionTable.size())) return false;
  divisionIndex_[row] = next;
  divisionValue_[row] = DivisionStepValue(DivisionTable[static_cast<size_t>(next)].text);
  RecomputeOffset(offsetText);
  return true;
}

OffsetEntry ReadingLoop::ApplyOffsetText(std::string_view offsetText) {
  OffsetEntry entry = CheckOffsetText(offsetText);
  if (entry.number) {
    const size_t row = Slot(EditedDevice());
    offset_[row] = position_[row] * divisionValue_[row] + *entry.number;
  }
  return entry;
}

std::optional<double> ReadingLoop::ApplyOffsetDirectly(std::string_view offsetText) {
  const OffsetEntry entry = CheckOffsetText(offsetText);
  if (entry.number) offset_[Slot(EditedDevice())] = *entry.number;
  return entry.number;
}

std::string ReadingLoop::OffsetTextOf(int device) const {
  const size_t row = Slot(device);
  return FormatOffset(offset_[row] - position_[row] * divisionValue_[row]);
}

bool ReadingLoop::MoveMarker(bool up, std::string_view offsetText) {
  int& position = position_[Slot(EditedDevice())];
  if (up ? position <= -kMarkerLimit : position >= kMarkerLimit) return false;
  position += up ? -1 : 1;
  RecomputeOffset(offsetText);
  return true;
}

}  // namespace vx::panel
