#pragma once
// vxscan's channel list: "1=DCV,2=DCI:100:0.001,3=4W", one CH=FUNCTION entry per channel
// that is scanned (others are None). The functions are the window's: None, DCV, ACV, DCI,
// ACI, Freq, 2W and 4W, in any letter case; a channel may be written "CH3". DCI and ACI
// take their shunt, ":R" in ohms and optionally ":offset" in amperes, checked as the
// window checks its R and I fields; no other function takes one.

#include <string>
#include <string_view>
#include <vector>

#include "scanner/scan_setup.h"

namespace vx::scanner {

struct ChannelEntry {
  int channel = 0;  // from 1
  ChannelSetting setting;
  bool operator==(const ChannelEntry&) const = default;
};

struct ChannelList {
  std::vector<ChannelEntry> entries;
  // Empty when the list was read; otherwise what is wrong with it.
  std::string error;
};

ChannelList ParseChannelList(std::string_view text);

// The list as ParseChannelList reads it back.
std::string FormatChannelList(const std::vector<ChannelEntry>& entries);

// Sets up every channel of `setup` (which knows the card's channel count): the listed ones
// as given, the others None. "" when the card takes the list; otherwise why not (a channel
// the card lacks, "4W" above the lower half, a function on a four-wire sense pair).
std::string ApplyChannelList(const std::vector<ChannelEntry>& entries, ScanSetup& setup);

}  // namespace vx::scanner
