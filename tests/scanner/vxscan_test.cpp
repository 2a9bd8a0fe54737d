// vxscan as a user runs it, on the simulated meters of share/sim/default.ini in real time
// (a scan timer of 0 keeps each pass short): its output, its files, its checks and Ctrl-C.

#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "process.h"
#include "temp_folder.h"
#include "xlsx_reader.h"

namespace vx {
namespace {

const std::string kVxscan = std::string(VX_BIN_DIR) + "/vxscan";
const std::string kSimulation = std::string(VX_SOURCE_DIR) + "/share/sim/default.ini";

const std::map<std::string, std::string> kSimulated{
    {"VX_VISA_SIM", kSimulation}, {"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}};

test::ProcessResult Vxscan(std::vector<std::string> args) {
  args.insert(args.begin(), kVxscan);
  return test::RunProcess(args, kSimulated);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::regex kRow(
    "[0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\t0\\.50[0-9]{6}\t0\\.011[0-9]{5}\t1\\.5[0-9]{7}");

TEST(Vxscan, APlainRunPrintsItsHeaderAndRowsAndWritesTheCsv) {
  const auto help = Vxscan({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("usage: vxscan --list\n", 0), 0u);

  test::TempFolder folder;
  const std::string csv = folder / "scan.csv";
  const auto run = Vxscan(
      {"--channels", "1=DCV,2=DCI:100:0.001,3=4W", "--timer", "0", "--count", "6", "--out", csv});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0], "Time\tCH1(DCV)\tCH2(DCI)\tCH3(4W)");
  EXPECT_TRUE(std::regex_match(lines[1], kRow)) << lines[1];
  EXPECT_TRUE(std::regex_match(lines[2], kRow)) << lines[2];
  EXPECT_NE(run.err.find("6/6"), std::string::npos) << run.err;
  std::string expected;
  for (std::string line : lines) {
    std::replace(line.begin(), line.end(), '\t', ',');
    expected += line + "\r\n";
  }
  EXPECT_EQ(FileText(csv), expected);

  const auto list = Vxscan({"--list"});
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.out.rfind("0\tW9-90/1-USBTMC-TW00012345\tTOLVEX,W9-90/1,", 0), 0u) << list.out;
}

TEST(Vxscan, IntervalPassesAppendRowsAndRewriteTheWorkbook) {
  test::TempFolder folder;
  const std::string book = folder / "scan.xlsx";
  const auto run = Vxscan({"--device", "1", "--channels", "4=freq,10=ACV", "--timer", "0",
                           "--interval", "00:00:00", "--passes", "2", "--out", book});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0], "Time\tCH4(Freq)\tCH10(ACV)");
  const QJsonObject saved = test::ReadXlsx(book);
  const QJsonObject cells = saved["sheets"]["Sheet1"]["cells"].toObject();
  EXPECT_EQ(cells["B1"]["value"].toString(), "CH4(Freq)");
  EXPECT_EQ(cells["B3"]["type"].toString(), "n");
  EXPECT_EQ(cells["A3"]["type"].toString(), "d");
  EXPECT_FALSE(cells.contains("A4"));
}

TEST(Vxscan, TheWindowsChecksRefuseARunWithItsMessages) {
  const auto refused = [](std::vector<std::string> args, int status, const std::string& text) {
    const auto run = Vxscan(std::move(args));
    EXPECT_EQ(run.exitCode, status) << run.err;
    EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  };
  // Every value the command line gives and the run refuses is a wrong command line.
  refused({"--channels", "1=DCV", "--timer", "1."}, 2,
          "The value of \"Timer\" is error ! Please re-enter.");
  refused({"--channels", "1=DCV", "--timer", "70"}, 2, "Please enter a number between 0 and 60.");
  refused({"--channels", "1=DCV", "--passes", "0"}, 2,
          "Please enter an integer between 1 and 200.");
  refused({"--channels", "1=None"}, 2, "No channel is set to a function.");
  refused({"--channels", "2=DCI:0"}, 2,
          "CH2: The value of \"R\" can't equal to 0 ! Please re-enter.");
  refused({"--channels", "15=4W"}, 2, "CH15: 4W is offered on CH1 to CH10 only");
  refused({"--device", "1", "--channels", "11=DCV"}, 2,
          "W9-90/1-GPIB-22: CH11: the card has 10 channels.");
  refused({"--device", "3", "--channels", "1=DCV"}, 2,
          "--device 3: the scanner lists 2 meters (0 to 1)");
  refused({"--channels", "1=DCV", "--interval", "00:00:05", "--stop-time", "2001/01/01 00:00:00"},
          2, "The Stop Time has passed: no pass was started.");
  refused({"--channels", "1=DCV", "--mode", "SWEEP"}, 2, "--mode: SCAN or STEP");
  refused({"--channels", "1=DCV", "--bogus", "x"}, 2, "--bogus: unknown option");
  refused({"--bogus"}, 2, "--bogus: unknown option");
  // An output that cannot be written is found before the meters are even searched.
  refused({"--channels", "1=DCV", "--out", "/nonexistent/dir/x.xlsx"}, 1,
          "/nonexistent/dir/x.xlsx cannot be written: the folder /nonexistent/dir does not exist");
}

// A simulation of one USB meter with a ten-channel card and the given extra keys.
std::map<std::string, std::string> OneMeter(const test::TempFolder& folder,
                                            const std::string& keys) {
  return {{"VX_VISA_SIM", folder.Write("sim.ini",
                                       "[M]\nDescriptor=USB0::0x1F3A::0x0C21::TW1::INSTR\nCard=10\n"
                                       "Noise=0\n" +
                                           keys)},
          {"VX_VISA_NATIVE", "0"},
          {"VX_VISA_LIBRARY", ""}};
}

TEST(Vxscan, AnAnswerWithoutItsReadingsIsAFailure) {
  test::TempFolder folder;
  const auto run = test::RunProcess(
      {kVxscan, "--channels", "1=DCV,2=DCV", "--timer", "0", "--count", "2"},
      OneMeter(folder, "Fault=garbage\nFaultOn=FETCH?\n"), std::chrono::seconds(60));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_TRUE(run.err.find("readings are missing") != std::string::npos ||
              run.err.find("were not readings") != std::string::npos)
      << run.err;
}

TEST(Vxscan, AMeterLostDuringAPassEndsTheRunNamingItAndTheStatus) {
  test::TempFolder folder;
  // The connection drops at a progress poll a little into a pass of ten seconds.
  const auto run =
      test::RunProcess({kVxscan, "--channels", "1=DCV", "--timer", "1", "--count", "10"},
                       OneMeter(folder, "Fault=lost\nFaultOn=ROUT:SCAN:STATE?\nLostAfter=30\n"),
                       std::chrono::seconds(30));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("W9-90/1-USBTMC-TW1: The connection to the instrument was lost. "
                         "(VI_ERROR_CONN_LOST) The scan has ended."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(Vxscan, ListWithoutAMeterSaysSo) {
  test::TempFolder folder;
  const auto run = test::RunProcess(
      {kVxscan, "--list"}, {{"VX_VISA_SIM", folder.Write("none.ini",
                                                         "[Scope]\nDescriptor=GPIB0::3::INSTR\n"
                                                         "Identity=ACME,SCOPE,1,1\n")},
                            {"VX_VISA_NATIVE", "0"},
                            {"VX_VISA_LIBRARY", ""}});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "vxscan: No Device Connected\n");
  EXPECT_EQ(run.out, "");
}

TEST(Vxscan, CtrlCEndsTheRunBetweenPollsKeepingTheFinishedPasses) {
  test::TempFolder folder;
  const std::string csv = folder / "scan.csv";
  test::ScopedEnvironment sim("VX_VISA_SIM", kSimulation);
  test::ScopedEnvironment native("VX_VISA_NATIVE", "0");
  test::ScopedEnvironment vendor("VX_VISA_LIBRARY", "");
  test::BackgroundProcess scan(
      {kVxscan, "--channels", "1=DCV", "--timer", "0", "--interval", "00:10:00", "--out", csv});
  ASSERT_EQ(scan.ReadLine(std::chrono::seconds(20)), "Time\tCH1(DCV)");
  const auto row = scan.ReadLine(std::chrono::seconds(20));
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(scan.Stop(SIGINT), 130);
  EXPECT_EQ(FileText(csv),
            "Time,CH1(DCV)\r\n" + std::regex_replace(*row, std::regex("\t"), ",") + "\r\n");
}

}  // namespace
}  // namespace vx
