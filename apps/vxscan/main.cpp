// vxscan: runs a scan on a meter's scanner card as the "Setting Scan" window does, for
// scripts and for people without a display, and prints and saves its results grid.

#include <QCoreApplication>
#include <atomic>
#include <cstdio>

#include "automation/object_registry.h"
#include "common/command_line.h"
#include "common/stop_signals.h"
#include "common/terminal_prompter.h"
#include "scanner/scan_tool.h"
#include "scanner/scan_tool_options.h"

int main(int argc, char** argv) {
  const std::string usage = vx::automation::UsageWithSpreadsheetHost(vx::scanner::kScanToolUsage);
  vx::CommandLine line("vxscan", usage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  const vx::scanner::ParsedScanToolOptions parsed = vx::scanner::ParseScanToolOptions(argc, argv);
  if (!parsed.error.empty()) return line.Fail(parsed.error);
  // The spreadsheet host that saves workbooks is a Qt library.
  QCoreApplication app(argc, argv);
  vx::CatchStopSignals();
  vx::TerminalPrompter prompter(stdin, stderr);
  vx::scanner::ScanTool tool(parsed.options, stdout, stderr, prompter, vx::StopRequestFlag());
  return tool.Run();
}
