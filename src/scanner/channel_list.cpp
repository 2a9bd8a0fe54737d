#include "scanner/channel_list.h"

#include <cmath>

#include "common/c_number.h"
#include "scanner/field_checks.h"

namespace vx::scanner {
namespace {

constexpr const char* kFunctionNames = "None, DCV, ACV, DCI, ACI, Freq, 2W and 4W";

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text.substr(0, 60)) {
    const auto u = static_cast<unsigned char>(c);
    quoted += u >= 0x20 && u < 0x7F ? std::string(1, c) : FormatC("\\x%02X", u);
  }
  return quoted + "\"";
}

// A shunt value checked as the window's R and I fields check theirs.
std::string ReadShunt(std::string_view text, ShuntField field, int channel, double& value) {
  const ShuntFieldCheck check = CheckShuntField(text, field);
  const std::string prefix = FormatC("CH%d: ", channel);
  if (!check.ok) return prefix + check.message;
  value = LeadingNumber(text);
  if (!std::isfinite(value)) return prefix + CheckShuntField("?", field).message;
  if (field == ShuntField::R && value == 0) return prefix + kZeroShuntError;
  return {};
}

std::string ReadEntry(std::string_view text, ChannelEntry& entry) {
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    return Quoted(text) +
           " is not a channel setting: write CH=FUNCTION, for example 3=DCV or 2=DCI:100:0.001.";
  }
  std::string_view number = Trim(text.substr(0, equals));
  if (number.size() > 2 && EqualsNoCase(number.substr(0, 2), "CH")) number.remove_prefix(2);
  const std::optional<int> channel =
      number.empty() || number.front() == '+' || number.front() == '-' ? std::nullopt
                                                                       : WholeNumber(number);
  if (!channel || *channel < 1 || *channel > ScanSetup::kMaxChannels) {
    return Quoted(text) + ": channels are numbered from 1 to 20.";
  }
  entry.channel = *channel;
  const std::vector<std::string_view> parts = Split(text.substr(equals + 1), ':');
  const std::optional<ScanFunction> function = FunctionFromShownName(Trim(parts[0]));
  if (!function) return Quoted(text) + ": the functions are " + kFunctionNames + ".";
  entry.setting.function = *function;
  if (!IsCurrent(*function)) {
    if (parts.size() > 1)
      return FormatC("CH%d: only DCI and ACI take a shunt (:R:offset).", *channel);
    return {};
  }
  if (parts.size() < 2 || parts.size() > 3) {
    return FormatC(
        "CH%d: DCI and ACI take their shunt as :R or :R:offset, for example "
        "%d=DCI:100:0.001.",
        *channel, *channel);
  }
  if (std::string error = ReadShunt(Trim(parts[1]), ShuntField::R, *channel, entry.setting.r);
      !error.empty()) {
    return error;
  }
  if (parts.size() == 3) {
    return ReadShunt(Trim(parts[2]), ShuntField::I, *channel, entry.setting.offset);
  }
  return {};
}

}  // namespace

ChannelList ParseChannelList(std::string_view text) {
  ChannelList list;
  if (Trim(text).empty()) {
    list.error = "The channel list names no channel.";
    return list;
  }
  for (const std::string_view part : Split(text, ',')) {
    ChannelEntry entry;
    list.error = ReadEntry(Trim(part), entry);
    if (!list.error.empty()) break;
    for (const ChannelEntry& earlier : list.entries) {
      if (earlier.channel == entry.channel) {
        list.error = FormatC("CH%d is given twice.", entry.channel);
        break;
      }
    }
    if (!list.error.empty()) break;
    list.entries.push_back(entry);
  }
  if (!list.error.empty()) list.entries.clear();
  return list;
}

std::string FormatChannelList(const std::vector<ChannelEntry>& entries) {
  std::string text;
  for (const ChannelEntry& entry : entries) {
    if (!text.empty()) text += ',';
    const std::string_view name = ShownName(entry.setting.function);
    text += FormatC("%d=%.*s", entry.channel, static_cast<int>(name.size()), name.data());
    if (IsCurrent(entry.setting.function)) {
      // Written so that the shunt fields' check takes it back: no "+" in an exponent.
      std::string shunt = FormatC(":%.17g:%.17g", entry.setting.r, entry.setting.offset);
      std::erase(shunt, '+');
      text += shunt;
    }
  }
  return text;
}

std::string ApplyChannelList(const std::vector<ChannelEntry>& entries, ScanSetup& setup) {
  const int n = setup.Channels();
  const int half = setup.Half();
  if (n == 0) return "The meter has no scanner card.";
  setup.Reset(n);
  for (const ChannelEntry& entry : entries) {
    if (entry.channel > n) return FormatC("CH%d: the card has %d channels.", entry.channel, n);
    if (entry.setting.function == ScanFunction::FourWire && entry.channel > half) {
      return FormatC(
          "CH%d: 4W is offered on CH1 to CH%d only; its sense pair is the channel %d "
          "above.",
          entry.channel, half, half);
    }
    setup.SetChannel(entry.channel - 1, entry.setting);
  }
  for (const ChannelEntry& entry : entries) {
    if (entry.setting.function != ScanFunction::None && setup.IsSensePartner(entry.channel - 1)) {
      return FormatC("CH%d is the sense pair of CH%d (4W) and takes no function of its own.",
                     entry.channel, entry.channel - half);
    }
  }
  return {};
}

}  // namespace vx::scanner
