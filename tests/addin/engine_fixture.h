#pragma once
// The logging engine against simulated meters and the in-memory host: a logging workbook
// laid out as vxlink lays it out, the engine's own settings file in a folder of the test,
// scripted answers to its messages, and the time on the simulator's manual clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../automation/host_test_util.h"
#include "addin/logging_engine.h"
#include "addin/logging_state.h"
#include "addin/quorvel_application.h"
#include "automation/command_bars.h"
#include "common/scripted_prompter.h"
#include "linkhost/logging_workbook.h"
#include "simulated_visa.h"
#include "temp_folder.h"

namespace vx::addin::test {

using vx::test::Must;

inline const std::string kSettingsText =
    "[Information]\nLanguage=English(U.S),Chinese(Traditional)\nNumPoints=50\nAddress=\n"
    "[English(U.S)]\nTime=Time\nReading=Reading\n"
    "[Chinese(Traditional)]\nTime=時間\n";

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { ThreadLoggingState() = LoggingState{}; }
  void TearDown() override {
    engine_.reset();
    visa_.reset();
    ThreadLoggingState() = LoggingState{};
  }

  // Simulated meters behind VISA, the settings file, the host and a fresh engine.
  // `lastRow` ends the host's sheets sooner than the program's own last row.
  void Start(std::vector<sim::MeterConfig> meters, bool withSettings = true,
             int lastRow = automation::kMaxRows) {
    visa_ = std::make_unique<vx::test::SimulatedVisa>(std::move(meters));
    if (withSettings) {
      std::filesystem::create_directories(folder_ / "docs/Tolvex/Multimeter/K9-90");
      folder_.Write("docs/Tolvex/Multimeter/K9-90/VX_TOOL.ini", kSettingsText);
    }
    host_ = vx::test::MakeHost(folder_ / "host-state.ini", automation::host::HostKind::Spreadsheet,
                               lastRow);
    Must(linkhost::EnsureToolbar(host_));
    const auto workbook = linkhost::BuildLoggingWorkbook(
        host_, [](const std::string& key) { return key; }, 50, false);
    ASSERT_TRUE(workbook) << workbook.error().description;
    book_ = workbook->book;
    sheet_ = workbook->sheet;
    auto prompter = std::make_unique<ScriptedPrompter>();
    prompter_ = prompter.get();
    engine_ = std::make_unique<Application>(std::move(prompter), visa_->Clock());
  }

  // SetApp, SetSheet, FindDevice, and the meter at `row` as the working session.
  void Connect(int row = 0) {
    Must(engine_->SetApp(host_));
    Must(automation::StatusOf(engine_->SetSheet(sheet_)));
    Must(automation::StatusOf(engine_->FindDevice()));
    ASSERT_GT(engine_->get_m_DevCount(), row);
    Must(engine_->GetIDN(static_cast<std::int16_t>(row)));
    engine_->put_wkSesn(engine_->get_m_IDNSesn());
  }

  // The chart, then StartTimer with `intervalMs`.
  void StartRun(std::int16_t chartKind, bool inSheet = false, std::int32_t intervalMs = 100) {
    Must(automation::StatusOf(engine_->AddChart(chartKind, inSheet)));
    Must(automation::StatusOf(engine_->StartTimer(intervalMs)));
  }

  // Runs the current timer's tick, as the timer would, `count` times.
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) LoggingEngine(ThreadLoggingState()).RunTick();
  }

  automation::Value Cell(const char* name) { return Must(Must(sheet_->Range(name))->Value()); }
  double Number(const char* name) { return automation::NumberOf(Cell(name)).value_or(-1); }

  automation::CommandBarControlPtr Control(int index) {
    const auto bar = Must(Must(host_->CommandBars())->Item(linkhost::kToolbarName));
    return Must(Must(bar->Controls())->Item(index));
  }
  bool Enabled(int index) { return Must(Control(index)->Enabled()); }
  bool Visible(int index) { return Must(Control(index)->Visible()); }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const MessageRequest& message : prompter_->Messages()) texts.push_back(message.text);
    return texts;
  }

  vx::test::TempFolder folder_;
  vx::test::ScopedEnvironment docs_{"VX_SHARED_DOCS", folder_ / "docs"};
  std::unique_ptr<vx::test::SimulatedVisa> visa_;
  automation::ApplicationPtr host_;
  automation::WorkbookPtr book_;
  automation::WorksheetPtr sheet_;
  ScriptedPrompter* prompter_ = nullptr;
  std::unique_ptr<Application> engine_;
};

}  // namespace vx::addin::test
