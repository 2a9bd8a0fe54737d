// Load: started with the path of the VX-Link add-in ("*.xla") or template ("*.dot") as its
// whole command line; opens it in the spreadsheet program or the word processor and
// installs it, showing what it opened for a moment.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/command_line.h"
#include "common/desktop_open.h"
#include "common/end_program.h"
#include "common/qt_prompter.h"
#include "common/terminal_prompter.h"
#include "launcher/launcher.h"

namespace {

constexpr const char* kUsage =
    "usage: Load PATH\n"
    "\n"
    "PATH, the whole command line, is the VX-Link add-in (a file ending in \".xla\") or its\n"
    "template (ending in \".dot\"), with that exact letter case. The add-in is opened in the\n"
    "spreadsheet program, added to its add-ins and switched on; the template is opened in\n"
    "the word processor, whose toolbar \"Zemra K9-90/1 VX-Link\" is set up on versions 11\n"
    "and below. Without a display the messages go to standard error.\n"
    "Exit status: 0 opened, 1 the file or its program failed, 2 a command line that names\n"
    "neither (\"Open File Use *.dot *.xla\") or an unknown option. --version prints the\n"
    "program's version.\n"
    "\n"
    "In LibreOffice Calc the add-in is the extension file of the same name ending in \".oxt\"\n"
    "beside PATH (installed as share/k9-90/addin/QVK990LINK.oxt; PATH need not exist):\n"
    "it is installed into your LibreOffice through the running office, which is started\n"
    "when none runs, and switched on; Calc shows the toolbar \"Zemra K9-90/1 VX-Link\".\n";

constexpr int kShowMs = 1500;

// The exit status of a launch: 0 opened, 2 a command line that names no add-in or template,
// 1 anything else that failed (the reason has been shown either way).
int LaunchStatus(const std::string& opened, const std::string& commandLine) {
  if (!opened.empty()) return 0;
  return vx::launcher::NamesAddInOrTemplate(commandLine) ? 1 : vx::kCommandLineErrorStatus;
}

}  // namespace

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  // The whole command line is a path: only a line that is nothing but an option is one.
  vx::CommandLine line("Load", kUsage, argc, argv);
  if (argc == 2) {
    if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  }
  if (commandLine.size() > 1 && commandLine.front() == '-' &&
      !vx::launcher::NamesAddInOrTemplate(commandLine)) {
    line.Unknown(line.Next());
    return line.Fail();
  }
  if (!vx::CanShowWindows()) {
    vx::TerminalPrompter prompter;
    const std::string opened = vx::launcher::Launcher(prompter).Launch(commandLine);
    if (!opened.empty()) std::printf("%s\n", opened.c_str());
    vx::EndProgram(LaunchStatus(opened, commandLine));
  }
  QApplication app(argc, argv);
  QDialog window;
  window.setWindowTitle(vx::launcher::kCaption);
  auto* label = new QLabel(&window);
  label->setObjectName("opened");
  label->setMinimumWidth(360);
  (new QVBoxLayout(&window))->addWidget(label);
  vx::QtPrompter prompter(&window);
  const std::string opened = vx::launcher::Launcher(prompter).Launch(commandLine);
  if (opened.empty()) vx::EndProgram(LaunchStatus(opened, commandLine));
  label->setText(QString::fromStdString(opened));
  window.show();
  QApplication::processEvents();
  QTimer::singleShot(kShowMs, &app, &QApplication::quit);
  vx::EndProgram(app.exec());
}
