#pragma once
// vxscan's run: the scanner's meter scan and card read, the channel list, then a scan run
// on the real clock, printing the results as they are filled and writing the output file
// after every fill.

#include <atomic>
#include <cstdio>
#include <string>

#include "common/prompt.h"
#include "scanner/scan_tool_options.h"

namespace vx::scanner {

class ScanRun;

class ScanTool {
 public:
  // Results go to `out`, progress and messages to `err`; `prompter` shows the run's
  // messages; `stopRequest`, set by Ctrl-C, ends the run between polls.
  ScanTool(ScanToolOptions options, std::FILE* out, std::FILE* err, Prompter& prompter,
           const std::atomic<bool>& stopRequest);

  // The exit status: 0 done with every reading in place; 1 no meter or card, the meter lost,
  // readings missing or the results not saved; 2 a value of the command line refused (the
  // channel list, the meter's position, the window's checks); 130 stopped by the user.
  int Run();

 private:
  // Says what went wrong; Fail gives status 1, Refuse status 2.
  int Fail(const std::string& message);
  int Refuse(const std::string& message);
  int RunScan(ScanRun& run);
  void Report(const ScanRun& run);
  bool WriteOutput(const ScanRun& run);
  void ShowProgress(const std::string& progress);
  void EndProgressLine();
  bool SleepUnlessStopped(std::chrono::milliseconds wait) const;

  ScanToolOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  Prompter& prompter_;
  const std::atomic<bool>& stopRequest_;
  bool progressOnTerminal_ = false;
  std::string progressShown_;
  std::string headerPrinted_;
  int rowsPrinted_ = 0;
  int fillsReported_ = 0;
  int noticesReported_ = 0;
};

}  // namespace vx::scanner
