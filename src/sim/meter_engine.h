#pragma once
// The firmware of the simulated meter: executes command lines, keeps the measurement
// settings, the trigger system, the status registers and the error queue, drives the scanner
// card and applies the configured faults to the answers it puts into the output queue.
// Not thread-safe and never waits: SimulatedMeter locks it and does the waiting.

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

class MeterEngine {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  static constexpr std::size_t kErrorQueueSize = 20;
  static constexpr std::size_t kMaxOutputBytes = 16u << 20;
  static constexpr int kMaxReadings = 50000;

  MeterEngine(const MeterConfig& config, TimePoint powerOn);

  // Executes one command line (without its line end). Returns false when the connection was
  // lost on it: the rest of the line is dropped.
  bool ExecuteLine(std::string_view line, TimePoint now);
  // A command line longer than the input buffer.
  void InputOverrun();

  // Brings the trigger system up to `now` (an external trigger that came due).
  void Advance(TimePoint now);
  // When Advance next has something to do, if ever.
  std::optional<TimePoint> NextEvent() const;
  void ExternalTrigger(TimePoint now);
  // Device clear: drops unread answers and waiting queries, aborts a waiting measurement.
  void DeviceClear();

  bool Lost() const { return lost_; }
  unsigned CommandCount() const { return commandCount_; }
  Variant ModelVariant() const { return variant_; }
  OutputQueue& Output() { return output_; }

 private:
  enum class TriggerSource { Immediate, External, Bus };
  enum class PendingKind { OperationComplete, Readings };
  struct Pending {
    PendingKind kind;
    bool affected;  // the fault applies to its answer
  };
  struct FunctionSettings {
    int range = 0;  // index into Ranges(f) while autoRange is off
    bool autoRange = true;
    double nplc = 10;
  };

  void ResetSettings();
  void ExecuteCommand(std::string_view command, TimePoint now);
  void Dispatch(std::string_view headerText, std::string_view params, TimePoint now);
  void Common(const Header& h, std::string_view params, TimePoint now);
  void SenseCommand(const Header& h, int i, std::string_view params);
  void FunctionSetting(const Header& h, int j, Function f, std::string_view params);
  void RangeCommand(const Header& h, Function f, std::string_view params);
  void AutoRangeCommand(const Header& h, Function f, std::string_view params);
  void NplcCommand(const Header& h, Function f, std::string_view params);
  void StepCommand(const Header& h, std::span<const double> steps, double& value,
                   double defaultValue, std::string_view params);
  void TemperatureCommand(const Header& h, int j, std::string_view params);
  void CoefficientCommand(const Header& h, double& value, double low, double high,
                          std::string_view params);
  void ConfigureCommand(const Header& h, int i, std::string_view params, TimePoint now);
  void RouteCommand(const Header& h, int i, std::string_view params, TimePoint now);
  void TriggerCommand(const Header& h, int i, std::string_view params);
  void SampleCommand(const Header& h, int i, std::string_view params);
  void ReadQuery(TimePoint now);
  void FetchQuery(TimePoint now);
  void Initiate(TimePoint now);
  void Abort(TimePoint now);

  bool ParseFunctionPath(const Header& h, int i, Function& f, int& next) const;
  FunctionSettings& SettingsFor(Function f);
  int EffectiveRange(Function f);
  double SignalOf(Function f) const;
  double Measure(Function f, TimePoint at);
  void TakeReadings(TimePoint at, bool append);
  void AppendMemory(std::string& out) const;
  void FireTrigger(TimePoint at);
  void CompletePending(TimePoint at);

  // Answers: the text goes into answer_; Answer() marks it to be sent.
  std::string& Answer() {
    answered_ = true;
    return answer_;
  }
  void AnswerNumber(double value);
  void AnswerInteger(long value);
  void Emit(std::string& text, bool affected, TimePoint at, int tag = 0);
  void AddError(int code);
  bool NoParams(std::string_view params);
  bool OneParam(std::string_view params, std::string_view& param);

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
  double rtdAlpha_ = 0, rtdBeta_ = 0, rtdDelta_ = 0, rtdR0_ = 0;
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

  // Output, faults.
  OutputQueue output_;
  std::string answer_;
  bool answered_ = false;
  bool affected_ = false;
  NoiseSource garbageSource_;
  unsigned commandCount_ = 0;
  bool lost_ = false;
};

}  // namespace vx::sim
