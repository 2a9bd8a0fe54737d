#pragma once
// How one simulated instrument is described: its descriptor, identity answer, scanner card,
// input signals and faults. Simulation files (the file VX_VISA_SIM names, the file k9sim
// serves) hold one such description per section.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vx::sim {

enum class FaultKind {
  None,
  NoAnswer,        // queries get no answer at all: every read times out
  LateAnswer,      // answers become readable only `lateBy` after the command
  ConnectionLost,  // after `lostAfterCommands` commands every operation fails as disconnected
  Garbage,         // answers are replaced by random bytes, NUL and binary bytes included
  Overlong,        // answers are padded with digits to `overlongBytes` bytes
  Unterminated,    // answers come without their line end (and without end of message)
};

struct FaultConfig {
  FaultKind kind = FaultKind::None;
  std::chrono::milliseconds lateBy{0};
  unsigned lostAfterCommands = 0;
  std::size_t overlongBytes = 5000;
  // The fault starts after this many commands have been executed normally, so that a meter
  // can be identified by a scan and fail afterwards.
  unsigned afterCommands = 0;
  // When not empty, only commands whose header begins with this text (compared without
  // regard to case, e.g. "READ?") are affected.
  std::string onlyFor;
};

struct MeterConfig {
  std::string descriptor;  // "USB0::0x1F3A::0x0C21::TW00012345::INSTR"
  std::string identity;    // the *IDN? answer, without its line end
  int cardChannels = 0;    // scanner card: 0 (none), 10 or 20 channels
  std::uint64_t seed = 1;  // noise generator seed: equal seeds give equal readings
  FaultConfig fault;
  // Input signal per measurement function, keyed by the function's SCPI name as the meter
  // reports it ("VOLT", "VOLT:AC", "CURR", "CURR:AC", "RES", "FRES", "FREQ", "PER", "CONT",
  // "DIOD", "TEMP", "TCO", "VOLT:RAT", "CAP"); functions not given use built-in values.
  std::map<std::string, double> inputs;
  // Relative noise added to every reading (0 for exact, repeatable values).
  double noise = 2e-6;
  // Scanner card channel inputs (volts, or ohms for resistance functions), channel 1 first;
  // channels not given use built-in values.
  std::vector<double> channelInputs;
  // An armed external trigger arrives this long after "INIT"; negative: only when
  // SimulatedMeter::FireExternalTrigger is called.
  std::chrono::milliseconds externalTriggerAfter{-1};
};

struct SimulationFile {
  std::vector<MeterConfig> meters;
  // Empty when the file was read without trouble; otherwise what is wrong, naming the file
  // and the section (meters described correctly are still listed).
  std::string error;
};

// Reads a simulation file. Each section with a "Descriptor" key describes one instrument.
SimulationFile LoadSimulationFile(const std::string& path);
SimulationFile ParseSimulationText(const std::string& text, const std::string& fileName);

}  // namespace vx::sim
