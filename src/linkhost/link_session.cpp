#include "linkhost/link_session.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <cmath>
#include <filesystem>

#include "automation/command_bars.h"
#include "automation/object_registry.h"
#include "common/c_number.h"
#include "common/clock.h"
#include "common/local_time.h"
#include "common/output_file.h"
#include "linkhost/mirrored_host.h"

namespace vx::linkhost {
namespace {

using namespace automation;

constexpr int kPollMs = 25;
constexpr auto kSaveEvery = std::chrono::seconds(10);
constexpr int kStopControl = 9;
constexpr const char* kReadyStatus = "Ready";

double NowOle() {
  return ToOleDate(RealClock().LocalNow());
}

std::string TimeText(const Value& value) {
  const auto* date = std::get_if<DateValue>(&value);
  if (date == nullptr) return TextOf(value);
  const LocalDateTime time = FromOleDate(date->oleDate);
  return FormatC("%02d:%02d:%02d.%03d", time.hour, time.minute, time.second, time.millisecond);
}

std::string CellText(const WorksheetPtr& sheet, int row, int column) {
  auto cell = sheet->Cells(row, column);
  if (!cell) return {};
  auto value = (*cell)->Value();
  if (!value) return {};
  return column == 1 ? TimeText(*value) : TextOf(*value);
}

}  // namespace

std::string DefaultOutputPath() {
  return FormatLocal(RealClock().LocalNow(), "vxlink-%Y%m%d-%H%M%S.xlsx");
}

LinkSession::LinkSession(LinkOptions options, std::FILE* out, std::FILE* err,
                         std::atomic<bool>* stopRequest)
    : options_(std::move(options)),
      out_(out),
      err_(err),
      stopRequest_(stopRequest),
      canAsk_(options_.choose || ::isatty(STDIN_FILENO) != 0) {
  if (options_.out.empty()) options_.out = DefaultOutputPath();
}

LinkSession::~LinkSession() {
  poll_.reset();
  macros_.reset();
  if (engine_) engine_->RMClose();
}

int LinkSession::Fail(const std::string& what, const AutomationError& error) {
  return Fail(what + ": " + error.description);
}

int LinkSession::Fail(const std::string& what) {
  std::fprintf(err_, "vxlink: %s\n", what.c_str());
  return 1;
}

std::string LinkSession::Caption(const std::string& key) {
  auto text = engine_->GetIdText(key);
  return text ? *text : key;
}

int LinkSession::Open() {
  // A workbook that cannot be saved where it should go is found before the run, not after.
  if (!NeedsNoWorkbook()) {
    if (const std::string problem = OutputFileProblem(options_.out); !problem.empty()) {
      return Fail(problem);
    }
  }
  if (const std::string problem = EnsureEngineSettingsFile(); !problem.empty()) {
    return Fail(problem);
  }
  if (const int failed = OpenHost(); failed != 0) return failed;
  // A wait for START on a host whose toolbar cannot reach vxlink would never end.
  if (options_.wait && !NeedsNoWorkbook() && !buttons_) {
    return Fail(
        "--wait needs LibreOffice Calc with the VX-Link extension, whose toolbar has "
        "the START button; this spreadsheet host has no such toolbar");
  }
  auto engine = CreateObjectAs<addin::_Application>(addin::kProgId);
  if (!engine) return Fail("the logging engine cannot be created", engine.error());
  engine_ = *engine;
  if (options_.language) {
    if (auto set = engine_->SetLanguage(*options_.language); !set) {
      return Fail("--language " + std::to_string(*options_.language), set.error());
    }
  }
  // Each side has the toolbar with its nine controls, so that the engine's changes of it
  // reach both.
  for (const ApplicationPtr& side : sides_) {
    if (Status toolbar = EnsureToolbar(side); !toolbar) {
      return Fail("the toolbar cannot be set up", toolbar.error());
    }
  }
  auto workbook = BuildLoggingWorkbook(
      host_, [this](const std::string& key) { return Caption(key); }, options_.points, false);
  if (!workbook) return Fail("the logging workbook cannot be set up", workbook.error());
  workbook_ = *workbook;
  copy_ = workbook_;
  if (copyHost_ != host_) {
    copy_ = LoggingWorkbook{MirrorOf(workbook_.book), MirrorOf(workbook_.sheet)};
    if (!copy_.book || !copy_.sheet) return Fail("the in-memory copy of the workbook is missing");
  }
  // The workbook is called after the file it is saved to, and is in front of the user where
  // the host shows it.
  workbook_.book->SetTitle(std::filesystem::path(options_.out).stem().string());
  if (!NeedsNoWorkbook()) {
    if (Status shown = host_->SetVisible(true); !shown) {
      return Fail("the workbook cannot be shown", shown.error());
    }
  }
  if (Status app = engine_->SetApp(host_); !app) return Fail("SetApp", app.error());
  if (auto sheet = engine_->SetSheet(workbook_.sheet); !sheet)
    return Fail("SetSheet", sheet.error());
  if (auto found = engine_->FindDevice(); !found) return Fail("the meter search", found.error());
  for (std::int16_t i = 0; i < engine_->get_m_DevCount(); ++i) {
    if (Status row = engine_->GetIDN(i); !row) return Fail("GetIDN", row.error());
    meters_.push_back({std::string(Trim(engine_->get_m_IDNbuff())), engine_->get_m_IDNAddr(),
                       engine_->get_m_IDNSesn()});
  }
  return 0;
}

// The run's host as "Excel.Application" resolves; a meter list needs no spreadsheet program
// and takes the in-memory host. A host over a running program gets the in-memory copy.
int LinkSession::OpenHost() {
  std::string progId = kSpreadsheetProgId;
  if (NeedsNoWorkbook()) {
    progId = kMemorySpreadsheetProgId;
  } else {
    auto resolution = ResolveImplementation(kSpreadsheetProgId);
    if (!resolution) return Fail("Couldn't start Excel.", resolution.error());
    if (resolution->progId == kCalcSpreadsheetProgId) progId = kCalcSpreadsheetProgId;
  }
  auto object = CreateObject(progId);
  if (!object && NeedsNoWorkbook()) object = CreateObject(kSpreadsheetProgId);
  if (!object) return Fail("Couldn't start Excel.", object.error());
  host_ = QueryInterface<Application>(*object);
  if (!host_) return Fail("Couldn't start Excel.: the host is no spreadsheet program");
  buttons_ = QueryInterface<ToolbarButtons>(*object);
  copyHost_ = host_;
  sides_ = {host_};
  if (progId == kCalcSpreadsheetProgId) {
    auto copy = CreateObjectAs<Application>(kMemorySpreadsheetProgId);
    if (!copy) return Fail("the in-memory copy of the workbook cannot be made", copy.error());
    copyHost_ = *copy;
    sides_.push_back(copyHost_);
    host_ = MirroredHost(host_, copyHost_);
  }
  if (!NeedsNoWorkbook()) {
    auto name = host_->Name();
    std::fprintf(out_, "Spreadsheet host: %s\n", name ? name->c_str() : progId.c_str());
  }
  return 0;
}

Status LinkSession::WriteBeginTime(double oleDate) {
  VX_ASSIGN_OR_RETURN(RangePtr cell, workbook_.sheet->Range("F1"));
  return cell->SetValue(Value{DateValue{oleDate}});
}

Status LinkSession::SetUpRun(ViSession session) {
  using Begin = LinkOptions::Begin;
  using Stop = LinkOptions::Stop;
  engine_->put_wkSesn(session);
  double begin = NowOle();
  if (options_.begin == Begin::At) {
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetAtTime(options_.beginAt)));
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetBegin(2)));
    VX_ASSIGN_OR_RETURN(RangePtr f1, workbook_.sheet->Range("F1"));
    VX_ASSIGN_OR_RETURN(Value written, f1->Value());
    begin = NumberOf(written).value_or(begin);
  } else {
    // The workbook notes when a run that begins at once or on the trigger was started.
    VX_RETURN_IF_ERROR(WriteBeginTime(begin));
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetBegin(options_.begin == Begin::Now ? 1 : 3)));
  }
  if (options_.stop == Stop::Count) {
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetNumberOfReading(options_.stopCount)));
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetTerimnatingUpon(1)));
  } else if (options_.stop == Stop::At) {
    // The engine stops a time after the begin: the time of day asked for, today or, when it
    // has passed, tomorrow.
    const double day = std::floor(begin);
    double target =
        day + (options_.stopHour * 3600 + options_.stopMinute * 60 + options_.stopSecond) / 86400.0;
    if (target <= begin) target += 1;
    const long seconds = std::lround((target - begin) * 86400);
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetStopTime(std::to_string(seconds / 3600),
                                                     std::to_string(seconds / 60 % 60),
                                                     std::to_string(seconds % 60))));
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetTerimnatingUpon(2)));
    stopTime_ = begin + seconds / 86400.0;
  } else {
    VX_RETURN_IF_ERROR(StatusOf(engine_->SetTerimnatingUpon(0)));
  }
  std::int16_t kind = static_cast<std::int16_t>(options_.chart);
  bool inSheet = options_.inSheet;
  return StatusOf(engine_->AddChart(kind, inSheet));
}

// A run goes on while STOP is enabled. A run the engine ended has put "Ready" on the status
// line, which reaches the copy even when the toolbar's last change could not: a spreadsheet
// program that has gone fails the engine's toolbar calls at their first step.
bool LinkSession::RunActive() {
  if (auto status = copyHost_->StatusBar(); status && *status == kReadyStatus) return false;
  return ControlEnabled(kStopControl);
}

// The engine's state of the toolbar's control at `index` (from 1), as the copy holds it.
bool LinkSession::ControlEnabled(int index) {
  auto bars = copyHost_->CommandBars();
  if (!bars) return false;
  auto bar = (*bars)->Item(kToolbarName);
  if (!bar) return false;
  auto controls = (*bar)->Controls();
  if (!controls) return false;
  auto control = (*controls)->Item(index);
  if (!control) return false;
  auto enabled = (*control)->Enabled();
  return enabled && *enabled;
}

int LinkSession::Run(int device) {
  device_ = device;
  if (device < 0 || device >= static_cast<int>(meters_.size())) {
    return Fail("there is no meter " + std::to_string(device) + "; " +
                std::to_string(meters_.size()) + " found (vxlink --list shows them)");
  }
  // The toolbar's buttons on the workbook's window are vxlink's while it runs.
  if (buttons_) {
    macros_ = std::make_unique<ToolbarMacros>(
        buttons_, [this](const std::string& macro) { RunMacro(macro); });
    if (Status answered = macros_->Answer(); !answered) {
      macros_.reset();
      if (options_.wait) return Fail("the toolbar's buttons cannot be answered", answered.error());
      std::fprintf(err_, "vxlink: the toolbar's buttons cannot be answered: %s\n",
                   answered.error().description.c_str());
    }
  }
  if (options_.wait) {
    // As the add-in workbook does once a meter is chosen: START is the user's to press.
    if (Status start = EnableStart(); !start) {
      return Fail("the toolbar's START cannot be enabled", start.error());
    }
    std::fprintf(out_, "Waiting for START on the toolbar \"%s\"\n", kToolbarName);
    std::fflush(out_);
  } else {
    BeginRun();
    if (phase_ == Phase::Ended) return exitStatus_;
    if (!RunActive()) {
      macros_.reset();
      Finish();
      return 1;
    }
  }
  QEventLoop loop;
  poll_ = std::make_unique<QTimer>();
  QObject::connect(poll_.get(), &QTimer::timeout, [this, &loop] {
    Poll();
    if (phase_ == Phase::Ended || (phase_ == Phase::Running && !RunActive())) loop.quit();
  });
  poll_->start(kPollMs);
  loop.exec();
  poll_.reset();
  macros_.reset();
  if (phase_ != Phase::Running) return exitStatus_;
  Finish();
  return exitStatus_;
}

void LinkSession::BeginRun() {
  std::fprintf(out_, "Logging %s into %s\n", meters_[device_].descriptor.c_str(),
               options_.out.c_str());
  std::fflush(out_);
  if (Status setUp = SetUpRun(meters_[device_].session); !setUp) {
    exitStatus_ = Fail("the run cannot be set up", setUp.error());
    phase_ = Phase::Ended;
    return;
  }
  std::int32_t interval = options_.intervalMs;
  phase_ = Phase::Running;
  engine_->StartTimer(interval);
  // The file is saved from the in-memory copy, which holds every reading even when the
  // spreadsheet program it mirrors has gone.
  saves_ = std::make_unique<PeriodicSave>(
      copy_.book, options_.out, kSaveEvery,
      [this](const std::string& failure) { std::fprintf(err_, "vxlink: %s\n", failure.c_str()); });
}

void LinkSession::Poll() {
  if (phase_ != Phase::Running) {
    if (phase_ == Phase::Waiting && stopRequest_ != nullptr && stopRequest_->exchange(false)) {
      std::fprintf(err_, "vxlink: stopped before START was pressed; no run was made\n");
      phase_ = Phase::Ended;
    }
    return;
  }
  if (stopRequest_ != nullptr && stopRequest_->exchange(false)) StopByUser();
  PrintNewRows();
  PrintStatusLine();
  // The columns are fitted to the first readings, not at every save: fitting looks at every
  // row, and the rows that follow are of the same kind.
  // The workbook's sheet is the copy's too, where a copy is kept: both are fitted.
  if (!fittedToFirstRows_ && printedRows_ > 0) {
    FitColumns(workbook_.sheet);
    fittedToFirstRows_ = true;
  }
  saves_->Poll();
}

void LinkSession::StopByUser() {
  stoppedByUser_ = true;
  if (!canAsk_ && options_.begin == LinkOptions::Begin::Trigger) {
    StopWithoutAsking();
  } else {
    engine_->StopTimer();
    if (RunActive()) stoppedByUser_ = false;  // the user chose to go on waiting
  }
}

// While the meter waits for its trigger the engine asks whether the user released it from its
// front panel, and goes on waiting unless told yes. With neither a window nor a terminal to
// ask in, that question would never be answered and the stop never obeyed: the engine is
// told to stop as a run begun at once stops, and the user is told what may be left on the
// meter.
void LinkSession::StopWithoutAsking() {
  engine_->SetBegin(1);
  engine_->StopTimer();
  PrintNewRows();
  if (printedRows_ > 0) return;  // the trigger came: the meter reads as it should
  leftArmed_ = true;
  std::fprintf(err_,
               "vxlink: stopped while the meter waited for its external trigger, with no "
               "terminal to ask on: the meter may still be armed. Press 'LOCAL', then 'TRIG' on "
               "its front panel to release it.\n");
}

void LinkSession::PrintNewRows() {
  auto countCell = copy_.sheet->Range("F4");
  if (!countCell) return;
  auto count = (*countCell)->Value();
  const int rows = count ? static_cast<int>(NumberOf(*count).value_or(0)) : 0;
  for (; printedRows_ < rows; ++printedRows_) {
    const int row = printedRows_ + 2;
    std::string line = CellText(copy_.sheet, row, 1) + "\t" + CellText(copy_.sheet, row, 2);
    if (const std::string second = CellText(copy_.sheet, row, 3); !second.empty()) {
      line += "\t" + second;
      // The engine reads two values: column C gets its heading, which names the chart's
      // second series.
      if (!secondHeader_) {
        const Status header = WriteSecondHeader(
            workbook_.sheet, [this](const std::string& key) { return Caption(key); });
        if (!header) std::fprintf(err_, "vxlink: %s\n", header.error().description.c_str());
        secondHeader_ = true;
      }
    }
    std::fprintf(out_, "%s\n", line.c_str());
  }
  std::fflush(out_);
}

void LinkSession::PrintStatusLine() {
  auto status = copyHost_->StatusBar();
  if (!status || *status == statusLine_) return;
  statusLine_ = *status;
  std::fprintf(err_, "[%s]\n", statusLine_.c_str());
}

bool LinkSession::Save() {
  // The copy is fitted first; a sheet the user watches that has gone does not stop the save.
  FitColumns(workbook_.sheet);
  const Status saved = saves_ ? saves_->Finish() : copy_.book->SaveAs(options_.out);
  if (!saved) std::fprintf(err_, "vxlink: %s\n", saved.error().description.c_str());
  return static_cast<bool>(saved);
}

bool LinkSession::EndedByItsStopMode() {
  if (stoppedByUser_) return true;
  switch (options_.stop) {
    case LinkOptions::Stop::Count:
      return printedRows_ >= options_.stopCount;
    case LinkOptions::Stop::At:
      return NowOle() >= stopTime_;
    case LinkOptions::Stop::Manual:
      return false;
  }
  return false;
}

void LinkSession::Finish() {
  PrintNewRows();
  PrintStatusLine();
  const bool saved = Save();
  if (saved) std::fprintf(out_, "Saved %d readings in %s\n", printedRows_, options_.out.c_str());
  exitStatus_ = saved && !leftArmed_ && EndedByItsStopMode() ? 0 : 1;
}

}  // namespace vx::linkhost
