// Test helper: appends the readings 1, 2, 3, … to a record until it is killed, and prints
// "committed N" each time the count of committed readings grows, so that the test knows
// which readings must survive the kill.
//
//   records_append_forever FOLDER RECORD

#include <chrono>
#include <cstdio>
#include <thread>

#include "common/c_number.h"
#include "common/clock.h"
#include "records/append_session.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: records_append_forever FOLDER RECORD\n", stderr);
    return 2;
  }
  const vx::Clock& clock = vx::RealClock();
  auto session = vx::records::OpenRecordForAppend(
      argv[1], static_cast<int>(vx::LeadingInteger(argv[2])), clock);
  if (!session.Ok()) {
    std::fputs((session.GetStatus().message + "\n").c_str(), stderr);
    return 1;
  }
  long long committed = 0;
  for (long long value = 1;; ++value) {
    const vx::records::Status status =
        session->Append(static_cast<double>(value), clock.LocalNow());
    if (!status.Ok()) {
      std::fputs((status.message + "\n").c_str(), stderr);
      return 1;
    }
    if (session->CommittedRows() != committed) {
      committed = session->CommittedRows();
      std::fputs(vx::FormatC("committed %lld\n", committed).c_str(), stdout);
      std::fflush(stdout);
    }
    // About 100000 readings a second: fast enough to be caught mid-commit, slow enough
    // not to fill the disk while the test waits.
    if (value % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
