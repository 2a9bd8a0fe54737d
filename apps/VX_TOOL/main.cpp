// VX_TOOL: the front panel of the K9-90/1 multimeter. The program runs the panel as a
// modal dialog and ends when it closes.

#include <QApplication>
#include <QLocale>
#include <cstdio>

#include "common/command_line.h"
#include "common/desktop_open.h"
#include "common/qt_prompter.h"
#include "panel/panel_window.h"

namespace {

constexpr const char* kUsage =
    "usage: VX_TOOL\n"
    "\n"
    "The front panel of the K9-90/1 multimeter: it finds the meters on USB-TMC and GPIB,\n"
    "reads them live as numbers and traces, configures them, logs readings into the record\n"
    "files DB/DBfile_DB<n>.db below the folder it starts in, and runs channel scans.\n"
    "\n"
    "  VX_VISA_SIM     a simulation file: simulated meters instead of (or beside) real ones\n"
    "  VX_TOOL_SYSDIR  the folder of VX_TOOL.ini, the captions (default: share beside the\n"
    "                  program)\n"
    "It needs a display; without one, \"vxquery scan\" lists the meters it would find.\n"
    "It takes no arguments; --version prints its version.\n";

}  // namespace

int main(int argc, char** argv) {
  vx::CommandLine line("VX_TOOL", kUsage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  // The front panel has no command line: whatever is given is a mistake.
  if (!line.Done()) {
    line.Unknown(line.Next());
    return line.Fail();
  }
  // Qt would abort without a display; say what is missing instead.
  if (!vx::CanShowWindows()) {
    std::fputs(
        "VX_TOOL: the front panel needs a display (DISPLAY is not set); "
        "\"vxquery scan\" lists the meters without one\n",
        stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("VX_TOOL");
  // The desktop matches the window to its launcher by this name (Wayland) and by the window
  // class VX_TOOL, which the entry names as StartupWMClass (X11).
  QGuiApplication::setDesktopFileName("k9-90-vx-tool");
  vx::QtPrompter prompter;
  vx::panel::PanelWindow panel(prompter, QLocale::system().name().toStdString());
  prompter.SetParent(&panel);
  panel.Open();
  panel.exec();
  return 0;
}
