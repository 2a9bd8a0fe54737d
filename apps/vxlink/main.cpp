// vxlink: logs a meter into a worksheet through the logging engine, playing the part of the
// VX-Link add-in workbook, and saves the workbook with its chart.

#include <signal.h>

#include <QCoreApplication>
#include <atomic>
#include <cstdio>

#include "linkhost/link_options.h"
#include "linkhost/link_session.h"

namespace {

// Set by SIGINT and SIGTERM; the run polls it on the host's thread.
std::atomic<bool> stopRequest{false};

void OnStopSignal(int) {
  stopRequest = true;
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const vx::linkhost::ParsedOptions parsed = vx::linkhost::ParseLinkOptions(argc, argv);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "vxlink: %s\n\n%s", parsed.error.c_str(), vx::linkhost::kLinkUsage);
    return 2;
  }
  if (parsed.options.help) {
    std::fputs(vx::linkhost::kLinkUsage, stdout);
    return 0;
  }
  QCoreApplication app(argc, argv);
  vx::linkhost::LinkSession session(parsed.options, stdout, stderr, &stopRequest);
  if (const int failed = session.Open(); failed != 0) return failed;
  if (parsed.options.list) {
    for (size_t i = 0; i < session.Meters().size(); ++i) {
      const auto& meter = session.Meters()[i];
      std::printf("%zu\t%s\t%s\n", i, meter.descriptor.c_str(), meter.identity.c_str());
    }
    return 0;
  }
  CatchStopSignals();
  return session.Run(parsed.options.device);
}
