// vxlink: logs a meter into a worksheet through the logging engine, playing the part of the
// VX-Link add-in workbook, and saves the workbook with its chart.

#include <QApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "automation/object_registry.h"
#include "common/command_line.h"
#include "common/desktop_open.h"
#include "common/end_program.h"
#include "common/qt_prompter.h"
#include "common/stop_signals.h"
#include "linkhost/connect_form.h"
#include "linkhost/link_options.h"
#include "linkhost/link_session.h"

namespace {

// The connect form picks the meter; -1 when the user cancels or the form cannot be shown.
int ChooseDevice(vx::linkhost::LinkSession& session) {
  vx::QtPrompter prompter;
  vx::linkhost::ConnectForm form(session.Engine(), session.Meters(), prompter);
  if (const std::string problem = form.SetUp(); !problem.empty()) {
    std::fprintf(stderr, "vxlink: %s\n", problem.c_str());
    return -1;
  }
  form.exec();
  return form.ChosenDevice();
}

int RunLink(int argc, char** argv) {
  const std::string usage = vx::automation::UsageWithSpreadsheetHost(vx::linkhost::kLinkUsage);
  vx::CommandLine line("vxlink", usage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  const vx::linkhost::ParsedOptions parsed = vx::linkhost::ParseLinkOptions(argc, argv);
  if (!parsed.error.empty()) return line.Fail(parsed.error);
  const bool form = parsed.options.choose || parsed.options.pick;
  if (form && !vx::CanShowWindows()) {
    std::fprintf(stderr,
                 "vxlink: %s shows the connect form and needs a display "
                 "(DISPLAY is not set); use --list and --device instead\n",
                 parsed.options.pick ? "--pick" : "--choose");
    return 1;
  }
  // With --wait on a display, the toolbar's messages are message boxes.
  std::unique_ptr<QCoreApplication> app;
  if (form || (parsed.options.wait && vx::CanShowWindows())) {
    app = std::make_unique<QApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  vx::linkhost::LinkSession session(parsed.options, stdout, stderr, &vx::StopRequestFlag());
  if (const int failed = session.Open(); failed != 0) return failed;
  if (parsed.options.list) {
    if (session.Meters().empty()) {
      std::fputs("vxlink: No Device Connected\n", stderr);
      return 1;
    }
    for (size_t i = 0; i < session.Meters().size(); ++i) {
      const auto& meter = session.Meters()[i];
      std::printf("%zu\t%s\t%s\n", i, meter.descriptor.c_str(), meter.identity.c_str());
    }
    return 0;
  }
  // The connect form of the toolbar's Connect button: the meter is kept in the settings by
  // the form, and printed for the vxlink that opened it.
  if (parsed.options.pick) {
    const int chosen = ChooseDevice(session);
    if (chosen < 0) return 1;
    std::printf("%s\n", session.Meters()[static_cast<size_t>(chosen)].descriptor.c_str());
    return 0;
  }
  int device = parsed.options.device;
  if (parsed.options.choose) {
    device = ChooseDevice(session);
    if (device < 0) return 1;
  }
  vx::CatchStopSignals();
  return session.Run(device);
}

}  // namespace

int main(int argc, char** argv) {
  vx::EndProgram(RunLink(argc, argv));
}
