#pragma once
// One vxlink run: the spreadsheet host and the logging engine created through the registry,
// the logging workbook, the meter search, the run's settings handed to the engine in the
// order it expects, and the run watched from the host's thread: each new row and each new
// status line printed, the workbook saved every 10 seconds (in the background, so that no
// reading waits for it) and at the end, Ctrl-C or SIGTERM turned into the engine's StopTimer.
// A host over a running program (LibreOffice Calc) gets an in-memory copy beside it, from
// which the rows are printed and the workbook saved, so that every reading is kept when that
// program goes away during the run.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "addin/quorvel.h"
#include "automation/spreadsheet.h"
#include "automation/toolbar_buttons.h"
#include "linkhost/link_options.h"
#include "linkhost/logging_workbook.h"
#include "linkhost/periodic_save.h"
#include "linkhost/toolbar_macros.h"

class QProcess;

namespace vx::linkhost {

struct FoundMeter {
  std::string identity;
  std::string descriptor;
  ViSession session = VI_NULL;
};

class LinkSession {
 public:
  // `stopRequest` is set (by a signal handler) when the user asks the run to stop.
  LinkSession(LinkOptions options, std::FILE* out, std::FILE* err, std::atomic<bool>* stopRequest);
  ~LinkSession();

  // Creates the host, the engine and the workbook, and finds the meters. Non-zero after an
  // error, which has been printed.
  int Open();
  const std::vector<FoundMeter>& Meters() const { return meters_; }
  addin::_Application& Engine() { return *engine_; }

  // Logs from the meter at `device` until the run ends; the process's exit status. With
  // --wait the run begins when START is pressed on the add-in's toolbar.
  int Run(int device);

  // Runs the add-in macro a button of the toolbar names, as the add-in workbook does: START
  // begins the run or resumes it, PAUSE and STOP, the connect form, and the rest. An unknown
  // name, or a button that is disabled now, is refused with a message and changes nothing.
  void RunMacro(const std::string& macro);

 private:
  int OpenHost();
  bool NeedsNoWorkbook() const { return options_.list || options_.pick; }
  void BeginRun();
  void StopByUser();
  bool ControlEnabled(int index);
  automation::Status EnableStart();
  void OpenConnectForm();
  void ConnectFormDone(int exitCode);
  void Say(const std::string& text);
  bool HasWindows() const;
  void ChooseChart();
  void ChooseWorkbookFile();
  int Fail(const std::string& what, const automation::AutomationError& error);
  int Fail(const std::string& what);
  std::string Caption(const std::string& key);
  automation::Status SetUpRun(ViSession session);
  automation::Status WriteBeginTime(double oleDate);
  void Poll();
  void StopWithoutAsking();
  void PrintNewRows();
  void PrintStatusLine();
  bool Save();
  bool RunActive();
  bool EndedByItsStopMode();
  void Finish();

  LinkOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  automation::ApplicationPtr host_;
  // Where the run's readings are read back and saved from: the in-memory copy kept beside a
  // host over a running program, else the host itself.
  automation::ApplicationPtr copyHost_;
  std::vector<automation::ApplicationPtr> sides_;  // the host, or the live one and its copy
  std::shared_ptr<addin::_Application> engine_;
  // The host's toolbar buttons where they reach vxlink as commands (the Calc host).
  std::shared_ptr<automation::ToolbarButtons> buttons_;
  std::unique_ptr<ToolbarMacros> macros_;
  std::unique_ptr<QProcess> connectForm_;
  LoggingWorkbook workbook_;
  LoggingWorkbook copy_;
  std::vector<FoundMeter> meters_;
  std::unique_ptr<QTimer> poll_;
  std::atomic<bool>* stopRequest_;
  // Whether the engine's questions can be answered: in a message box when the connect form
  // made vxlink a windowed program, else on standard input, when that is a terminal.
  bool canAsk_;
  enum class Phase { Waiting, Running, Ended };
  Phase phase_ = Phase::Waiting;
  int device_ = 0;
  bool windowClosed_ = false;
  bool stoppedByUser_ = false;
  bool leftArmed_ = false;
  bool secondHeader_ = false;
  int printedRows_ = 0;
  std::string statusLine_;
  std::unique_ptr<PeriodicSave> saves_;
  bool fittedToFirstRows_ = false;
  double stopTime_ = 0;
  int exitStatus_ = 0;
};

// The file vxlink saves to when --out is not given: a new name in the current folder.
std::string DefaultOutputPath();

}  // namespace vx::linkhost
