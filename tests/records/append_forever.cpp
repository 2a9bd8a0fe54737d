// Test helper: appends the readings 1, 2, 3, … to a record until it is killed, so that the
// test knows which readings must survive the kill.
//
//   records_append_forever FOLDER RECORD            as fast as it can (about 100000 a
//                                                   second), printing "committed N" each
//                                                   time the count of committed readings grows
//   records_append_forever FOLDER RECORD PERIOD_MS  one reading every PERIOD_MS, checking
//                                                   for due commits in between as the windows'
//                                                   timers do, printing "appended N MICROS"
//                                                   after each reading (MICROS: the monotonic
//                                                   clock when the reading was handed over)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/c_number.h"
#include "common/clock.h"
#include "records/append_session.h"

namespace {

using std::chrono::steady_clock;

long long Micros(steady_clock::time_point time) {
  return std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
}

int Fail(const vx::records::Status& status) {
  std::fputs((status.message + "\n").c_str(), stderr);
  return 1;
}

int AppendFast(vx::records::AppendSession& session, const vx::Clock& clock) {
  long long committed = 0;
  for (long long value = 1;; ++value) {
    const vx::records::Status status = session.Append(static_cast<double>(value), clock.LocalNow());
    if (!status.Ok()) return Fail(status);
    if (session.CommittedRows() != committed) {
      committed = session.CommittedRows();
      std::fputs(vx::FormatC("committed %lld\n", committed).c_str(), stdout);
      std::fflush(stdout);
    }
    // Fast enough to be caught mid-commit, slow enough not to fill the disk while the test
    // waits.
    if (value % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

int AppendEvery(vx::records::AppendSession& session, const vx::Clock& clock,
                std::chrono::milliseconds period) {
  auto next = steady_clock::now();
  for (long long value = 1;; ++value) {
    const vx::records::Status status = session.Append(static_cast<double>(value), clock.LocalNow());
    if (!status.Ok()) return Fail(status);
    std::fputs(vx::FormatC("appended %lld %lld\n", value, Micros(steady_clock::now())).c_str(),
               stdout);
    std::fflush(stdout);
    next += period;
    for (auto now = steady_clock::now(); now < next; now = steady_clock::now()) {
      std::this_thread::sleep_for(
          std::min<steady_clock::duration>(vx::records::AppendSession::kCheckInterval, next - now));
      const vx::records::Status checked = session.CommitIfDue();
      if (!checked.Ok()) return Fail(checked);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fputs("usage: records_append_forever FOLDER RECORD [PERIOD_MS]\n", stderr);
    return 2;
  }
  const vx::Clock& clock = vx::RealClock();
  auto session = vx::records::OpenRecordForAppend(
      argv[1], static_cast<int>(vx::LeadingInteger(argv[2])), clock);
  if (!session.Ok()) return Fail(session.GetStatus());
  if (argc == 3) return AppendFast(session.Value(), clock);
  return AppendEvery(session.Value(), clock,
                     std::chrono::milliseconds(vx::LeadingInteger(argv[3])));
}
