#include "scanner/scan_tool.h"

#include <unistd.h>

#include <thread>

#include "common/c_number.h"
#include "common/captions.h"
#include "common/command_line.h"
#include "common/output_file.h"
#include "instrument/device_table.h"
#include "instrument/display_name.h"
#include "scanner/channel_list.h"
#include "scanner/results_csv.h"
#include "scanner/scan_export.h"
#include "scanner/scan_run.h"
#include "scanner/scanner_query.h"

namespace vx::scanner {
namespace {

constexpr auto kStopCheck = std::chrono::milliseconds(50);

bool IsCsv(const std::string& path) {
  return ToLowerAscii(path).ends_with(".csv");
}

}  // namespace

ScanTool::ScanTool(ScanToolOptions options, std::FILE* out, std::FILE* err, Prompter& prompter,
                   const std::atomic<bool>& stopRequest)
    : options_(std::move(options)),
      out_(out),
      err_(err),
      prompter_(prompter),
      stopRequest_(stopRequest),
      progressOnTerminal_(::isatty(::fileno(err)) != 0) {}

int ScanTool::Fail(const std::string& message) {
  EndProgressLine();
  std::fprintf(err_, "vxscan: %s\n", message.c_str());
  return 1;
}

int ScanTool::Refuse(const std::string& message) {
  Fail(message);
  return kCommandLineErrorStatus;
}

int ScanTool::Run() {
  const ChannelList channels = ParseChannelList(options_.channels);
  if (!options_.list && !channels.error.empty()) return Refuse("--channels: " + channels.error);
  // A results file that cannot be written is found before the run, not after it.
  if (!options_.list && !options_.out.empty()) {
    if (const std::string problem = OutputFileProblem(options_.out); !problem.empty()) {
      return Fail(problem);
    }
  }

  instrument::DeviceTable table;
  const std::vector<std::string> names = table.ScanMeters(instrument::kScannerScan);
  if (names.empty()) return Fail(Caption("1000", "No Device Connected"));
  if (options_.list) {
    for (size_t i = 0; i < names.size(); ++i) {
      std::fprintf(out_, "%zu\t%s\t%s\n", i, names[i].c_str(),
                   table.MeterIdentity(static_cast<int>(i)).c_str());
    }
    return 0;
  }
  if (options_.device >= static_cast<int>(names.size())) {
    return Refuse(FormatC("--device %d: the scanner lists %zu meter%s (0 to %zu)", options_.device,
                          names.size(), names.size() == 1 ? "" : "s", names.size() - 1));
  }
  const std::string& name = names[static_cast<size_t>(options_.device)];
  const QueryFunction query = ScannerQuery(table, options_.device);
  ScanSetup setup;
  if (!setup.ReadCard(query)) {
    const std::string gone = MeterGoneText(table, options_.device);
    return Fail(gone.empty() ? name + ": the meter has no scanner card." : gone);
  }
  if (std::string error = ApplyChannelList(channels.entries, setup); !error.empty()) {
    return Refuse(name + ": " + error);
  }
  ScanRun run(setup, query, RealClock(), prompter_,
              [&table, this] { return MeterGoneText(table, options_.device); });
  run.Settings() = SettingsFor(options_, setup.Channels());
  // What the run refuses to start is a value of the command line.
  if (!run.Start()) {
    return Refuse(run.Notice().empty() ? "the scan was not started." : run.Notice());
  }
  return RunScan(run);
}

int ScanTool::RunScan(ScanRun& run) {
  while (run.Phase() != RunPhase::Idle) {
    if (!SleepUnlessStopped(run.TimerInterval())) {
      EndProgressLine();
      std::fprintf(err_, "vxscan: stopped; %d row%s of results kept\n", rowsPrinted_,
                   rowsPrinted_ == 1 ? "" : "s");
      return 130;
    }
    run.Tick();
    ShowProgress(run.ProgressText());
    if (run.FillCount() != fillsReported_) {
      fillsReported_ = run.FillCount();
      EndProgressLine();
      Report(run);
      if (!WriteOutput(run)) return 1;
    }
  }
  EndProgressLine();
  if (run.NoticeCount() != noticesReported_ && !run.Notice().empty()) {
    std::fprintf(err_, "vxscan: %s\n", run.Notice().c_str());
  }
  // The saved workbook opens in LibreOffice Calc when that is the spreadsheet host: the
  // results are in front of the user, once the run is over.
  if (fillsReported_ > 0 && !options_.out.empty() && !IsCsv(options_.out)) {
    const ExportResult shown = ShowWorkbook(options_.out);
    if (!shown.Ok()) {
      std::fprintf(err_, "vxscan: the workbook was saved, but cannot be shown: %s\n",
                   shown.detail.c_str());
    }
  }
  // A script must tell a run with every reading from one that lost its meter or readings.
  const bool complete = fillsReported_ > 0 && run.IncompleteFills() == 0 && run.Failure().empty();
  return complete ? 0 : 1;
}

// Prints the header when it is new, then the rows filled since.
void ScanTool::Report(const ScanRun& run) {
  const ResultsGrid& grid = run.Grid();
  const std::string header = RowLine(grid, 0, '\t');
  if (header != headerPrinted_) {
    std::fprintf(out_, "%s\n", header.c_str());
    headerPrinted_ = header;
    rowsPrinted_ = 0;
  }
  for (int r = rowsPrinted_ + 1; r < grid.Rows(); ++r) {
    if (grid.Cell(r, 0).empty()) continue;
    std::fprintf(out_, "%s\n", RowLine(grid, r, '\t').c_str());
    rowsPrinted_ = r;
  }
  std::fflush(out_);
  if (run.NoticeCount() != noticesReported_) {
    noticesReported_ = run.NoticeCount();
    if (!run.Notice().empty()) std::fprintf(err_, "vxscan: %s\n", run.Notice().c_str());
  }
}

bool ScanTool::WriteOutput(const ScanRun& run) {
  if (options_.out.empty()) return true;
  if (IsCsv(options_.out)) {
    const std::string error = WriteResultsCsv(run.Grid(), options_.out);
    if (error.empty()) return true;
    Fail("the results cannot be written to " + options_.out + ": " + error);
    return false;
  }
  const ExportResult result = ExportResults(run.Grid(), {ExportTarget::Kind::SaveAs, options_.out});
  if (result.Ok()) return true;
  Fail(ExportFailureMessage(result).text);
  return false;
}

void ScanTool::ShowProgress(const std::string& progress) {
  if (progress.empty() || progress == progressShown_) return;
  progressShown_ = progress;
  if (progressOnTerminal_) {
    std::fprintf(err_, "\r%-20s", progress.c_str());
  } else {
    std::fprintf(err_, "%s\n", progress.c_str());
  }
  std::fflush(err_);
}

void ScanTool::EndProgressLine() {
  if (progressOnTerminal_ && !progressShown_.empty()) std::fputc('\n', err_);
  progressShown_.clear();
}

bool ScanTool::SleepUnlessStopped(std::chrono::milliseconds wait) const {
  const auto until = std::chrono::steady_clock::now() + wait;
  while (!stopRequest_) {
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kStopCheck));
  }
  return false;
}

}  // namespace vx::scanner
