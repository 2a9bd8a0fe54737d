// The engine's settings file: its path and the three messages, the language list and texts,
// and the settings it loads and saves.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/ini_file.h"
#include "engine_fixture.h"
#include "file_size_limit.h"

namespace vx::addin::test {
namespace {

std::string SettingsFile(const vx::test::TempFolder& folder) {
  return folder / "docs/Tolvex/Multimeter/K9-90/VX_TOOL.ini";
}

TEST_F(EngineTest, LanguagesAndTheirTexts) {
  Start({});
  EXPECT_EQ(Must(engine_->GetLanguageCount()), 1);
  EXPECT_EQ(Must(engine_->GetLanguage(1)), "Chinese(Traditional)");
  EXPECT_FALSE(engine_->GetLanguage(2));
  EXPECT_EQ(Must(engine_->GetIdText("Time")), "Time");
  Must(automation::StatusOf(engine_->SetLanguage(1)));
  EXPECT_EQ(Must(engine_->GetIdText("Time")), "時間");
  // A key the language lacks gives the key itself.
  EXPECT_EQ(Must(engine_->GetIdText("Reading")), "Reading");
  EXPECT_TRUE(prompter_->Messages().empty());
}

TEST_F(EngineTest, LoadAndSaveOneSetting) {
  Start({});
  std::string key = "Address";
  std::string value = "GPIB0::22::INSTR";
  Must(automation::StatusOf(engine_->SaveSetting1(key, value)));
  std::string fallback = "none";
  EXPECT_EQ(Must(engine_->LoadSetting(key, fallback)), "GPIB0::22::INSTR");
  std::string missing = "NoSuchKey";
  EXPECT_EQ(Must(engine_->LoadSetting(missing, fallback)), "none");
  // Texts are cut where the engine's buffers end.
  std::string longKey = "Long";
  std::string longValue(400, 'x');
  Must(automation::StatusOf(engine_->SaveSetting1(longKey, longValue)));
  EXPECT_EQ(Must(engine_->LoadSetting(longKey, fallback)).size(), 255u);
}

TEST_F(EngineTest, SaveSettingLeavesNumPointsAloneWhenTheCellIsZero) {
  Start({});
  Must(engine_->SetApp(host_));
  Must(automation::StatusOf(engine_->SetSheet(sheet_)));
  Must(automation::StatusOf(engine_->SetNumberOfReading(25)));
  Must(automation::StatusOf(engine_->SetBegin(3)));
  Must(automation::StatusOf(engine_->SaveSetting()));
  const std::string path = SettingsFile(folder_);
  EXPECT_EQ(GetPrivateProfileString("Information", "NumPoints", "", path), "50");
  EXPECT_EQ(GetPrivateProfileString("Information", "ReadPoints", "", path), "25");
  EXPECT_EQ(GetPrivateProfileString("Information", "Begin", "", path), "3");
  EXPECT_EQ(GetPrivateProfileString("Information", "In_Sheet", "", path), "False");
  EXPECT_EQ(GetPrivateProfileString("Information", "StopTime_HH", "", path), "0");
  // The rest of the file is kept.
  EXPECT_EQ(GetPrivateProfileString("Chinese(Traditional)", "Time", "", path), "時間");
}

// A settings file that cannot be written (here: the disk is full) is reported by the call
// that wrote it, and a run starts all the same, with the engine's message.
TEST_F(EngineTest, ASettingsWriteThatFailsIsReported) {
  Start({vx::test::SimulatedVisa::GpibMeter(22)});
  Must(engine_->SetApp(host_));
  Must(automation::StatusOf(engine_->SetSheet(sheet_)));
  std::string key = "Address";
  std::string value = "GPIB0::22::INSTR";
  const std::string path = SettingsFile(folder_);
  const std::string expected =
      "The settings could not be saved in " + path + ": " + std::strerror(EFBIG) + ".";
  {
    const vx::test::FileSizeLimit full(16);
    const auto one = engine_->SaveSetting1(key, value);
    ASSERT_FALSE(one);
    EXPECT_EQ(one.error().description, expected);
    const auto all = engine_->SaveSetting();
    ASSERT_FALSE(all);
    EXPECT_EQ(all.error().description, expected);
    Connect();
    Must(automation::StatusOf(engine_->SetBegin(1)));
    StartRun(0);
  }
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{expected});
  EXPECT_EQ(GetPrivateProfileString("Information", "Address", "", path), "");
  Tick(1);
  EXPECT_EQ(Number("F4"), 1);
}

TEST_F(EngineTest, AMissingSettingsFileIsReportedAndNothingIsWritten) {
  Start({}, false);
  EXPECT_EQ(Must(engine_->GetINI()), "");
  ASSERT_EQ(MessageTexts(), std::vector<std::string>{
                                "Loss of important files, please re-install the application."});
  EXPECT_EQ(prompter_->Messages()[0].title, "Zemra K9-90/1 VX-Link");
  EXPECT_EQ(prompter_->Messages()[0].icon, MessageIcon::Stop);
  EXPECT_EQ(Must(engine_->GetLanguageCount()), 0);
  EXPECT_EQ(Must(engine_->GetIdText("Time")), "");
  Must(automation::StatusOf(engine_->SaveSetting()));
  std::string key = "Address";
  std::string value = "x";
  Must(automation::StatusOf(engine_->SaveSetting1(key, value)));
  // Nothing appeared anywhere under the shared folder.
  EXPECT_FALSE(std::filesystem::exists(SettingsFile(folder_)));
  EXPECT_TRUE(std::filesystem::is_empty(folder_ / "docs"));
}

TEST_F(EngineTest, AFolderThatCannotBeUsed) {
  Start({});
  {
    vx::test::ScopedEnvironment relative("VX_SHARED_DOCS", "not/absolute");
    EXPECT_EQ(Must(engine_->GetINI()), "");
  }
  {
    vx::test::ScopedEnvironment blocked("VX_SHARED_DOCS", folder_.Write("a-file", "x") + "/below");
    EXPECT_EQ(Must(engine_->GetINI()), "");
  }
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"An invalid folder ID was specified.",
                                                      "The folder does not exist."}));
  EXPECT_EQ(Must(engine_->GetINI()), SettingsFile(folder_));
}

}  // namespace
}  // namespace vx::addin::test
