#include "scanner/scan_run.h"

#include <algorithm>
#include <cmath>

#include "common/c_number.h"
#include "scanner/field_checks.h"

namespace vx::scanner {
namespace {

using std::chrono::milliseconds;

constexpr const char* kStopTimePassed = "The Stop Time has passed: no pass was started.";
constexpr const char* kGridFull =
    "The results grid is full (65534 rows): the run has ended. Export the results, then "
    "start again.";

// A count the card reports, truncated; an answer that is no count reads as 0.
int CountOf(std::string_view answer) {
  const double value = LeadingNumber(answer);
  if (!std::isfinite(value)) return 0;
  return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

}  // namespace

ScanRun::ScanRun(ScanSetup& setup, QueryFunction query, const Clock& clock, Prompter& prompter,
                 MeterCheck meterGone)
    : setup_(setup),
      query_(std::move(query)),
      clock_(clock),
      prompter_(prompter),
      meterGone_(std::move(meterGone)) {}

void ScanRun::PerScanChanged() {
  if (settings_.perScanOn) return;
  passCounter_ = 1;
  gridState_.nextRow = 1;
  firstPass_ = 1;
  if (phase_ == RunPhase::WaitingForNextPass) EndRun();
}

void ScanRun::StopAfterChanged() {
  passCounter_ = 1;
}

bool ScanRun::Start() {
  // Start while a PerScan run waits for its next pass runs that pass now.
  if (phase_ == RunPhase::WaitingForNextPass) phase_ = RunPhase::Idle;
  if (phase_ != RunPhase::Idle) return true;
  return BeginPass(true);
}

bool ScanRun::BeginPass(bool byUser) {
  if (byUser) failure_.clear();
  if (settings_.stopTimeOn && HasPassed(settings_.stopTime)) {
    if (byUser) Note(kStopTimePassed);
    EndRun();
    return false;
  }
  if (!TimerTextValid(settings_.timerText)) return Refuse(kTimerError);
  if (!PassesTextValid(settings_.passesText)) return Refuse(kPassesError);
  fieldsInRange_ = TakeFields();
  if (grid_.Rows() > ResultsGrid::kMaxRows) {
    Note(kGridFull);
    EndRun();
    return false;
  }
  const ChannelSetting& shown = setup_.ShownChannel();
  if (IsCurrent(shown.function) && shown.r == 0) return Refuse(kZeroShuntError);
  busy_ = true;
  setup_.DropUnshuntedCurrents();
  perPass_ = setup_.ReadingsPerPass();
  // A run without a channel would lay out no column and fetch nothing.
  if (perPass_ == 0) return Refuse(kNoChannelMessage);
  lastFetch_ = clock_.Steady();
  if (settings_.perScanOn) intervalSeconds_ = settings_.IntervalSeconds() - 1;
  if (settings_.atTimeOn && firstPass_ == 1) {
    phase_ = RunPhase::WaitingForAtTime;
    return true;
  }
  if (!fieldsInRange_) {
    StopHere();
    return false;
  }
  ProgramAndStart();
  return true;
}

// Takes Timer, Scan count and N in that order; the first one out of range is reported and
// the ones after it keep their values. False when any was out of range.
bool ScanRun::TakeFields() {
  const double timer = LeadingNumber(settings_.timerText);
  if (timer < kTimerMin || timer > kTimerMax) {
    prompter_.Message(kTimerRangeMessage, "", MessageIcon::Exclamation);
    return false;
  }
  timer_ = static_cast<float>(timer);
  const std::optional<int> count = WholeNumber(settings_.scanCountText);
  if (!count || *count < kScanCountMin || *count > kScanCountMax) {
    prompter_.Message(kScanCountRangeMessage, "", MessageIcon::Exclamation);
    return false;
  }
  scanCount_ = *count;
  const std::optional<int> passes = WholeNumber(settings_.passesText);
  if (!passes || *passes < kPassesMin || *passes > kPassesMax) {
    prompter_.Message(kPassesRangeMessage, "", MessageIcon::Exclamation);
    return false;
  }
  passes_ = *passes;
  return true;
}

bool ScanRun::Refuse(const char* message) {
  StopHere();
  prompter_.Message(message, "", MessageIcon::Stop);
  return false;
}

void ScanRun::ProgramAndStart() {
  for (const int k : setup_.ProgrammedChannels()) {
    const std::string_view scpi = ScpiName(setup_.Channel(k).function);
    query_(FormatC("rout:scan:func %d,%s%.*s%s\n", k + 1, "\"", static_cast<int>(scpi.size()),
                   scpi.data(), "\""));
  }
  active_ = setup_.ActiveChannels();
  pass_.timing = settings_.perScanOn     ? RunTiming::PerScan
                 : settings_.stopAfterOn ? RunTiming::StopAfterN
                                         : RunTiming::Plain;
  pass_.total = pass_.timing == RunTiming::PerScan      ? perPass_
                : pass_.timing == RunTiming::StopAfterN ? passes_ * perPass_
                                                        : scanCount_;
  query_(FormatC("Rout:scan:count %d\n", pass_.total));
  query_(FormatC("Rout:scan:timer %f\n", static_cast<double>(timer_)));
  pass_.start = clock_.LocalNow();
  query_(settings_.mode == ScanMode::Step ? "route:scan:step\n" : "route:scan\n");
  exportAvailable_ = false;
  progress_.clear();
  phase_ = RunPhase::Polling;
  EndedByLostMeter();
}

void ScanRun::Tick() {
  switch (phase_) {
    case RunPhase::Idle:
      return;
    case RunPhase::WaitingForAtTime:
      if (!HasPassed(settings_.atTime)) return;
      lastFetch_ = clock_.Steady();
      if (!fieldsInRange_) {
        StopHere();
        return;
      }
      ProgramAndStart();
      return;
    case RunPhase::Polling:
      Poll();
      return;
    case RunPhase::WaitingToFetch:
      if (clock_.Steady() < fetchDue_) return;
      if (FetchAndFill()) AfterPass();
      return;
    case RunPhase::WaitingForNextPass: {
      const auto elapsed =
          std::chrono::duration_cast<std::chrono::seconds>(clock_.Steady() - lastFetch_);
      if (elapsed.count() <= intervalSeconds_) return;
      firstPass_ = -1;
      ++passCounter_;
      phase_ = RunPhase::Idle;
      BeginPass(false);
      return;
    }
  }
}

void ScanRun::Poll() {
  const std::string answer = query_("Rout:scan:state?\n");
  if (EndedByLostMeter()) return;
  const int done = CountOf(answer);
  progress_ = FormatC("%d/%d", done, pass_.total);
  if (settings_.stopAfterOn) settings_.scanCountText = std::to_string(passes_ * perPass_);
  if (pass_.timing == RunTiming::PerScan) lastFetch_ = clock_.Steady();
  // A card that counts past the total is complete too.
  if (done < pass_.total) return;
  fetchDue_ = clock_.Steady() + FetchWait();
  phase_ = RunPhase::WaitingToFetch;
}

// The card settles for a second before the fetch. A step scan waits a further dwell:
// 300 ms + (Timer - 1) s for a Timer of 1 to 3 s, Timer seconds for a Timer above 3 s up to
// 10 s, and nothing more for a longer one.
milliseconds ScanRun::FetchWait() const {
  milliseconds wait = kFetchDelay;
  if (settings_.mode != ScanMode::Step) return wait;
  if (timer_ >= 1 && timer_ <= 3) {
    wait += milliseconds(300 + static_cast<int>((timer_ - 1) * 1000));
  } else if (timer_ > 3 && timer_ <= 10) {
    wait += milliseconds(static_cast<int>(timer_ * 1000));
  }
  return wait;
}

bool ScanRun::FetchAndFill() {
  const std::string answer = query_("fetch?\n");
  if (EndedByLostMeter()) return false;
  const std::vector<ScanFunction> functions = setup_.Functions();
  if (functions != headerFunctions_) {
    headerFunctions_ = functions;
    gridState_.headerValid = false;
  }
  PassLayout layout;
  layout.timing = pass_.timing;
  layout.channels = setup_.Channels();
  layout.scanCount = scanCount_;
  layout.total = pass_.total;
  layout.perPass = perPass_;
  layout.active = active_;
  layout.channelSettings = setup_.Settings();
  layout.startTime = pass_.start;
  const FillOutcome outcome = FillResults(grid_, gridState_, layout, answer);
  // The first data row of the grid tells when its results were taken.
  if (gridState_.nextRow - (pass_.timing == RunTiming::PerScan ? outcome.rowsWritten : 0) <= 1) {
    resultsTime_ = pass_.start;
  }
  Note(FillNotice(outcome));
  exportAvailable_ = true;
  ++fills_;
  if (outcome.missing > 0 || outcome.unreadable > 0) ++incompleteFills_;
  return true;
}

void ScanRun::AfterPass() {
  if (pass_.timing != RunTiming::PerScan) {
    EndRun();
    return;
  }
  if (settings_.stopTimeOn) {
    if (HasPassed(settings_.stopTime)) {
      EndRun();
    } else {
      WaitForNextPass(false);
    }
  } else if (settings_.stopAfterOn) {
    if (passCounter_ < passes_) {
      WaitForNextPass(false);
    } else {
      passCounter_ = 1;
      EndRun();
    }
  } else {
    // Nothing ends this run but the user, who clears "PerScan Interval" between passes.
    WaitForNextPass(true);
  }
}

void ScanRun::WaitForNextPass(bool controlsEnabled) {
  phase_ = RunPhase::WaitingForNextPass;
  busy_ = !controlsEnabled;
}

void ScanRun::StopHere() {
  phase_ = RunPhase::Idle;
  busy_ = false;
}

void ScanRun::EndRun() {
  firstPass_ = 1;
  gridState_.nextRow = 1;
  StopHere();
}

bool ScanRun::EndedByLostMeter() {
  if (!meterGone_) return false;
  std::string gone = meterGone_();
  if (gone.empty()) return false;
  failure_ = std::move(gone);
  progress_.clear();
  EndRun();
  prompter_.Message(failure_, "Error", MessageIcon::Stop);
  return true;
}

void ScanRun::Note(std::string text) {
  notice_ = std::move(text);
  ++noticeCount_;
}

bool ScanRun::HasPassed(const LocalDateTime& time) const {
  return clock_.Now() > FromLocal(time);
}

milliseconds ScanRun::TimerInterval() const {
  switch (phase_) {
    case RunPhase::Idle:
      return milliseconds(0);
    case RunPhase::Polling:
      return kPollInterval;
    case RunPhase::WaitingToFetch: {
      const auto left = std::chrono::ceil<milliseconds>(fetchDue_ - clock_.Steady());
      return std::max(left, milliseconds(1));
    }
    case RunPhase::WaitingForAtTime:
    case RunPhase::WaitingForNextPass:
      return kWaitInterval;
  }
  return milliseconds(0);
}

}  // namespace vx::scanner
