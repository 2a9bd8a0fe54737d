#pragma once
// The scanner card as the scanner window sets it up: how many channels it has, which
// function each channel measures, and the shunt of each current channel. Reading the card
// replaces every channel's function with what the card reports and resets the shunts.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/scan_function.h"

namespace vx::scanner {

// Sends one command line (with its line feed) to the meter and returns the answer of a
// query ("" for a command).
using QueryFunction = std::function<std::string(std::string_view command)>;

struct ChannelSetting {
  ScanFunction function = ScanFunction::None;
  double r = 0;       // shunt resistance, ohms (DCI and ACI)
  double offset = 0;  // amperes added after the division
  bool operator==(const ChannelSetting&) const = default;
};

class ScanSetup {
 public:
  static constexpr int kMaxChannels = 20;

  // Asks "Rout:state?": "1" means 10 channels, "2" 20, anything else no card (false, and no
  // channel). Then asks each channel's function ("Rout:scan:func? %d") and once more the
  // first channel's; every shunt becomes 0 and channel 0 is shown.
  bool ReadCard(const QueryFunction& query);

  // Sets up `channels` channels (10 or 20) without a card, every channel None: for vxscan's
  // channel list and for tests.
  void Reset(int channels);

  int Channels() const { return static_cast<int>(channels_.size()); }
  int Half() const { return Channels() / 2; }
  bool HasCard() const { return !channels_.empty(); }
  const std::vector<ChannelSetting>& Settings() const { return channels_; }
  const ChannelSetting& Channel(int k) const { return channels_[static_cast<size_t>(k)]; }
  std::vector<ScanFunction> Functions() const;

  // Channel k (0-based) is the sense partner of a four-wire channel k - n/2.
  bool IsSensePartner(int k) const;
  // The function list offers "4W" only on the lower half (k < n/2): 8 entries there, 7 above.
  int FunctionChoices(int k) const { return k < Half() ? kFunctionCount : kFunctionCount - 1; }
  // The function list is disabled on a sense partner.
  bool FunctionEditable(int k) const { return !IsSensePartner(k); }

  // The channel the window shows (the channel list's selection).
  int Shown() const { return shown_; }
  void Show(int k);
  const ChannelSetting& ShownChannel() const { return Channel(shown_); }
  // Edits of the shown channel. "4W" above the lower half is refused (false).
  bool SetFunction(ScanFunction f);
  void SetR(double r);
  void SetOffset(double offset);
  // Edits of any channel, for vxscan and tests; the same refusal.
  bool SetChannel(int k, const ChannelSetting& setting);

  // Before a run: a current channel without a shunt is measured as the voltage it is
  // (DCI with R = 0 becomes DCV, ACI becomes ACV).
  void DropUnshuntedCurrents();
  // Readings per pass: every channel with a function, a four-wire pair counting once.
  int ReadingsPerPass() const;
  // The channels the card is programmed with (sense partners of four-wire channels left
  // out), in channel order.
  std::vector<int> ProgrammedChannels() const;
  // The channels that yield a reading, in channel order.
  std::vector<int> ActiveChannels() const;

 private:
  std::vector<ChannelSetting> channels_;
  int shown_ = 0;
};

}  // namespace vx::scanner
