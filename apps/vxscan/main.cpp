// vxscan: runs a scan on a meter's scanner card as the "Setting Scan" window does, for
// scripts and for people without a display, and prints and saves its results grid.

#include <QCoreApplication>
#include <atomic>
#include <cstdio>

#include "automation/object_registry.h"
#include "common/stop_signals.h"
#include "common/terminal_prompter.h"
#include "scanner/scan_tool.h"
#include "scanner/scan_tool_options.h"

int main(int argc, char** argv) {
  const vx::scanner::ParsedScanToolOptions parsed = vx::scanner::ParseScanToolOptions(argc, argv);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "vxscan: %s\n\n%s", parsed.error.c_str(), vx::scanner::kScanToolUsage);
    return 2;
  }
  if (parsed.options.help) {
    std::fputs(vx::scanner::kScanToolUsage, stdout);
    std::printf("\nSpreadsheet host here: %s\n", vx::automation::SpreadsheetHostText().c_str());
    return 0;
  }
  // The spreadsheet host that saves workbooks is a Qt library.
  QCoreApplication app(argc, argv);
  vx::CatchStopSignals();
  vx::TerminalPrompter prompter(stdin, stderr);
  vx::scanner::ScanTool tool(parsed.options, stdout, stderr, prompter, vx::StopRequestFlag());
  return tool.Run();
}
