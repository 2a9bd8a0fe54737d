// vxlink as a user runs it: on the simulated meters of a simulation file, logging into a
// workbook it saves, with its chart read back from the file.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "../automation/xlsx_reader.h"
#include "process.h"
#include "temp_folder.h"

namespace vx::test {
namespace {

const std::string kVxlink = std::string(VX_BIN_DIR) + "/vxlink";

class Vxlink : public ::testing::Test {
 protected:
  std::map<std::string, std::string> Environment(const std::string& simulation) const {
    return {{"VX_VISA_SIM", folder_.Write("sim.ini", simulation)},
            {"VX_VISA_NATIVE", "0"},
            {"VX_VISA_LIBRARY", ""},
            {"VX_SHARED_DOCS", folder_ / "docs"},
            {"VX_HOST_STATE", folder_ / "host-state.ini"}};
  }
  static std::string Meter(const std::string& extra = "") {
    return "[Meter]\nDescriptor=GPIB0::22::INSTR\nNoise=0\nVOLT=1.5\n" + extra;
  }
  static int Lines(const std::string& text, const std::regex& pattern) {
    int count = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) count += std::regex_match(line, pattern);
    return count;
  }
  TempFolder folder_;
};

const std::regex kRow("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\t1\\.5");

TEST_F(Vxlink, ListsTheMetersFound) {
  const ProcessResult result = RunProcess(
      {kVxlink, "--list"},
      Environment(
          Meter() +
          "[Usb]\nDescriptor=USB0::0x1F3A::0x0C21::TW5::INSTR\n"
          "[Scope]\nDescriptor=USB0::0x0AAA::0x0001::S1::INSTR\nIdentity=SCOPECO,DS1,1,1\n"));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "0\tGPIB0::22::INSTR\tTOLVEX,W9-90/1,0,Q7110 1.05\n"
            "1\tUSB0::0x1F3A::0x0C21::TW5::INSTR\tTOLVEX,W9-90/1,TW5,Q7110 1.05\n");
  // The engine's settings file was put in place on first use.
  EXPECT_TRUE(std::filesystem::exists(folder_ / "docs/Tolvex/Multimeter/K9-90/VX_TOOL.ini"));
}

TEST_F(Vxlink, LogsAStripChartRunIntoTheWorkbook) {
  const std::string out = folder_ / "log.xlsx";
  const ProcessResult result =
      RunProcess({kVxlink, "--device", "0", "--interval", "20", "--stop", "count", "30", "--chart",
                  "strip", "--points", "10", "--out", out},
                 Environment(Meter()));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Lines(result.out, kRow), 30) << result.out;
  EXPECT_NE(result.out.find("Saved 30 readings in " + out), std::string::npos);
  EXPECT_NE(result.err.find("[Reading...]"), std::string::npos);
  EXPECT_NE(result.err.find("[Ready]"), std::string::npos);

  const QJsonObject book = ReadXlsx(out);
  EXPECT_EQ(CellOf(book, "Sheet1", "A31")["type"].toString(), "d");
  EXPECT_EQ(CellOf(book, "Sheet1", "A31")["format"].toString(), "hh:mm:ss.000");
  EXPECT_DOUBLE_EQ(CellOf(book, "Sheet1", "B31")["value"].toDouble(), 1.5);
  EXPECT_TRUE(CellOf(book, "Sheet1", "B32").isEmpty());
  EXPECT_DOUBLE_EQ(CellOf(book, "Sheet1", "F4")["value"].toDouble(), 30);
  EXPECT_TRUE(CellOf(book, "Sheet1", "B1")["bold"].toBool());
  QStringList names;
  for (const QJsonValue name : book["names"].toArray()) names << name["name"].toString();
  for (const char* name : {"DmmCount", "DmmPoints", "DmmyAxis", "DmmxAxis", "DmmisStripChart"}) {
    EXPECT_TRUE(names.contains(name)) << name;
  }
  const QJsonObject chart = book["charts"].toArray().at(0).toObject();
  EXPECT_EQ(chart["owner"]["kind"].toString(), "chartsheet");
  EXPECT_EQ(chart["groups"].toArray().at(0).toArray().at(0)["values"].toString(),
            "Sheet1!$B$22:$B$31");
}

TEST_F(Vxlink, ARunBegunByTheTriggerStartsWhenItFires) {
  const std::string out = folder_ / "trigger.xlsx";
  const ProcessResult result =
      RunProcess({kVxlink, "--interval", "20", "--begin", "trigger", "--stop", "count", "3",
                  "--chart", "all", "--in-sheet", "--out", out},
                 Environment(Meter("ExternalTriggerAfterMs=1500\n")));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("[Waiting for an External Trigger...]"), std::string::npos);
  EXPECT_EQ(Lines(result.out, kRow), 3) << result.out;
  const QJsonObject book = ReadXlsx(out);
  const QJsonObject chart = book["charts"].toArray().at(0).toObject();
  EXPECT_EQ(chart["owner"]["kind"].toString(), "worksheet");
}

TEST_F(Vxlink, CtrlCStopsAndKeepsWhatWasLogged) {
  const std::string out = folder_ / "manual.xlsx";
  std::vector<std::string> command{"/usr/bin/env"};
  for (const auto& [name, value] : Environment(Meter())) command.push_back(name + "=" + value);
  for (const char* arg : {"--interval", "20", "--out"}) command.push_back(arg);
  command.insert(command.begin() + static_cast<long>(command.size()) - 3, kVxlink);
  command.push_back(out);
  BackgroundProcess run(command);
  int rows = 0;
  for (int i = 0; i < 200 && rows < 5; ++i) {
    const auto line = run.ReadLine(std::chrono::seconds(5));
    if (!line) break;
    rows += std::regex_match(*line, kRow);
  }
  ASSERT_GE(rows, 5);
  EXPECT_EQ(run.Stop(SIGINT), 0);
  EXPECT_GE(CellOf(ReadXlsx(out), "Sheet1", "F4")["value"].toDouble(), 5);
}

TEST_F(Vxlink, AMeterThatStopsAnsweringEndsTheRunWithAnError) {
  const ProcessResult result = RunProcess(
      {kVxlink, "--interval", "20", "--stop", "count", "50", "--out", folder_ / "x.xlsx"},
      Environment(Meter("Fault=lost\nFaultOn=READ?\nLostAfter=6\n")));
  EXPECT_EQ(result.exitCode, 1) << result.out;
  EXPECT_NE(result.err.find("Error status description:"), std::string::npos) << result.err;
  EXPECT_EQ(Lines(result.out, kRow), 3) << result.out;
}

TEST_F(Vxlink, WrongCommandLinesAndMissingMeters) {
  EXPECT_EQ(RunProcess({kVxlink, "--help"}).exitCode, 0);
  const ProcessResult bad = RunProcess({kVxlink, "--stop", "sometime"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("--stop: needs manual, count or at"), std::string::npos);
  const ProcessResult none = RunProcess({kVxlink, "--device", "3"}, Environment(Meter()));
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("there is no meter 3; 1 found"), std::string::npos) << none.err;
}

TEST_F(Vxlink, TheConnectFormNeedsADisplay) {
  auto environment = Environment(Meter());
  environment["QT_QPA_PLATFORM"] = "";
  environment["DISPLAY"] = "";
  const ProcessResult result = RunProcess({kVxlink, "--choose"}, environment);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("needs a display"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace vx::test
