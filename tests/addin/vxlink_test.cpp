// vxlink as a user runs it: on the simulated meters of a simulation file, logging into a
// workbook it saves, with its chart read back from the file.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "../automation/xlsx_reader.h"
#include "answering_server.h"
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

// The chart in the worksheet is placed beside the counters of column F, not over them, however
// wide the columns become when the workbook is saved.
TEST_F(Vxlink, AChartInTheSheetLeavesTheCountersVisible) {
  const std::string out = folder_ / "inside.xlsx";
  const ProcessResult result = RunProcess({kVxlink, "--interval", "20", "--stop", "count", "3",
                                           "--chart", "all", "--in-sheet", "--out", out},
                                          Environment(Meter()));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const QJsonObject book = ReadXlsx(out);
  const QJsonObject chart = book["charts"].toArray().at(0).toObject();
  ASSERT_EQ(chart["owner"]["kind"].toString(), "worksheet");
  // Column F is index 5; the counters are rows 3 to 8.
  EXPECT_GE(chart["anchor"]["col"].toInt(), 6) << QJsonDocument(chart).toJson().toStdString();
}

// A meter that gives two readings per answer: column C gets its heading, which names the
// chart's second series.
TEST_F(Vxlink, ASecondReadingHasItsHeading) {
  AnsweringServer meter([](const std::string& line) -> std::string {
    if (line == "*esr?") return "0\n";
    if (line == "*idn?") return "TOLVEX,W9-90/1 None Define,TW7,Q7110 1.05\n";
    if (line == "sens:func2?") return "\"VOLT:AC\"\n";
    if (line == "read?") return "+1.500000E+00,+2.500000E-01\n";
    return {};
  });
  auto environment = Environment("");
  environment["VX_VISA_SIM"] = "";
  environment["VX_VISA_ALIASES"] =
      folder_.Write("aliases.ini", "[Aliases]\nGPIB0::22::INSTR=" + meter.Descriptor() + "\n");
  const std::string out = folder_ / "dual.xlsx";
  const ProcessResult result = RunProcess(
      {kVxlink, "--interval", "20", "--stop", "count", "3", "--chart", "all", "--out", out},
      environment);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Lines(result.out, std::regex("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\t1\\.5\t0\\.25")), 3)
      << result.out;
  const QJsonObject book = ReadXlsx(out);
  EXPECT_EQ(CellOf(book, "Sheet1", "C1")["value"].toString(), "Second reading");
  EXPECT_TRUE(CellOf(book, "Sheet1", "C1")["bold"].toBool());
  EXPECT_DOUBLE_EQ(CellOf(book, "Sheet1", "C4")["value"].toDouble(), 0.25);
  const QJsonArray groups = book["charts"].toArray().at(0)["groups"].toArray();
  ASSERT_EQ(groups.size(), 2);
  EXPECT_EQ(groups.at(1).toArray().at(0)["name"].toString(), "Sheet1!$C$1");
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

// SIGTERM while the meter waits for a trigger that never comes, with no terminal to ask
// whether the meter was released: the program ends, saying what may be left on the meter.
TEST_F(Vxlink, AStopRequestWithoutATerminalEndsTheWaitForTheTrigger) {
  const std::string out = folder_ / "armed.xlsx";
  std::vector<std::string> command{"/usr/bin/env"};
  for (const auto& [name, value] : Environment(Meter())) command.push_back(name + "=" + value);
  for (const char* arg : {"--interval", "20", "--begin", "trigger", "--out"}) {
    command.push_back(arg);
  }
  command.insert(command.begin() + static_cast<long>(command.size()) - 5, kVxlink);
  command.push_back(out);
  const std::string errors = folder_ / "errors.txt";
  BackgroundProcess run(command, errors);
  ASSERT_TRUE(run.ReadLine(std::chrono::seconds(10)));           // "Logging ... into ..."
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // a trigger poll or more
  EXPECT_EQ(run.StopWithin(SIGTERM, std::chrono::seconds(10)), 1);
  std::ifstream in(errors);
  const std::string said((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(said.find("the meter may still be armed"), std::string::npos) << said;
  EXPECT_EQ(said.find("[y/N]"), std::string::npos) << said;
  EXPECT_TRUE(std::filesystem::exists(out));
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
  const ProcessResult help = RunProcess({kVxlink, "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("(default: vxlink-<date>-<time>.xlsx in the current folder)"),
            std::string::npos)
      << help.out;
  EXPECT_EQ(help.out.find("documents folder"), std::string::npos) << help.out;
  const ProcessResult bad = RunProcess({kVxlink, "--stop", "sometime"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("--stop: needs manual, count or at"), std::string::npos);
  const ProcessResult none = RunProcess({kVxlink, "--device", "3"}, Environment(Meter()));
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("there is no meter 3; 1 found"), std::string::npos) << none.err;
  const ProcessResult bogus = RunProcess({kVxlink, "--bogus"});
  EXPECT_EQ(bogus.exitCode, 2);
  EXPECT_NE(bogus.err.find("vxlink: --bogus: unknown option"), std::string::npos) << bogus.err;

  const ProcessResult empty =
      RunProcess({kVxlink, "--list"},
                 Environment("[Scope]\nDescriptor=GPIB0::3::INSTR\nIdentity=ACME,SCOPE,1,1\n"));
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.err, "vxlink: No Device Connected\n");
  EXPECT_EQ(empty.out, "");
}

// A workbook that cannot be saved where it should go is found before the run, not after it.
TEST_F(Vxlink, AnOutputThatCannotBeWrittenIsRefusedBeforeTheRun) {
  const ProcessResult result = RunProcess(
      {kVxlink, "--interval", "20", "--stop", "count", "2", "--out", "/nonexistent/dir/x.xlsx"},
      Environment(Meter()));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "vxlink: /nonexistent/dir/x.xlsx cannot be written: the folder /nonexistent/dir does "
            "not exist\n");
  EXPECT_EQ(result.out, "");
}

TEST_F(Vxlink, TheConnectFormNeedsADisplay) {
  auto environment = Environment(Meter());
  environment["QT_QPA_PLATFORM"] = "";
  environment["DISPLAY"] = "";
  for (const char* form : {"--choose", "--pick"}) {
    const ProcessResult result = RunProcess({kVxlink, form}, environment);
    EXPECT_EQ(result.exitCode, 1) << form;
    EXPECT_NE(result.err.find("needs a display"), std::string::npos) << form << result.err;
  }
}

// The in-memory host has no toolbar whose START could begin the run: a wait for it would
// never end, so vxlink refuses it before it sets up the workbook.
TEST_F(Vxlink, WaitingForStartNeedsAToolbarThatHasOne) {
  const ProcessResult result = RunProcess({kVxlink, "--wait", "--out", folder_ / "never.xlsx"},
                                          Environment(Meter()), std::chrono::seconds(30));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("--wait needs LibreOffice Calc with the VX-Link extension"),
            std::string::npos)
      << result.err;
  EXPECT_FALSE(std::filesystem::exists(folder_ / "never.xlsx"));
}

}  // namespace
}  // namespace vx::test
