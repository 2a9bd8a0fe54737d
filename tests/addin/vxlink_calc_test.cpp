// vxlink logging into LibreOffice Calc (headless, this program's own office), checked
// through a UNO bridge of the test's own while the run goes on and at its end; and a run whose
// workbook the user closes, or whose office is killed, which ends with its message and keeps
// every reading in its file.

#include <gtest/gtest.h>
#include <signal.h>

#include <regex>

#include "../automation/xlsx_reader.h"
#include "office_probe.h"
#include "process.h"
#include "temp_folder.h"
#include "test_office.h"

namespace vx::test {
namespace {

using namespace std::chrono_literals;

[[maybe_unused]] auto* const kOffice = ::testing::AddGlobalTestEnvironment(TestOffice::Instance());

const std::string kVxlink = std::string(VX_BIN_DIR) + "/vxlink";
const std::regex kRow("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\t1\\.5");

class VxlinkIntoCalc : public ::testing::Test {
 protected:
  std::map<std::string, std::string> Environment() const {
    return {{"VX_VISA_SIM", folder_.Write("sim.ini",
                                          "[Meter]\nDescriptor=GPIB0::22::INSTR\n"
                                          "Noise=0\nVOLT=1.5\n")},
            {"VX_VISA_NATIVE", "0"},
            {"VX_VISA_LIBRARY", ""},
            {"VX_SHARED_DOCS", folder_ / "docs"},
            {"VX_HOST_STATE", folder_ / "host-state.ini"},
            {"VX_SPREADSHEET_HOST", "calc"}};
  }
  // vxlink in the background with `args`; its standard error goes to a file.
  std::unique_ptr<BackgroundProcess> Start(const std::vector<std::string>& args) {
    std::vector<std::string> command{"/usr/bin/env"};
    for (const auto& [name, value] : Environment()) command.push_back(name + "=" + value);
    command.push_back(kVxlink);
    command.insert(command.end(), args.begin(), args.end());
    return std::make_unique<BackgroundProcess>(command, folder_ / "stderr.txt");
  }
  // Reads the run's rows until `rows` have come; the rows read.
  static int ReadRows(BackgroundProcess& run, int rows) {
    int read = 0;
    while (read < rows) {
      const auto line = run.ReadLine(10s);
      if (!line) break;
      read += std::regex_match(*line, kRow);
    }
    return read;
  }
  // Reads the rest of the run's output; the rows among it.
  static int ReadToTheEnd(BackgroundProcess& run, std::string* all = nullptr) {
    int read = 0;
    while (const auto line = run.ReadLine(30s)) {
      read += std::regex_match(*line, kRow);
      if (all) *all += *line + "\n";
    }
    return read;
  }
  std::string ErrorText() const {
    std::ifstream in(folder_ / "stderr.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  OfficeProbe& Probe() {
    if (!probe_) probe_ = std::make_unique<OfficeProbe>(TestOffice::Instance()->Options().pipeName);
    return *probe_;
  }
  // "$Sheet1.$B$22:$B$41" as its first and last row.
  static std::pair<int, int> Rows(const std::string& range) {
    std::smatch match;
    if (!std::regex_match(range, match, std::regex("\\$Sheet1\\.\\$B\\$(\\d+):\\$B\\$(\\d+)"))) {
      return {0, 0};
    }
    return {std::stoi(match[1]), std::stoi(match[2])};
  }

  TempFolder folder_;
  std::unique_ptr<OfficeProbe> probe_;
};

TEST_F(VxlinkIntoCalc, AStripChartRunFillsTheSheetAndMovesTheChartAsItGoes) {
  const std::string out = folder_ / "strip.xlsx";
  auto run = Start({"--device", "0", "--interval", "100", "--stop", "count", "60", "--chart",
                    "strip", "--points", "20", "--out", out});
  ASSERT_EQ(ReadRows(*run, 30), 30) << ErrorText();

  // While the run goes on: the rows, their times, the counters and the chart's block.
  ASSERT_TRUE(Probe().Has("strip")) << "no workbook titled strip in Calc";
  const ProbedCell time = Probe().Cell("strip", "Sheet1", "A2");
  EXPECT_EQ(time.kind, ProbedCell::Kind::Number);
  EXPECT_TRUE(time.dateFormat);
  EXPECT_EQ(time.format, "HH:MM:SS.000");
  EXPECT_EQ(Probe().Cell("strip", "Sheet1", "B2").number, 1.5);
  EXPECT_EQ(Probe().Cell("strip", "Sheet1", "A1").text, "Time");
  const double before = Probe().Cell("strip", "Sheet1", "F6").number;
  const auto charts = Probe().Charts("strip", "Sheet1Chart1");
  const double after = Probe().Cell("strip", "Sheet1", "F6").number;
  EXPECT_GE(before, 30);
  EXPECT_GE(Probe().Cell("strip", "Sheet1", "F4").number, before);
  ASSERT_EQ(charts.size(), 1u);
  ASSERT_EQ(charts[0].seriesValues.size(), 1u);
  const auto [first, last] = Rows(charts[0].seriesValues[0]);
  EXPECT_EQ(last - first + 1, 20) << charts[0].seriesValues[0];
  EXPECT_GE(last, before + 1);
  EXPECT_LE(last, after + 1);

  EXPECT_EQ(ReadToTheEnd(*run) + 30, 60);
  EXPECT_EQ(run->Stop(0), 0) << ErrorText();

  // At its end: the last 20 readings drawn, the scroll bars live on F6 and F8.
  EXPECT_EQ(Probe().Cell("strip", "Sheet1", "F4").number, 60);
  EXPECT_EQ(Probe().Cell("strip", "Sheet1", "B61").number, 1.5);
  EXPECT_EQ(Probe().Cell("strip", "Sheet1", "B62").kind, ProbedCell::Kind::Empty);
  // The live sheet's columns are fitted as the file's are: no time shown as "###".
  EXPECT_GT(Probe().ColumnWidth("strip", "Sheet1", "A1"),
            Probe().ColumnWidth("strip", "Sheet1", "K1"));
  EXPECT_GT(Probe().ColumnWidth("strip", "Sheet1", "F1"),
            Probe().ColumnWidth("strip", "Sheet1", "K1"));
  EXPECT_EQ(Probe().Charts("strip", "Sheet1Chart1").at(0).seriesValues,
            std::vector<std::string>{"$Sheet1.$B$42:$B$61"});
  const auto bars = Probe().ScrollBars("strip", "Sheet1");
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[0].name, "Scroll Bar 1");
  EXPECT_EQ(bars[0].boundCell, "F6");
  EXPECT_EQ(bars[0].max, 60);
  EXPECT_EQ(bars[0].value, 60);
  EXPECT_EQ(bars[1].boundCell, "F8");
  EXPECT_EQ(bars[1].value, 20);
  // Placed beside the counters before the columns were fitted to them, the bars moved with
  // their cells: none covers a counter in column F.
  for (const ProbedScrollBar& bar : bars) {
    EXPECT_GE(bar.left, Probe().ColumnLeft("strip", "Sheet1", "G1")) << bar.name;
  }
  // The file holds the same run, written from the copy kept in memory.
  const QJsonObject book = ReadXlsx(out);
  EXPECT_DOUBLE_EQ(CellOf(book, "Sheet1", "F4")["value"].toDouble(), 60);
  EXPECT_EQ(CellOf(book, "Sheet1", "A61")["type"].toString(), "d");
  Probe().Close("strip");
}

// The user closes the logging workbook, then the office dies under another run: each run
// ends with its message, and its file holds every reading it took.
TEST_F(VxlinkIntoCalc, AClosedWorkbookOrAKilledOfficeEndsTheRunAndKeepsEveryReading) {
  for (const bool kill : {false, true}) {
    SCOPED_TRACE(kill ? "the office killed" : "the workbook closed");
    const std::string name = kill ? "killed" : "closed";
    const std::string out = folder_ / (name + ".xlsx");
    auto run = Start({"--interval", "50", "--stop", "count", "100000", "--out", out});
    ASSERT_EQ(ReadRows(*run, 10), 10) << ErrorText();
    if (kill) {
      TestOffice::Instance()->Kill();
    } else {
      Probe().Close(name);
    }
    const int rows = 10 + ReadToTheEnd(*run);
    EXPECT_EQ(run->Stop(0), 1);
    const std::string errors = ErrorText();
    EXPECT_NE(errors.find("The reading could not be written into row"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find(kill ? "LibreOffice is no longer reachable" : "no longer open"),
              std::string::npos)
        << errors;
    const QJsonObject book = ReadXlsx(out);
    const int kept = CellOf(book, "Sheet1", "F4")["value"].toInt();
    EXPECT_GE(kept, rows);
    EXPECT_EQ(CellOf(book, "Sheet1", ("B" + std::to_string(kept + 1)).c_str())["value"].toDouble(),
              1.5);
    EXPECT_EQ(CellOf(book, "Sheet1", ("A" + std::to_string(kept + 1)).c_str())["type"].toString(),
              "d");
    if (kill) TestOffice::Instance()->Restart();
  }
}

TEST_F(VxlinkIntoCalc, ItSaysWhichHostItUsesAndFailsPlainlyWithoutLibreOffice) {
  auto environment = Environment();
  const ProcessResult help = RunProcess({kVxlink, "--help"}, environment);
  EXPECT_NE(help.out.find("Spreadsheet host here: LibreOffice Calc (Excel.Application.Calc)"),
            std::string::npos)
      << help.out;
  environment["VX_SPREADSHEET_HOST"] = "memory";
  EXPECT_NE(RunProcess({kVxlink, "--help"}, environment).out.find("the in-memory host"),
            std::string::npos);
  environment["VX_SPREADSHEET_HOST"] = "calc";
  environment["VX_SOFFICE"] = folder_ / "no-office/soffice";
  const ProcessResult missing =
      RunProcess({kVxlink, "--stop", "count", "3", "--out", folder_ / "x.xlsx"}, environment);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Couldn't start Excel.: LibreOffice is not installed"),
            std::string::npos)
      << missing.err;
}

}  // namespace
}  // namespace vx::test
