// Rescind: run when the product is removed; deletes the VX-Link toolbar of the spreadsheet
// program and switches the add-in off. The add-in file stays on disk.

#include <QApplication>
#include <QFont>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "common/command_line.h"
#include "common/desktop_open.h"
#include "common/end_program.h"
#include "common/qt_prompter.h"
#include "common/terminal_prompter.h"
#include "remover/remover.h"

namespace {

constexpr const char* kUsage =
    "usage: Rescind\n"
    "\n"
    "Takes the VX-Link add-in out of the spreadsheet program: deletes its toolbar\n"
    "\"Zemra K9-90/1 VX-Link\" and switches the add-in QVK990LINK.XLA off. The add-in file\n"
    "stays on disk. Without a display the messages go to standard error.\n"
    "It prints what it did: \"Deleted N toolbar(s), switched N add-in(s) off\", counting\n"
    "only an add-in that was on. Exit status: 0 done, 1 the spreadsheet program could not be\n"
    "started or its state could not be read or changed (the message names the file and the\n"
    "line), 2 a wrong command line. --version prints the program's version.\n"
    "\n"
    "In LibreOffice Calc the add-in's extension is switched off through the office's\n"
    "extension manager: its toolbar leaves every Calc window, and the extension stays\n"
    "installed (disabled) with its file where it was.\n";

// What was done, and the exit status: 1 when the host could not be started or a step failed
// (the failure has been shown).
int Report(const vx::remover::RemovalOutcome& outcome) {
  if (!outcome.Ok()) return 1;
  std::printf("Deleted %d toolbar(s), switched %d add-in(s) off\n", outcome.toolbarsDeleted,
              outcome.addInsSwitchedOff);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vx::CommandLine line("Rescind", kUsage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  if (!line.Done()) {
    line.Unknown(line.Next());
    return line.Fail();
  }
  if (!vx::CanShowWindows()) {
    vx::TerminalPrompter prompter;
    vx::EndProgram(Report(vx::remover::RemoveAddIn(prompter)));
  }
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(vx::remover::kCaption);
  window.setFont(QFont("Arial", 10));
  window.resize(360, 120);
  window.show();
  vx::QtPrompter prompter(&window);
  vx::remover::RemovalOutcome outcome;
  // The removal runs once the window has been drawn, then the window closes.
  QTimer::singleShot(0, &window, [&] {
    outcome = vx::remover::RemoveAddIn(prompter);
    window.close();
    QApplication::quit();
  });
  app.exec();
  vx::EndProgram(Report(outcome));
}
