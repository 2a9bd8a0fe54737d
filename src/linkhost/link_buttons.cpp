// The add-in's macros behind the toolbar's buttons, as vxlink runs them for the workbook it
// logs into: the run's START (begin or resume), PAUSE and STOP, the connect form beside the
// spreadsheet program, and what the other buttons tell.

#include <QApplication>
#include <QProcess>
#include <filesystem>

#include "automation/command_bars.h"
#include "common/command_line.h"
#include "common/desktop_open.h"
#include "common/output_file.h"
#include "common/qt_prompter.h"
#include "linkhost/chart_choice_dialog.h"
#include "linkhost/link_session.h"
#include "linkhost/single_reading.h"

namespace vx::linkhost {
namespace {

using namespace automation;

constexpr int kStartControl = 7;
constexpr int kPauseControl = 8;
constexpr int kStopControl = 9;

const char* ChartText(LinkOptions::Chart chart) {
  switch (chart) {
    case LinkOptions::Chart::None:
      return "no chart";
    case LinkOptions::Chart::All:
      return "a chart of all readings";
    case LinkOptions::Chart::Strip:
      return "a strip chart";
  }
  return "";
}

}  // namespace

void LinkSession::RunMacro(const std::string& macro) {
  if (macro.empty()) {
    // The logging workbook's window closed. A run notices at its next reading and ends with
    // its message; before START there is nothing left to wait for.
    windowClosed_ = true;
    if (phase_ == Phase::Waiting) {
      exitStatus_ = Fail("the logging workbook was closed before START was pressed");
      phase_ = Phase::Ended;
    }
    return;
  }
  const auto refuse = [this](const char* button) {
    Say(std::string("The button ") + button + " is not available now.");
  };
  if (macro == "DmmTimerStart") {
    if (!ControlEnabled(kStartControl) || phase_ == Phase::Ended) return refuse("START");
    if (phase_ == Phase::Waiting) {
      BeginRun();
    } else {
      engine_->Stop_Pause();
    }
  } else if (macro == "DmmTimerPause") {
    if (phase_ != Phase::Running || !ControlEnabled(kPauseControl)) return refuse("PAUSE");
    engine_->PauseTimer();
  } else if (macro == "DmmTimerStop") {
    if (phase_ != Phase::Running || !ControlEnabled(kStopControl)) return refuse("STOP");
    StopByUser();
  } else if (macro == "DmmAbout") {
    Say(std::string(kToolbarName) + "\n" + VersionText("vxlink") +
        "\nLogs meter readings into the worksheet saved as " + options_.out + ".");
  } else if (macro == "DmmConnect") {
    if (phase_ != Phase::Waiting) return refuse("Connect to Device");
    OpenConnectForm();
  } else if (macro == "DmmFiles") {
    if (phase_ != Phase::Waiting) return refuse("File Access");
    ChooseWorkbookFile();
  } else if (macro == "DmmFuncs") {
    Say("vxlink logs what the meter measures now: set its function and range on the meter's "
        "front panel or in VX_TOOL before START.");
  } else if (macro == "DmmMeas") {
    if (phase_ != Phase::Waiting) return refuse("Get Single Reading");
    const SingleReading reading = ReadOnce(meters_[device_].descriptor);
    Say(reading.error.empty()
            ? "Reading of " + meters_[device_].descriptor + ": " + reading.value
            : "No reading from " + meters_[device_].descriptor + ": " + reading.error);
  } else if (macro == "DmmChart") {
    if (phase_ != Phase::Waiting) return refuse("Logging Charts");
    ChooseChart();
  } else {
    Say("The add-in " + std::string(kAddInFile) + " has no macro \"" + macro + "\".");
  }
}

bool LinkSession::HasWindows() const {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// The chart of the run to come: chosen in the form where there is a display, else told.
void LinkSession::ChooseChart() {
  if (!HasWindows()) {
    Say(std::string("The run will draw ") + ChartText(options_.chart) +
        (options_.chart == LinkOptions::Chart::Strip
             ? " of the last " + std::to_string(options_.points) + " readings"
             : std::string()) +
        (options_.inSheet ? ", in the worksheet" : "") +
        "; vxlink --chart none|all|strip, --points and --in-sheet choose it.");
    return;
  }
  ChartChoiceDialog form(options_);
  if (form.exec() != QDialog::Accepted) return;
  form.Apply(options_);
  // The engine takes the strip's length from F8 when the run starts.
  auto points = workbook_.sheet->Range("F8");
  const Status written =
      points ? (*points)->SetValue(Value{static_cast<double>(options_.points)}) : points.error();
  if (!written)
    Say("The number of points cannot be written into F8: " + written.error().description);
}

// The file the run's workbook is saved to: chosen where there is a display, else told.
void LinkSession::ChooseWorkbookFile() {
  auto settings = engine_->GetINI();
  const std::string told =
      "The workbook is saved to " + options_.out +
      " every 10 seconds while logging and at the end of the run.\nThe logging engine's "
      "settings file: " +
      (settings && !settings->empty() ? *settings : std::string("none")) + ".";
  if (!HasWindows()) {
    Say(told + "\nvxlink --out names the workbook's file.");
    return;
  }
  QtPrompter prompter;
  SaveFileRequest request;
  request.filter = "Excel Workbook (*.xlsx)|*.xlsx||";
  request.defaultName = options_.out;
  request.defaultExtension = "xlsx";
  request.overwritePrompt = true;
  const std::optional<std::string> chosen = prompter.SaveFileName(request);
  if (!chosen) return;
  if (const std::string problem = OutputFileProblem(*chosen); !problem.empty()) {
    Say(problem);
    return;
  }
  options_.out = *chosen;
  workbook_.book->SetTitle(std::filesystem::path(options_.out).stem().string());
  std::fprintf(out_, "Workbook file: %s\n", options_.out.c_str());
  std::fflush(out_);
}

Status LinkSession::EnableStart() {
  VX_ASSIGN_OR_RETURN(CommandBarsPtr bars, host_->CommandBars());
  VX_ASSIGN_OR_RETURN(CommandBarPtr bar, bars->Item(kToolbarName));
  VX_ASSIGN_OR_RETURN(CommandBarControlsPtr controls, bar->Controls());
  VX_ASSIGN_OR_RETURN(CommandBarControlPtr start, controls->Item(kStartControl));
  return start->SetEnabled(true);
}

// The connect form runs as a program of its own beside the spreadsheet program, so that the
// toolbar and vxlink's own timers go on while the user chooses.
void LinkSession::OpenConnectForm() {
  if (connectForm_) return;  // the form is open already
  if (!CanShowWindows()) {
    Say("The connect form needs a display (DISPLAY is not set); vxlink --list and --device "
        "choose the meter instead.");
    return;
  }
  connectForm_ = std::make_unique<QProcess>();
  QStringList arguments{"--pick"};
  if (options_.language) arguments << "--language" << QString::number(*options_.language);
  connectForm_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QObject::connect(connectForm_.get(), &QProcess::finished,
                   [this](int exitCode, QProcess::ExitStatus status) {
                     ConnectFormDone(status == QProcess::NormalExit ? exitCode : -1);
                   });
  // A form that never started sends no end: it is let go here, so that the button works again.
  QObject::connect(
      connectForm_.get(), &QProcess::errorOccurred, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        Say("The connect form cannot be started: " + connectForm_->errorString().toStdString());
        connectForm_.release()->deleteLater();
      });
  connectForm_->start(QCoreApplication::applicationFilePath(), arguments);
}

void LinkSession::ConnectFormDone(int exitCode) {
  const std::string chosen =
      QString::fromLocal8Bit(connectForm_->readAllStandardOutput()).trimmed().toStdString();
  connectForm_.release()->deleteLater();        // this runs inside the process's own signal
  if (exitCode != 0 || chosen.empty()) return;  // cancelled: the meter stays as it was
  for (size_t i = 0; i < meters_.size(); ++i) {
    if (meters_[i].descriptor != chosen) continue;
    device_ = static_cast<int>(i);
    std::fprintf(out_, "Meter chosen: %s\n", chosen.c_str());
    std::fflush(out_);
    return;
  }
  Say("The meter " + chosen + " is not among the meters vxlink found when it started.");
}

void LinkSession::Say(const std::string& text) {
  if (HasWindows()) {
    QtPrompter prompter;
    prompter.Message(text, kToolbarName, MessageIcon::Information);
    return;
  }
  std::fprintf(err_, "vxlink: %s\n", text.c_str());
}

}  // namespace vx::linkhost
