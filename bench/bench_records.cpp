// Speed of the record store: grouped appends, one front-panel tick logging four meters, and
// listing the ten record slots as the record windows do when they open.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "common/clock.h"
#include "records/append_session.h"
#include "records/record_slots.h"

namespace {

using vx::records::AppendSession;
using vx::records::OpenRecordForAppend;

// A record folder of its own for each benchmark, removed afterwards.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vxbench-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::optional<AppendSession> Open(benchmark::State& state, const std::string& folder, int record) {
  auto session = OpenRecordForAppend(folder, record, vx::RealClock());
  if (!session.Ok()) {
    state.SkipWithError(session.GetStatus().message.c_str());
    return std::nullopt;
  }
  return std::move(session.Value());
}

// The store's own cost per reading, commits and checkpoints included; the caller's clock
// reading is left out (it is taken once per tick, not per reading).
void BM_AppendReadingGrouped(benchmark::State& state) {
  BenchFolder folder;
  auto session = Open(state, folder.Path(), 1);
  if (!session) return;
  const vx::LocalDateTime time = vx::RealClock().LocalNow();
  double value = 0;
  for (auto _ : state) {
    const auto status = session->Append(value, time);
    benchmark::DoNotOptimize(status);
    value += 1e-6;
  }
  if (!session->Close().Ok()) state.SkipWithError("the last readings were not saved");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendReadingGrouped);

// One grouped commit as a logging run makes it several times a second: the readings of
// four meters over a fifth of a second at the fastest speed (8 each), then the commit that
// makes them durable. Items are commits.
void BM_CommitOfAGroup(benchmark::State& state) {
  BenchFolder folder;
  auto session = Open(state, folder.Path(), 1);
  if (!session) return;
  const vx::LocalDateTime time = vx::RealClock().LocalNow();
  double value = 0;
  for (auto _ : state) {
    for (int i = 0; i < 32; ++i) benchmark::DoNotOptimize(session->Append(value += 1e-6, time));
    if (!session->Commit().Ok()) state.SkipWithError("a commit failed");
  }
  if (!session->Close().Ok()) state.SkipWithError("the last readings were not saved");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CommitOfAGroup)->Unit(benchmark::kMicrosecond);

// One tick of the front panel in multi-device mode with every meter logging: the local time,
// four appends, and the commit check of the panel's timer for each record.
void BM_Logging4MetersPerTick(benchmark::State& state) {
  BenchFolder folder;
  std::array<std::optional<AppendSession>, 4> sessions;
  for (int i = 0; i < 4; ++i) {
    sessions[static_cast<size_t>(i)] = Open(state, folder.Path(), i + 1);
    if (!sessions[static_cast<size_t>(i)]) return;
  }
  const vx::Clock& clock = vx::RealClock();
  double value = 0;
  for (auto _ : state) {
    const vx::LocalDateTime now = clock.LocalNow();
    for (auto& session : sessions) benchmark::DoNotOptimize(session->Append(value, now));
    for (auto& session : sessions) benchmark::DoNotOptimize(session->CommitIfDue());
    value += 1e-6;
  }
  for (auto& session : sessions) session->Close();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Logging4MetersPerTick)->Unit(benchmark::kMicrosecond);

// Ten stamped records of 1000 readings each, listed as the record windows list them.
void BM_ListRecordSlotsTenFiles(benchmark::State& state) {
  BenchFolder folder;
  for (int record = 1; record <= 10; ++record) {
    auto session = Open(state, folder.Path(), record);
    if (!session) return;
    const vx::LocalDateTime time = vx::RealClock().LocalNow();
    for (int i = 0; i < 1000; ++i) session->Append(i, time);
    session->Close();
  }
  for (auto _ : state) {
    const vx::records::RecordSlots slots = vx::records::ListRecordSlots(folder.Path());
    if (!slots[9].stamp) state.SkipWithError("a record lost its stamp");
    benchmark::DoNotOptimize(slots);
  }
}
BENCHMARK(BM_ListRecordSlotsTenFiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
