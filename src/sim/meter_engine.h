#pragma once
// The firmware of the simulated meter: executes command lines, keeps the measurement
// settings, the trigger system, the status registers and the error queue, drives the scanner
// card and applies the configured faults to the answers.
//
// Several connections share one meter (the sessions of the in-process VISA backend, the TCP
// connections of k9sim): they share its settings, readings, scan and trigger, but each has
// its own output queue, and an answer goes to the queue of the connection that asked, also
// one that completes later (a triggered reading, a waiting "*OPC?").
//
// Commands are looked up in a table of SCPI patterns (scpi_pattern.h). The handlers are
// member functions, one file per SCPI subsystem, each of which also lists its patterns:
//   commands_common.cpp     IEEE 488.2 common commands (*IDN?, *RST, *OPC, ...)
//   commands_sense.cpp      [SENSe:] functions, ranges, integration times, sensors
//   commands_configure.cpp  CONFigure and MEASure
//   commands_trigger.cpp    TRIGger, SAMPle, INITiate, ABORt, READ?, FETCh? and the trigger
//                           system behind them
//   commands_route.cpp      ROUTe: the scanner card
//   commands_system.cpp     SYSTem: the error queue and the version
// Not thread-safe and never waits: SimulatedMeter locks it, one command at a time, and does
// the waiting.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/measurement.h"
#include "sim/meter_config.h"
#include "sim/output_queue.h"
#include "sim/reading_model.h"
#include "sim/scanner_card.h"
#include "sim/scpi_command.h"
#include "sim/simulated_meter.h"

namespace vx::sim {

// The answers to the queries of one command line, gathered into the line's one response
// message as IEEE 488.2 forms it: the units separated by ";" and ended by one line feed.
struct ResponseMessage {
  std::string bytes;  // the units so far, without the line feed
  int units = 0;
  std::chrono::steady_clock::time_point readyAt{};  // when the latest unit is ready
  bool endOfMessage = true;  // false once a unit is given without its line end
  bool full = false;         // the output queue is full: the line's further queries are not run
  void Clear() {
    bytes.clear();
    units = 0;
    readyAt = {};
    endOfMessage = true;
    full = false;
  }
};

class MeterEngine {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  static constexpr std::size_t kErrorQueueSize = 20;
  // The most one connection's unread answers may hold, counted as the bytes are sent.
  static constexpr std::size_t kMaxOutputBytes = 16u << 20;
  static constexpr int kMaxReadings = 50000;

  MeterEngine(const MeterConfig& config, TimePoint powerOn);

  // Executes one command of a line for the connection whose answers go to `out`; an answer
  // joins the line's `response`. Once `out` and the response would pass kMaxOutputBytes,
  // queries are not run (error -350), as a meter's full output queue stops it. Returns false
  // when the connection was lost on it: the rest of the line is dropped, and the response.
  // Each command is a step of its own, so that the meter's lock is held one command at a time.
  bool ExecuteCommand(std::string_view command, TimePoint now, OutputQueue& out,
                      ResponseMessage& response);
  // The line has ended: its response message, when it has one, goes to `out`.
  void EndLine(OutputQueue& out, ResponseMessage& response);
  // A command line longer than the input buffer.
  void InputOverrun();

  // Brings the trigger system up to `now` (an external trigger that came due).
  void Advance(TimePoint now);
  // When Advance next has something to do, if ever.
  std::optional<TimePoint> NextEvent() const;
  void ExternalTrigger(TimePoint now);
  // Device clear from the connection of `out`: drops its unread answers, and aborts a waiting
  // measurement together with the answers every connection waits for.
  void DeviceClear(OutputQueue& out);
  // The connection of `out` ends: answers still owed to it are forgotten.
  void Disconnect(const OutputQueue& out);

  // The status byte for the connection of `out`: error queue, its message available,
  // standard event summary and the request-service summary.
  int StatusByte(const OutputQueue& out) const;

  bool Lost() const { return lost_; }
  unsigned CommandCount() const { return commandCount_; }
  Variant ModelVariant() const { return variant_; }

 private:
  enum class TriggerSource { Immediate, External, Bus };
  enum class PendingKind { OperationComplete, Readings };
  struct Pending {
    PendingKind kind;
    bool affected;     // the fault applies to its answer
    OutputQueue* out;  // the connection that asked
  };
  struct FunctionSettings {
    int range = 0;  // index into Ranges(f) while autoRange is off
    bool autoRange = true;
    double nplc = 10;
  };
  // Marks the answer "1" that a completed measurement gives the "*OPC?" queries that waited.
  static constexpr int kDeferredOpcTag = 1;
  // Where a parameter names one end of a setting's scale ("MIN", "MAX") or its default.
  enum class Special { None, Min, Max, Def };

  // One command as its handler sees it.
  struct Call {
    const Header& header;
    std::string_view params;
    TimePoint now;
    int arg;     // the table entry's argument (a Function for the function-path commands)
    int suffix;  // the numeric suffix of the pattern's "#" keyword
    bool Query() const { return header.query; }
    Function F() const { return static_cast<Function>(arg); }
  };
  using Handler = void (MeterEngine::*)(const Call&);
  struct CommandEntry {
    std::string pattern;
    Handler handler;
    int arg = 0;
  };
  using CommandList = std::vector<CommandEntry>;
  class CommandTable;
  static const CommandTable& Commands();

  // Core (meter_engine.cpp).
  void ResetSettings();
  void RunCommand(std::string_view command, TimePoint now, ResponseMessage& response);
  void Dispatch(std::string_view headerText, std::string_view params, TimePoint now);
  std::string& Answer() {
    answered_ = true;
    return answer_;
  }
  void AnswerNumber(double value);
  void AnswerInteger(long value);
  // Applies the configured fault to an answer about to be given: its ready time, garbage in
  // its place, the size it takes once padded, a missing line end. False when the fault
  // swallows it.
  bool ApplyFault(std::string& text, bool affected, TimePoint& at, size_t& padded,
                  bool& endOfMessage);
  // An answer that completes later (a triggered reading, a waiting "*OPC?") is a message of
  // its own; an answer given at once is a unit of its line's response.
  void Emit(std::string& text, bool affected, TimePoint at, OutputQueue& out, int tag = 0);
  void AddUnit(std::string& text, bool affected, TimePoint at, const OutputQueue& out,
               ResponseMessage& response);
  void AddError(int code);
  bool NoParams(std::string_view params);
  bool OneParam(std::string_view params, std::string_view& param);
  static Special SpecialOf(std::string_view param);
  // The one numeric parameter of a setting, within [low, high]; with `specials`, MIN and DEF
  // give low and MAX gives high. False, with the error queued, for anything else.
  enum class Specials { Taken, Refused };
  bool RangedParam(std::string_view params, double low, double high, Specials specials,
                   double& value);

  // Common commands (commands_common.cpp).
  static void AddCommonCommands(CommandList& list);
  static bool IsLegacyHello(std::string_view headerText);
  void Identify(const Call& c);
  void Reset(const Call& c);
  void ClearStatus(const Call& c);
  void EventStatusQuery(const Call& c);
  void OperationComplete(const Call& c);
  void WaitToContinue(const Call& c);
  void BusTrigger(const Call& c);
  void SelfTest(const Call& c);
  void EventEnable(const Call& c);
  void ServiceRequestEnable(const Call& c);
  void RegisterCommand(const Call& c, std::uint8_t& reg);
  void StatusByteQuery(const Call& c);

  // [SENSe:] (commands_sense.cpp).
  static void AddSenseCommands(CommandList& list);
  void FunctionCommand(const Call& c);
  void BandwidthCommand(const Call& c);
  void UnitCommand(const Call& c);
  void RtdTypeCommand(const Call& c);
  void RtdCoefficientCommand(const Call& c);
  void SprtdCoefficientCommand(const Call& c);
  void ThermocoupleTypeCommand(const Call& c);
  void RangeCommand(const Call& c);
  void AutoRangeCommand(const Call& c);
  void NplcCommand(const Call& c);
  void ApertureCommand(const Call& c);
  bool Offered(Function f);
  void StepCommand(const Call& c, std::span<const double> steps, double& value,
                   double defaultValue);
  void CoefficientCommand(const Call& c, double& value, double low, double high);
  FunctionSettings& SettingsFor(Function f);
  int EffectiveRange(Function f);
  double SignalOf(Function f) const;

  // CONFigure, MEASure (commands_configure.cpp).
  static void AddConfigureCommands(CommandList& list);
  void ConfigureCommand(const Call& c);
  void MeasureQuery(const Call& c);
  void Configure(const Call& c, bool measure);

  // TRIGger, SAMPle, INITiate, ABORt, READ?, FETCh? and the trigger system
  // (commands_trigger.cpp).
  static void AddTriggerCommands(CommandList& list);
  void TriggerSourceCommand(const Call& c);
  void TriggerCountCommand(const Call& c);
  void TriggerDelayCommand(const Call& c);
  void SampleCountCommand(const Call& c);
  void InitiateCommand(const Call& c);
  void AbortCommand(const Call& c);
  void ReadCommand(const Call& c);
  void FetchCommand(const Call& c);
  void ReadQuery(TimePoint now);
  void Initiate(TimePoint now);
  double Measure(Function f, TimePoint at);
  void TakeReadings(TimePoint at, bool append);
  void AppendMemory(std::string& out) const;
  void FireTrigger(TimePoint at);
  void CompletePending(TimePoint at);

  // ROUTe (commands_route.cpp).
  static void AddRouteCommands(CommandList& list);
  void RouteStateQuery(const Call& c);
  void ScanStartCommand(const Call& c);
  void ScanFunctionCommand(const Call& c);
  void ScanCountCommand(const Call& c);
  void ScanTimerCommand(const Call& c);
  void ScanStateQuery(const Call& c);
  bool CardPresent();

  // SYSTem (commands_system.cpp).
  static void AddSystemCommands(CommandList& list);
  void ErrorQuery(const Call& c);
  void VersionQuery(const Call& c);

  // Configuration.
  FaultConfig fault_;
  std::string identity_;
  Variant variant_;
  double noise_;
  std::chrono::milliseconds externalTriggerAfter_;
  std::array<double, kFunctionCount> inputs_{};
  TimePoint powerOn_;

  // Measurement settings.
  Function function_ = Function::VoltDc;
  std::array<FunctionSettings, kFunctionCount> settings_{};
  double bandwidth_ = 20;
  double aperture_ = 0.1;
  char unit_ = 'C';
  std::string_view rtdType_;
  std::string_view tcType_;
  std::array<double, 4> rtd_{};    // alpha, beta, delta, R-zero
  std::array<double, 6> sprtd_{};  // R-zero, A4, B4, Ax, Bx, Cx

  // Trigger system and reading memory.
  TriggerSource triggerSource_ = TriggerSource::Immediate;
  int sampleCount_ = 1;
  int triggerCount_ = 1;
  double triggerDelay_ = 0;
  bool waiting_ = false;  // initiated, waiting for triggers
  int triggersLeft_ = 0;
  std::optional<TimePoint> triggerAt_;
  bool opcFlagPending_ = false;  // "*OPC" sets the ESR bit when the measurement completes
  std::vector<Pending> pending_;
  std::vector<double> memory_;
  bool memoryValid_ = false;
  bool scanMode_ = false;  // FETCH? answers the card's scan readings
  NoiseSource noiseSource_;

  ScannerCard card_;

  // Status and errors.
  std::array<int, kErrorQueueSize> errors_{};
  std::size_t errorCount_ = 0;
  std::uint8_t esr_ = 0;
  std::uint8_t ese_ = 0;
  std::uint8_t sre_ = 0;

  // The command being executed, its answer and the faults.
  OutputQueue* out_ = nullptr;  // the output of the connection that sent it
  std::string answer_;
  bool answered_ = false;
  bool affected_ = false;
  NoiseSource garbageSource_;
  unsigned commandCount_ = 0;
  bool lost_ = false;
};

}  // namespace vx::sim
