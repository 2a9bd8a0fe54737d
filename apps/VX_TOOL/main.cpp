// VX_TOOL: the front panel of the K9-90/1 multimeter. The program runs the panel as a
// modal dialog and ends when it closes.

#include <QApplication>
#include <QLocale>

#include "common/qt_prompter.h"
#include "panel/panel_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("VX_TOOL");
  vx::QtPrompter prompter;
  vx::panel::PanelWindow panel(prompter, QLocale::system().name().toStdString());
  prompter.SetParent(&panel);
  panel.Open();
  panel.exec();
  return 0;
}
