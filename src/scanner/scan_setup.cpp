#include "scanner/scan_setup.h"

#include "common/c_number.h"

namespace vx::scanner {

bool ScanSetup::ReadCard(const QueryFunction& query) {
  channels_.clear();
  shown_ = 0;
  const std::string state = query("Rout:state?\n");
  const int n = state.starts_with('1') ? 10 : state.starts_with('2') ? 20 : 0;
  if (n == 0) return false;
  channels_.resize(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    ScanFunction f = FunctionFromCardAnswer(query(FormatC("Rout:scan:func? %d\n", k + 1)));
    // Four-wire resistance needs the sense partner above: a card cannot hold it higher up.
    if (f == ScanFunction::FourWire && k >= n / 2) f = ScanFunction::None;
    channels_[static_cast<size_t>(k)].function = f;
  }
  query("Rout:scan:func? 1\n");
  return true;
}

void ScanSetup::Reset(int channels) {
  channels_.assign(static_cast<size_t>(channels <= 10 ? 10 : 20), ChannelSetting{});
  shown_ = 0;
}

std::vector<ScanFunction> ScanSetup::Functions() const {
  std::vector<ScanFunction> functions;
  functions.reserve(channels_.size());
  for (const ChannelSetting& channel : channels_) functions.push_back(channel.function);
  return functions;
}

bool ScanSetup::IsSensePartner(int k) const {
  return k >= Half() && k < Channels() && Channel(k - Half()).function == ScanFunction::FourWire;
}

void ScanSetup::Show(int k) {
  if (k >= 0 && k < Channels()) shown_ = k;
}

bool ScanSetup::SetFunction(ScanFunction f) {
  if (!HasCard()) return false;
  ChannelSetting setting = ShownChannel();
  setting.function = f;
  return SetChannel(shown_, setting);
}

void ScanSetup::SetR(double r) {
  if (HasCard()) channels_[static_cast<size_t>(shown_)].r = r;
}

void ScanSetup::SetOffset(double offset) {
  if (HasCard()) channels_[static_cast<size_t>(shown_)].offset = offset;
}

bool ScanSetup::SetChannel(int k, const ChannelSetting& setting) {
  if (k < 0 || k >= Channels()) return false;
  if (setting.function == ScanFunction::FourWire && k >= Half()) return false;
  channels_[static_cast<size_t>(k)] = setting;
  return true;
}

void ScanSetup::DropUnshuntedCurrents() {
  for (ChannelSetting& channel : channels_) {
    if (IsCurrent(channel.function) && channel.r == 0) {
      channel.function = WithoutShunt(channel.function);
    }
  }
}

int ScanSetup::ReadingsPerPass() const {
  const int half = Half();
  int d = Channels();
  for (int k = 0; k < Channels(); ++k) {
    const ScanFunction f = Channel(k).function;
    if (k < half) {
      if (f == ScanFunction::FourWire || f == ScanFunction::None) --d;
    } else if (f == ScanFunction::None && !IsSensePartner(k)) {
      --d;
    }
  }
  return d;
}

std::vector<int> ScanSetup::ProgrammedChannels() const {
  std::vector<int> programmed;
  for (int k = 0; k < Channels(); ++k) {
    if (!IsSensePartner(k)) programmed.push_back(k);
  }
  return programmed;
}

std::vector<int> ScanSetup::ActiveChannels() const {
  std::vector<int> active;
  for (const int k : ProgrammedChannels()) {
    if (Channel(k).function != ScanFunction::None) active.push_back(k);
  }
  return active;
}

}  // namespace vx::scanner
