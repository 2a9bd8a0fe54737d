#include "sim/scanner_card.h"

#include <algorithm>
#include <cmath>

#include "common/c_number.h"
#include "sim/reading_model.h"

namespace vx::sim {
namespace {

constexpr std::string_view kChannelNames[] = {"NONE", "VOLT:DC", "VOLT:AC", "FREQ", "RES", "FRES"};
constexpr auto kMinimumDwell = std::chrono::milliseconds(10);

}  // namespace

std::string_view ChannelFunctionName(ChannelFunction f) {
  return kChannelNames[static_cast<size_t>(f)];
}

std::optional<ChannelFunction> ChannelFunctionFromName(std::string_view name) {
  const std::string upper = ToUpperAscii(Trim(name));
  if (upper == "NONE") return ChannelFunction::None;
  if (upper == "VOLT:DC" || upper == "VOLT" || upper == "VOLTAGE" || upper == "VOLTAGE:DC") {
    return ChannelFunction::VoltDc;
  }
  if (upper == "VOLT:AC" || upper == "VOLTAGE:AC") return ChannelFunction::VoltAc;
  if (upper == "FREQ" || upper == "FREQUENCY") return ChannelFunction::Freq;
  if (upper == "RES" || upper == "RESISTANCE") return ChannelFunction::Res;
  if (upper == "FRES" || upper == "FRESISTANCE") return ChannelFunction::FRes;
  return std::nullopt;
}

ScannerCard::ScannerCard(int channels, std::vector<double> inputs, std::uint64_t seed, double noise)
    : channels_(channels <= 0    ? 0
                : channels <= 10 ? 10
                                 : 20),
      inputs_(std::move(inputs)),
      seed_(seed ^ 0x5CA77E4C0DEULL),
      noise_(noise) {
  Reset();
}

void ScannerCard::Reset() {
  functions_.assign(static_cast<size_t>(channels_), ChannelFunction::None);
  count_ = channels_;
  timer_ = 0.5;
  scan_.reset();
}

ScannerCard::SetResult ScannerCard::SetFunction(int channel, ChannelFunction f) {
  if (channel < 1 || channel > channels_) return SetResult::BadChannel;
  // Four-wire resistance needs the sense pair k + n/2, so only the lower half offers it.
  if (f == ChannelFunction::FRes && channel > channels_ / 2) return SetResult::Conflict;
  functions_[static_cast<size_t>(channel - 1)] = f;
  return SetResult::Ok;
}

ChannelFunction ScannerCard::FunctionOf(int channel) const {
  if (channel < 1 || channel > channels_) return ChannelFunction::None;
  return functions_[static_cast<size_t>(channel - 1)];
}

double ScannerCard::InputOf(int channel, ChannelFunction f) const {
  const auto k = static_cast<size_t>(channel);
  if (k >= 1 && k <= inputs_.size()) return inputs_[k - 1];
  const double c = static_cast<double>(channel);
  switch (f) {
    case ChannelFunction::VoltDc:
    case ChannelFunction::VoltAc:
      return 0.1 * c + 0.0123;
    case ChannelFunction::Freq:
      return 1000.0 * c + 0.5;
    case ChannelFunction::Res:
      return 1000.0 * c + 12.3;
    case ChannelFunction::FRes:
      return 100.0 * c + 1.23;
    case ChannelFunction::None:
      break;
  }
  return 0.0;
}

bool ScannerCard::Start(TimePoint now, bool stepMode, double secondsSincePowerOn) {
  Scan scan;
  const int half = channels_ / 2;
  for (int k = 1; k <= channels_; ++k) {
    const ChannelFunction f = FunctionOf(k);
    if (f == ChannelFunction::None) continue;
    // The sense pair of a four-wire channel is busy with that channel.
    if (k > half && FunctionOf(k - half) == ChannelFunction::FRes) continue;
    scan.channels.push_back(k);
    scan.functions.push_back(f);
  }
  if (scan.channels.empty()) return false;
  scan.start = now;
  const auto dwell =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::duration<double>(timer_));
  scan.dwell = std::max<std::chrono::microseconds>(dwell, kMinimumDwell);
  scan.count = count_;
  scan.stepMode = stepMode;
  scan.number = ++scansStarted_;
  scan.startSeconds = secondsSincePowerOn;
  scan_ = std::move(scan);
  return true;
}

void ScannerCard::Abort(TimePoint now) {
  if (scan_ && now < scan_->stoppedAt) scan_->stoppedAt = now;
}

int ScannerCard::Complete(TimePoint now) const {
  if (!scan_) return 0;
  const TimePoint until = std::min(now, scan_->stoppedAt);
  // A scan takes reading i at the end of its dwell; a step scan as it steps to its channel,
  // at the dwell's start.
  if (until < scan_->start || (until == scan_->start && !scan_->stepMode)) return 0;
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(until - scan_->start);
  const auto done = elapsed / scan_->dwell + (scan_->stepMode ? 1 : 0);
  return static_cast<int>(std::min<long long>(done, scan_->count));
}

double ScannerCard::ReadingValue(const Scan& scan, int index) const {
  const size_t slot = static_cast<size_t>(index) % scan.channels.size();
  const int channel = scan.channels[slot];
  const ChannelFunction f = scan.functions[slot];
  double input = InputOf(channel, f);
  if (f == ChannelFunction::VoltAc || f == ChannelFunction::Freq) input = std::fabs(input);
  const double seconds = scan.startSeconds + std::chrono::duration<double>(scan.dwell).count() *
                                                 static_cast<double>(index + 1);
  const double value =
      SignalAt(input, noise_, seconds, channel,
               HashedGaussian(seed_, scan.number, static_cast<std::uint64_t>(index)));
  // Channels are read with autoranging: overload only beyond the top range.
  double limit = 0;
  switch (f) {
    case ChannelFunction::VoltDc:
      limit = 1000.0 * 1.2;
      break;
    case ChannelFunction::VoltAc:
      limit = 750.0 * 1.2;
      break;
    case ChannelFunction::Res:
    case ChannelFunction::FRes:
      limit = 1e8 * 1.2;
      break;
    case ChannelFunction::Freq:
    case ChannelFunction::None:
      break;
  }
  if (limit > 0 && std::fabs(value) > limit) return kOverloadValue;
  return value;
}

void ScannerCard::AppendReadings(std::string& out, TimePoint now) const {
  if (!scan_) return;
  const int n = Complete(now);
  out.reserve(out.size() + static_cast<size_t>(n) * 16);
  for (int i = 0; i < n; ++i) {
    if (i > 0) out.push_back(',');
    AppendReading(out, ReadingValue(*scan_, i));
  }
}

}  // namespace vx::sim
