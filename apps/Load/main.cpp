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
    "\n"
    "In LibreOffice Calc the add-in is the extension file of the same name ending in \".oxt\"\n"
    "beside PATH (installed as share/k9-90/addin/QVK990LINK.oxt; PATH need not exist):\n"
    "it is installed into your LibreOffice through the running office, which is started\n"
    "when none runs, and switched on; Calc shows the toolbar \"Zemra K9-90/1 VX-Link\".\n";

constexpr int kShowMs = 1500;

}  // namespace

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  if (commandLine == "--help" || commandLine == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!vx::CanShowWindows()) {
    vx::TerminalPrompter prompter;
    const std::string opened = vx::launcher::Launcher(prompter).Launch(commandLine);
    if (!opened.empty()) std::printf("%s\n", opened.c_str());
    vx::EndProgram(opened.empty() ? 1 : 0);
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
  if (opened.empty()) vx::EndProgram(1);
  label->setText(QString::fromStdString(opened));
  window.show();
  QApplication::processEvents();
  QTimer::singleShot(kShowMs, &app, &QApplication::quit);
  vx::EndProgram(app.exec());
}
