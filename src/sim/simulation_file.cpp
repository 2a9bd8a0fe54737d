// Simulation files: one instrument per INI section that has a "Descriptor" key. The keys are
// documented in share/sim/default.ini.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

#include "common/c_number.h"
#include "common/ini_file.h"
#include "sim/measurement.h"
#include "sim/meter_config.h"
#include "sim/scpi_command.h"

namespace vx::sim {
namespace {

bool ParseInteger(std::string_view text, long long& value) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseUnsigned(std::string_view text, std::uint64_t& value) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<FaultKind> FaultFromName(std::string_view name) {
  const std::string n = ToLowerAscii(Trim(name));
  if (n.empty() || n == "none") return FaultKind::None;
  if (n == "noanswer") return FaultKind::NoAnswer;
  if (n == "late" || n == "lateanswer") return FaultKind::LateAnswer;
  if (n == "lost" || n == "connectionlost") return FaultKind::ConnectionLost;
  if (n == "garbage") return FaultKind::Garbage;
  if (n == "overlong") return FaultKind::Overlong;
  if (n == "unterminated") return FaultKind::Unterminated;
  return std::nullopt;
}

// The serial number field of a USB descriptor ("USB0::0x1F3A::0x0C21::TW00012345::INSTR").
std::string SerialFromDescriptor(std::string_view descriptor) {
  if (!StartsWithNoCase(descriptor, "USB")) return "0";
  size_t pos = 0;
  for (int field = 0; field < 3; ++field) {
    pos = descriptor.find("::", pos);
    if (pos == std::string_view::npos) return "0";
    pos += 2;
  }
  const size_t end = descriptor.find("::", pos);
  const std::string_view serial =
      descriptor.substr(pos, end == std::string_view::npos ? end : end - pos);
  return serial.empty() ? "0" : std::string(serial);
}

class SectionReader {
 public:
  SectionReader(const IniDocument& doc, std::string section, const std::string& fileName)
      : doc_(doc), section_(std::move(section)), fileName_(fileName) {}

  // Fills `meter`; on trouble returns false with the reason in `error`.
  bool Read(MeterConfig& meter, std::string& error) {
    std::string maker = "TOLVEX", model = "W9-90/1", serial, firmware = "Q7110 1.05";
    bool hasIdentity = false, hasSerial = false;
    long long afterMs = -1;
    for (const std::string& key : doc_.KeyNames(section_)) {
      const std::string value = doc_.Get(section_, key, "");
      key_ = key;
      value_ = value;
      if (EqualsNoCase(key, "Descriptor")) {
        const std::string_view d = Trim(value);
        if (d.empty() || d.find_first_of(" \t") != std::string_view::npos ||
            d.find("::") == std::string_view::npos) {
          return Fail(error, "not a VISA resource descriptor such as GPIB0::22::INSTR");
        }
        meter.descriptor = std::string(d);
      } else if (EqualsNoCase(key, "Identity")) {
        meter.identity = value;
        hasIdentity = true;
      } else if (EqualsNoCase(key, "Maker")) {
        maker = value;
      } else if (EqualsNoCase(key, "Model")) {
        model = value;
      } else if (EqualsNoCase(key, "Serial")) {
        serial = value;
        hasSerial = true;
      } else if (EqualsNoCase(key, "Firmware")) {
        firmware = value;
      } else if (EqualsNoCase(key, "Card")) {
        long long n = 0;
        if (!ParseInteger(value, n) || (n != 0 && n != 10 && n != 20)) {
          return Fail(error, "the card has 0 (none), 10 or 20 channels");
        }
        meter.cardChannels = static_cast<int>(n);
      } else if (EqualsNoCase(key, "Seed")) {
        if (!ParseUnsigned(value, meter.seed))
          return Fail(error, "a whole number 0 or more expected");
      } else if (EqualsNoCase(key, "Noise")) {
        double n = 0;
        if (!ParseNumber(value, n) || n < 0 || n >= 1) {
          return Fail(error, "a relative noise from 0 up to (not including) 1 expected");
        }
        meter.noise = n;
      } else if (EqualsNoCase(key, "ChannelInputs")) {
        meter.channelInputs.clear();
        std::string_view rest = value;
        std::string_view item;
        while (NextParameter(rest, item)) {
          double x = 0;
          if (!ParseNumber(item, x))
            return Fail(error, "a comma-separated list of numbers expected");
          meter.channelInputs.push_back(x);
        }
        if (meter.channelInputs.size() > 20) return Fail(error, "at most 20 channel inputs");
      } else if (EqualsNoCase(key, "ExternalTriggerAfterMs")) {
        if (!ParseInteger(value, afterMs)) {
          return Fail(error, "milliseconds expected (negative: only when fired by hand)");
        }
      } else if (EqualsNoCase(key, "Fault")) {
        const auto kind = FaultFromName(value);
        if (!kind) {
          return Fail(error, "one of none, noanswer, late, lost, garbage, overlong, unterminated");
        }
        meter.fault.kind = *kind;
      } else if (EqualsNoCase(key, "LateMs")) {
        long long ms = 0;
        if (!ParseInteger(value, ms) || ms < 0)
          return Fail(error, "milliseconds, 0 or more, expected");
        meter.fault.lateBy = std::chrono::milliseconds(ms);
      } else if (EqualsNoCase(key, "LostAfter") || EqualsNoCase(key, "FaultAfter")) {
        long long n = 0;
        if (!ParseInteger(value, n) || n < 0 || n > 0xFFFFFFFFLL) {
          return Fail(error, "a number of commands, 0 or more, expected");
        }
        (EqualsNoCase(key, "LostAfter") ? meter.fault.lostAfterCommands
                                        : meter.fault.afterCommands) = static_cast<unsigned>(n);
      } else if (EqualsNoCase(key, "OverlongBytes")) {
        long long n = 0;
        if (!ParseInteger(value, n) || n < 1 || n > 100'000'000) {
          return Fail(error, "a number of bytes from 1 to 100000000 expected");
        }
        meter.fault.overlongBytes = static_cast<std::size_t>(n);
      } else if (EqualsNoCase(key, "FaultOn")) {
        meter.fault.onlyFor = std::string(Trim(value));
      } else if (const auto f = FunctionFromName(key)) {
        double x = 0;
        if (!ParseNumber(value, x)) return Fail(error, "a number expected");
        meter.inputs[std::string(FunctionName(*f))] = x;
      } else {
        value_.clear();
        return Fail(error, "unknown key");
      }
    }
    meter.externalTriggerAfter = std::chrono::milliseconds(afterMs < 0 ? -1 : afterMs);
    if (!hasIdentity) {
      if (!hasSerial) serial = SerialFromDescriptor(meter.descriptor);
      meter.identity = maker + "," + model + "," + serial + "," + firmware;
    }
    return true;
  }

 private:
  bool Fail(std::string& error, std::string_view problem) {
    error = fileName_ + ", section [" + section_ + "], key \"" + key_ + "\"";
    if (!value_.empty()) error += " = \"" + value_ + "\"";
    error += ": ";
    error += problem;
    return false;
  }

  const IniDocument& doc_;
  std::string section_;
  const std::string& fileName_;
  std::string key_;
  std::string value_;
};

}  // namespace

SimulationFile ParseSimulationText(const std::string& text, const std::string& fileName) {
  SimulationFile result;
  const IniDocument doc = IniDocument::Parse(text);
  std::set<std::string> sections;
  std::set<std::string> descriptors;
  auto addError = [&result](const std::string& message) {
    if (!result.error.empty()) result.error += "\n";
    result.error += message;
  };
  bool anyInstrument = false;
  for (const std::string& section : doc.SectionNames()) {
    if (!doc.Has(section, "Descriptor")) continue;
    anyInstrument = true;
    if (!sections.insert(ToUpperAscii(section)).second) {
      addError(fileName + ", section [" + section +
               "]: the section appears twice; only the first one is read");
      continue;
    }
    MeterConfig meter;
    std::string error;
    if (!SectionReader(doc, section, fileName).Read(meter, error)) {
      addError(error + " (the instrument is left out)");
      continue;
    }
    if (!descriptors.insert(ToUpperAscii(meter.descriptor)).second) {
      addError(fileName + ", section [" + section + "], key \"Descriptor\": " + meter.descriptor +
               " is described twice; the first description is used");
      continue;
    }
    result.meters.push_back(std::move(meter));
  }
  if (!anyInstrument) {
    addError(fileName + ": no section describes an instrument (none has a \"Descriptor\" key)");
  }
  return result;
}

SimulationFile LoadSimulationFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    SimulationFile result;
    result.error = path + ": the simulation file cannot be read";
    return result;
  }
  std::string text;
  char buffer[8192];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    SimulationFile result;
    result.error = path + ": the simulation file cannot be read";
    return result;
  }
  return ParseSimulationText(text, path);
}

}  // namespace vx::sim
