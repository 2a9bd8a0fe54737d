// Speed of the record windows on a record of 1,000,000 readings: choosing it in the viewer
// (figures, range list, first page shown), switching pages, drawing all of it in the chart,
// moving the chart's marker, the CSV output, and multiple readings stored from a simulated
// meter.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTableView>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "common/clock.h"
#include "common/scripted_prompter.h"
#include "records/append_session.h"
#include "records/chart/record_chart_dialog.h"
#include "records/export/csv_writer.h"
#include "records/multiple/multiple_readings_dialog.h"
#include "records/viewer/record_viewer_dialog.h"
#include "simulated_visa.h"

namespace {

constexpr long long kReadings = 1000000;
constexpr int kBigRecord = 1;

// A folder with a DB subfolder holding record 1 of a million readings; the process works in
// it for the whole run, as the program works beside its record folder.
class BenchRecords {
 public:
  BenchRecords() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vxbench-XXXXXX";
    if (!mkdtemp(pattern.data())) return;
    root_ = pattern;
    records_ = root_ + "/DB";
    std::filesystem::create_directories(records_);
    if (chdir(root_.c_str()) != 0) return;
    vx::ManualClock clock;
    auto session = vx::records::OpenRecordForAppend(records_, kBigRecord, clock);
    if (!session.Ok()) return;
    for (long long k = 0; k < kReadings; ++k) {
      if (k % 1000 == 0) clock.Advance(std::chrono::seconds(1));
      const double value =
          k % 9973 == 0 ? vx::records::kOverloadValue : 2.5 * std::sin(k * 1e-4) + 1e-3 * (k % 17);
      session->Append(value, clock.LocalNow());
    }
    ready_ = session->Close().Ok();
  }
  ~BenchRecords() {
    std::error_code error;
    if (!root_.empty()) std::filesystem::remove_all(root_, error);
  }
  BenchRecords(const BenchRecords&) = delete;
  BenchRecords& operator=(const BenchRecords&) = delete;

  bool Ready() const { return ready_; }
  const std::string& Records() const { return records_; }

 private:
  std::string root_;
  std::string records_;
  bool ready_ = false;
};

BenchRecords& Records() {
  static BenchRecords records;
  return records;
}

bool Ready(benchmark::State& state) {
  if (Records().Ready()) return true;
  state.SkipWithError("the record of a million readings could not be written");
  return false;
}

// Choosing the record: statistics, the 100 range entries and the first page in the grid.
void BM_ViewerChooseMillionReadings(benchmark::State& state) {
  if (!Ready(state)) return;
  vx::ScriptedPrompter prompter;
  vx::records::RecordViewerDialog dialog(nullptr, prompter);
  dialog.show();
  auto* list = dialog.findChild<QListWidget*>("recordList");
  auto* grid = dialog.findChild<QTableView*>("grid");
  for (auto _ : state) {
    state.PauseTiming();
    list->setCurrentRow(-1);
    state.ResumeTiming();
    list->setCurrentRow(0);
    grid->viewport()->repaint();
  }
  if (dialog.findChild<QComboBox*>("rangeList")->count() != 100)
    state.SkipWithError("the range list is wrong");
}
BENCHMARK(BM_ViewerChooseMillionReadings)->Unit(benchmark::kMillisecond);

// Switching pages, the last one among them.
void BM_ViewerSwitchPage(benchmark::State& state) {
  if (!Ready(state)) return;
  vx::ScriptedPrompter prompter;
  vx::records::RecordViewerDialog dialog(nullptr, prompter);
  dialog.show();
  dialog.findChild<QListWidget*>("recordList")->setCurrentRow(0);
  auto* pages = dialog.findChild<QComboBox*>("rangeList");
  auto* grid = dialog.findChild<QTableView*>("grid");
  const int sequence[] = {99, 0, 50, 98, 1, 73};
  size_t next = 0;
  for (auto _ : state) {
    pages->setCurrentIndex(sequence[next++ % std::size(sequence)]);
    grid->viewport()->repaint();
  }
}
BENCHMARK(BM_ViewerSwitchPage)->Unit(benchmark::kMillisecond);

// "Draw" with all readings: read, reduce to pixel columns, paint.
void BM_ChartDrawAll(benchmark::State& state) {
  if (!Ready(state)) return;
  vx::ScriptedPrompter prompter;
  vx::records::RecordChartDialog dialog(nullptr, prompter);
  dialog.show();
  dialog.findChild<QComboBox*>("recordList")->setCurrentIndex(0);
  auto* draw = dialog.findChild<QPushButton*>("drawButton");
  auto* screen = dialog.findChild<QWidget*>("screen");
  for (auto _ : state) {
    draw->click();
    screen->repaint();
  }
  state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_ChartDrawAll)->Unit(benchmark::kMillisecond);

// Moving the marker to readings all over the record, the last one among them.
void BM_ChartMarkerMove(benchmark::State& state) {
  if (!Ready(state)) return;
  vx::ScriptedPrompter prompter;
  vx::records::RecordChartDialog dialog(nullptr, prompter);
  dialog.show();
  dialog.findChild<QComboBox*>("recordList")->setCurrentIndex(0);
  dialog.findChild<QPushButton*>("drawButton")->click();
  auto* slider = dialog.findChild<QSlider*>("slider");
  auto* screen = dialog.findChild<QWidget*>("screen");
  long long k = 0;
  for (auto _ : state) {
    const int position = ++k % 5 == 0 ? slider->maximum() : static_cast<int>(k * 7919 % kReadings);
    slider->setValue(position);
    screen->repaint();
  }
}
BENCHMARK(BM_ChartMarkerMove)->Unit(benchmark::kMillisecond);

// The CSV output of the whole record; items are rows.
void BM_CsvOutput(benchmark::State& state) {
  if (!Ready(state)) return;
  const std::string file = Records().Records() + "/../bench.csv";
  for (auto _ : state) {
    const vx::records::CsvResult result = vx::records::WriteRecordCsv(
        Records().Records(), kBigRecord, "Record 1            ( bench )", file);
    if (result.outcome != vx::records::CsvResult::Outcome::Written) {
      state.SkipWithError(result.detail.c_str());
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_CsvOutput)->Unit(benchmark::kMillisecond);

// "Run Start" for 50000 readings from the in-process simulated meter, with the window's
// events let through as in use; items are readings stored.
void BM_MultipleReadingsStored(benchmark::State& state) {
  if (!Ready(state)) return;
  vx::test::SimulatedVisa visa({vx::test::SimulatedVisa::UsbMeter("TW1")});
  vx::ScriptedPrompter prompter;
  vx::records::MultipleReadingsDialog dialog(nullptr, prompter, vx::RealClock());
  dialog.show();
  dialog.findChild<QComboBox*>("slotList")->setCurrentIndex(2);
  dialog.findChild<QLineEdit*>("countField")->setText("50000");
  auto* start = dialog.findChild<QPushButton*>("startButton");
  for (auto _ : state) start->click();
  if (!prompter.Messages().empty()) state.SkipWithError(prompter.Messages().front().text.c_str());
  state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_MultipleReadingsStored)->Unit(benchmark::kMillisecond);

}  // namespace
