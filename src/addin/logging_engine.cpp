#include "addin/logging_engine.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "addin/engine_settings.h"
#include "addin/toolbar.h"
#include "automation/cell_reference.h"
#include "automation/typed_input.h"
#include "common/c_number.h"
#include "common/local_time.h"

namespace vx::addin {
namespace {

using automation::AutomationError;
using automation::ErrorNumber;
using automation::Status;
using automation::Value;

constexpr double kSecondsPerDay = 86400;
// An answer longer than the read buffer is read to its end (within this many blocks), so
// that its rest is never taken for the answer to the next command.
constexpr int kMaxDrainBlocks = 64;

// "B12": the A1 name of a cell.
std::string CellName(int column, int row) {
  return automation::ColumnLetters(column) + std::to_string(row);
}

std::string StatusText(ViSession session, ViStatus status) {
  char text[VI_FIND_BUFLEN] = {};
  viStatusDesc(session, status, text);
  return std::string(Trim(text));
}

// The text without control characters and double quotes, trimmed.
std::string CleanAnswer(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 32 && c != '"') text += c;
  }
  return std::string(Trim(text));
}

// The decimal number at the start of `text` (after blanks), as the host's number conversion
// reads "1.5 V" as 1.5; nothing when the text does not start with one.
std::optional<double> LeadingDecimal(std::string_view text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string_view::npos) return std::nullopt;
  const size_t start = i;
  const auto digits = [&] {
    const size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - from;
  };
  if (text[i] == '+' || text[i] == '-') ++i;
  size_t count = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    count += digits();
  }
  if (count == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t exponent = i + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (exponent < text.size() && text[exponent] >= '0' && text[exponent] <= '9') {
      i = exponent;
      digits();
    }
  }
  double value = 0;
  if (!automation::ParseDecimal(text.substr(start, i - start), value)) return std::nullopt;
  return value;
}

}  // namespace

LoggingEngine::LoggingEngine(LoggingState& state) : state_(state) {}

double LoggingEngine::Now() const {
  const Clock& clock = state_.clock ? *state_.clock : RealClock();
  return ToOleDate(clock.LocalNow());
}

std::string LoggingEngine::SheetName() const {
  if (!state_.sheet) return {};
  auto name = state_.sheet->Name();
  return name ? *name : std::string();
}

void LoggingEngine::Message(const std::string& text, MessageIcon icon) {
  if (state_.prompter) state_.prompter->Message(text, state_.title2, icon);
}

void LoggingEngine::SetStatusLine(const std::string& text) {
  if (state_.host) state_.host->SetStatusBar(text);
}

// --- Setters ---------------------------------------------------------------------------------

void LoggingEngine::SetNumberOfReading(std::int32_t count) {
  state_.readingsLimit = count;
}

Status LoggingEngine::SetAtTime(const std::string& text) {
  const automation::TypedValue typed = automation::TypedInput(text);
  const auto* date = std::get_if<automation::DateValue>(&typed.value);
  if (date == nullptr) {
    return AutomationError::Make(ErrorNumber::TypeMismatch,
                                 "Type mismatch: \"" + text + "\" is not a date and time.");
  }
  state_.beginTime = date->oleDate;
  return {};
}

Status LoggingEngine::SetBegin(std::int32_t mode) {
  state_.beginMode = mode;
  if (mode != static_cast<int>(BeginMode::AtTime)) return {};
  if (!state_.sheet) {
    return AutomationError::Make(ErrorNumber::Failed, "The engine has no sheet: call SetSheet.");
  }
  VX_ASSIGN_OR_RETURN(automation::RangePtr cell, state_.sheet->Cells(1, 6));
  return cell->SetValue(Value{automation::DateValue{state_.beginTime}});
}

void LoggingEngine::SetTerminatingUpon(std::int32_t mode) {
  state_.stopMode = mode;
}

Status LoggingEngine::SetStopTime(const std::string& hours, const std::string& minutes,
                                  const std::string& seconds) {
  state_.stopHours = LeadingNumber(hours);
  state_.stopMinutes = LeadingNumber(minutes);
  state_.stopSeconds = LeadingNumber(seconds);
  if (!state_.sheet) {
    return AutomationError::Make(ErrorNumber::Failed, "The engine has no sheet: call SetSheet.");
  }
  VX_ASSIGN_OR_RETURN(automation::RangePtr beginCell, state_.sheet->Cells(1, 6));
  VX_ASSIGN_OR_RETURN(Value begin, beginCell->Value());
  double time = automation::NumberOf(begin).value_or(0);
  if (state_.stopHours > 0) time += state_.stopHours / 24;
  if (state_.stopMinutes > 0) time += state_.stopMinutes / (24 * 60);
  if (state_.stopSeconds > 0) time += state_.stopSeconds / kSecondsPerDay;
  state_.stopTime = time;
  VX_ASSIGN_OR_RETURN(automation::RangePtr stopCell, state_.sheet->Cells(3, 6));
  return stopCell->SetValue(Value{automation::DateValue{time}});
}

// --- Run control -----------------------------------------------------------------------------

Status LoggingEngine::PrepareStart(std::int32_t intervalMs) {
  VX_RETURN_IF_ERROR(ShowToolbarState(state_, ToolbarState::Started));
  state_.interval = intervalMs;
  state_.triggerArmed = true;
  KillTimer();
  if (!state_.sheet) {
    return AutomationError::Make(ErrorNumber::Failed, "The engine has no sheet: call SetSheet.");
  }
  VX_ASSIGN_OR_RETURN(automation::RangePtr points, state_.sheet->Cells(8, 6));
  VX_ASSIGN_OR_RETURN(Value pointsValue, points->Value());
  state_.pointsCell = static_cast<std::int32_t>(automation::NumberOf(pointsValue).value_or(0));
  // Settings that cannot be saved are reported, and the readings are taken all the same.
  if (std::string path = SettingsPathQuietly(), why;
      !path.empty() && !SaveLoggingSettings(state_, path, &why)) {
    Message(SettingsNotSaved(path, why), MessageIcon::Exclamation);
  }
  ViUInt32 timeout = 0;
  ViStatus status = viGetAttribute(state_.session, VI_ATTR_TMO_VALUE, &timeout);
  if (status >= VI_SUCCESS) {
    state_.savedTimeout = timeout;
    state_.savedTimeoutTaken = true;
    status = viSetAttribute(state_.session, VI_ATTR_TMO_VALUE, kLoggingTimeoutMs);
  }
  if (status < VI_SUCCESS) {
    return AutomationError::Make(ErrorNumber::Failed, StatusText(state_.session, status));
  }
  return {};
}

void LoggingEngine::StartTimer(std::int32_t intervalMs) {
  state_.running = true;
  const Status prepared = PrepareStart(intervalMs);
  if (!prepared) {
    Message("To Start Reading:\n" + prepared.error().description);
    StopLogging();
    return;
  }
  switch (state_.beginMode) {
    case static_cast<int>(BeginMode::AtOnce):
      StartTickTimer(state_.interval, LoggingState::Tick::Reading);
      break;
    case static_cast<int>(BeginMode::AtTime):
      StartTickTimer(1000, LoggingState::Tick::AtTime);
      break;
    case static_cast<int>(BeginMode::OnTrigger):
      ArmTrigger();
      break;
    default:
      break;
  }
}

void LoggingEngine::PauseTimer() {
  ShowToolbarState(state_, ToolbarState::Paused);
  state_.running = false;
}

void LoggingEngine::StopPause() {
  ShowToolbarState(state_, ToolbarState::Resumed);
  state_.running = true;
}

void LoggingEngine::StopTimer() {
  state_.running = false;
  if (state_.beginMode == static_cast<int>(BeginMode::OnTrigger) && state_.triggerArmed) {
    ConfirmStopWhileArmed();
    if (state_.running) return;  // the user chose to go on waiting
  }
  StopLogging();
}

void LoggingEngine::StartTickTimer(int intervalMs, LoggingState::Tick tick) {
  KillTimer();
  if (!state_.timer) {
    state_.timer = std::make_unique<QTimer>();
    LoggingState* state = &state_;
    QObject::connect(state_.timer.get(), &QTimer::timeout,
                     [state] { LoggingEngine(*state).RunTick(); });
  }
  state_.tick = tick;
  ++state_.timerId;
  state_.timer->start(std::max(intervalMs, 1));
}

void LoggingEngine::KillTimer() {
  if (state_.timer) state_.timer->stop();
  state_.tick = LoggingState::Tick::None;
}

void LoggingEngine::RunTick() {
  switch (state_.tick) {
    case LoggingState::Tick::Reading:
      ReadingTick();
      break;
    case LoggingState::Tick::AtTime:
      AtTimeTick();
      break;
    case LoggingState::Tick::Trigger:
      TriggerTick();
      break;
    case LoggingState::Tick::None:
      break;
  }
}

void LoggingEngine::SwitchToReading() {
  KillTimer();
  state_.running = true;
  StartTickTimer(state_.interval, LoggingState::Tick::Reading);
}

void LoggingEngine::AtTimeTick() {
  if (!state_.running) return;
  if (Now() < state_.beginTime) {
    SetStatusLine("Waiting time...");
  } else {
    SwitchToReading();
  }
}

// --- Readings --------------------------------------------------------------------------------

void LoggingEngine::ReadingTick() {
  if (!state_.running) return;
  SetStatusLine("Reading...");
  if (!WriteCommand("read?")) return;
  const std::string answer = ReadAnswer();
  // A failed read has stopped the run, and StopLogging has cleared ioFailed again.
  if (state_.ioFailed || !state_.running) return;
  // A sheet that takes no more rows (its last row reached, its document closed, its
  // spreadsheet program gone) ends the run; every row written so far stays, and the user
  // learns why the readings stopped.
  // The row and the counters go to the host as one batch: a host that can carry the writes
  // out side by side does, and reports one that failed when the batch ends at the latest.
  const automation::ApplicationPtr host = state_.host;
  Status written = host ? host->BeginBatch() : Status{};
  const bool batched = host && written;
  if (written) written = WriteReading(answer);
  if (written) written = UpdateCounts();
  if (batched) {
    Status landed = host->EndBatch();
    if (written) written = landed;
  }
  if (!written) {
    Message("The reading could not be written into row " + std::to_string(state_.nextRow) +
                " of the worksheet:\n" + written.error().description,
            MessageIcon::Exclamation);
    StopLogging();
    return;
  }
  // A failed chart stops the run, which starts the next one at row 2: nextRow stays there.
  if (!state_.running) return;
  ++state_.nextRow;
  CheckLimits();
}

// One reading, or two with a dual reading, into row nextRow, in one call: the time and the
// values as one block. The time column gets its format once, with the run's first reading.
// A value text that holds no number is written as the meter gave it, so that nothing
// invented enters the sheet.
Status LoggingEngine::WriteReading(const std::string& answer) {
  std::vector<std::string> values;
  if (state_.dualReading) {
    size_t start = 0;
    for (int part = 0; part < 2; ++part) {
      const size_t comma = answer.find(',', start);
      values.push_back(answer.substr(start, comma == std::string::npos ? comma : comma - start));
      start = comma == std::string::npos ? answer.size() : comma + 1;
    }
  } else {
    values.push_back(answer);
  }
  if (!state_.sheet) {
    return AutomationError::Make(ErrorNumber::Failed, "The engine has no sheet: call SetSheet.");
  }
  if (state_.nextRow == 2) {
    VX_ASSIGN_OR_RETURN(automation::RangePtr timeColumn, state_.sheet->Columns(1));
    VX_RETURN_IF_ERROR(timeColumn->SetNumberFormat("hh:mm:ss.000"));
  }
  std::vector<Value> row{Value{automation::DateValue{Now()}}};
  for (std::string text : values) {
    if (const size_t comma = text.find(','); comma != std::string::npos) text[comma] = '.';
    const std::optional<double> number = LeadingDecimal(text);
    row.push_back(number ? Value{*number} : Value{text});
  }
  VX_ASSIGN_OR_RETURN(automation::RangePtr cells,
                      state_.sheet->Range(CellName(1, state_.nextRow),
                                          CellName(static_cast<int>(row.size()), state_.nextRow)));
  return cells->SetValues({row});
}

Status LoggingEngine::UpdateCounts() {
  if (!state_.sheet) return {};
  const Value count{static_cast<double>(state_.nextRow - 1)};
  auto set = [&](int cellRow, int column) -> Status {
    VX_ASSIGN_OR_RETURN(automation::RangePtr cell, state_.sheet->Cells(cellRow, column));
    return cell->SetValue(count);
  };
  switch (state_.chartKind) {
    case static_cast<int>(ChartKind::None):
      return set(4, 6);
    case static_cast<int>(ChartKind::AllReadings):
    case static_cast<int>(ChartKind::Strip):
      VX_RETURN_IF_ERROR(set(4, 6));
      VX_RETURN_IF_ERROR(set(6, 6));
      if (state_.nextRow == 2) CreateChart();
      return {};
    default:
      return {};
  }
}

void LoggingEngine::CheckLimits() {
  if (!state_.running) return;
  if (state_.stopMode == static_cast<int>(StopMode::AfterReadings) &&
      state_.nextRow - 1 > state_.readingsLimit) {
    StopLogging();
  } else if (state_.stopMode == static_cast<int>(StopMode::AtTime) && Now() >= state_.stopTime) {
    StopLogging();
  }
}

void LoggingEngine::StopLogging() {
  state_.running = false;
  KillTimer();
  ShowToolbarState(state_, ToolbarState::Stopped);
  if (state_.chartKind == static_cast<int>(ChartKind::Strip)) SetScrollBars();
  // A run that never took the session's timeout leaves it as it is.
  if (state_.savedTimeoutTaken) {
    viSetAttribute(state_.session, VI_ATTR_TMO_VALUE, state_.savedTimeout);
    state_.savedTimeoutTaken = false;
  }
  if (state_.session != VI_NULL) viClear(state_.session);
  SetStatusLine("Ready");
  state_.nextRow = 2;
  state_.triggerSeen = false;
  state_.chartInSheet = false;
  state_.ioFailed = false;
  state_.sheet.reset();
  state_.chart.reset();
}

// --- Session input and output ----------------------------------------------------------------

void LoggingEngine::ReportIoFailure(ViStatus status) {
  state_.running = false;
  state_.status = status;
  const std::string description = StatusText(state_.session, status);
  viClear(state_.session);
  std::string detail = description;
  // A meter that is gone (a lost connection, or no listener left on its GPIB bus) is not
  // asked for its error queue.
  if (status != VI_ERROR_CONN_LOST && status != VI_ERROR_NLISTENERS) {
    ViUInt32 count = 0;
    char buffer[kReadBufferSize] = {};
    if (viWrite(state_.session, reinterpret_cast<ViConstBuf>("syst:err?"), 9, &count) >=
            VI_SUCCESS &&
        viRead(state_.session, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count) >=
            VI_SUCCESS) {
      detail = std::string(Trim(std::string_view(buffer, count))) + "\n" + description;
    }
  }
  Message("Error status description:\n" + detail);
  state_.ioFailed = true;
  StopLogging();
}

bool LoggingEngine::WriteCommand(std::string_view command) {
  ViUInt32 count = 0;
  state_.status = viWrite(state_.session, reinterpret_cast<ViConstBuf>(command.data()),
                          static_cast<ViUInt32>(command.size()), &count);
  state_.retCount = count;
  if (state_.status >= VI_SUCCESS) return true;
  ReportIoFailure(state_.status);
  return false;
}

std::string LoggingEngine::ReadAnswer() {
  char buffer[kReadBufferSize] = {};
  ViUInt32 count = 0;
  state_.status = viRead(state_.session, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
  state_.retCount = count;
  if (state_.status < VI_SUCCESS) {
    ReportIoFailure(state_.status);
    return "Error";
  }
  state_.readBuffer.assign(buffer, count);
  for (int block = 0; state_.status == VI_SUCCESS_MAX_CNT && block < kMaxDrainBlocks; ++block) {
    char rest[kReadBufferSize];
    ViUInt32 restCount = 0;
    state_.status = viRead(state_.session, reinterpret_cast<ViBuf>(rest), sizeof rest, &restCount);
  }
  std::string text = CleanAnswer(state_.readBuffer);
  state_.readBuffer.clear();
  return text;
}

}  // namespace vx::addin
