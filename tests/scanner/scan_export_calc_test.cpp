// The scan export into LibreOffice Calc (headless, this program's own office): Out_2_Exl's
// calls make a new Calc document whose cells, types and header format are read back through
// a UNO bridge of the test's own; vxscan saves through Calc and leaves the results open in it.

#include <gtest/gtest.h>

#include <filesystem>

#include "office_probe.h"
#include "process.h"
#include "scanner/scan_export.h"
#include "scanner_test_util.h"
#include "temp_folder.h"
#include "test_office.h"
#include "xlsx_reader.h"

namespace vx::scanner {
namespace {

using fixture::TwentyChannelGrid;
using test::ProbedCell;
using test::ScopedEnvironment;

[[maybe_unused]] auto* const kOffice =
    ::testing::AddGlobalTestEnvironment(test::TestOffice::Instance());

class ScanExportIntoCalc : public ::testing::Test {
 protected:
  test::OfficeProbe& Probe() {
    if (!probe_) {
      probe_ =
          std::make_unique<test::OfficeProbe>(test::TestOffice::Instance()->Options().pipeName);
    }
    return *probe_;
  }
  test::TempFolder folder_;
  ScopedEnvironment host_{"VX_SPREADSHEET_HOST", "calc"};
  ScopedEnvironment documents_{"VX_DOCUMENTS", folder_.Path()};
  std::unique_ptr<test::OfficeProbe> probe_;
};

TEST_F(ScanExportIntoCalc, OutToExcelMakesACalcDocumentWithTypedCellsAndABoldHeader) {
  const std::string title = ExportTitle({2026, 12, 6, 14, 3, 27});
  const ExportResult result =
      ExportResults(TwentyChannelGrid(3), {ExportTarget::Kind::HandOver, title});
  ASSERT_TRUE(result.Ok()) << result.detail;
  EXPECT_EQ(result.host.rfind("LibreOffice Calc", 0), 0u) << result.host;
  // Without a display the hand-over saves the document for the user, and Calc keeps it open.
  EXPECT_EQ(result.path, folder_ / (title + ".xlsx"));
  ASSERT_TRUE(Probe().Has(title));
  const ProbedCell header = Probe().Cell(title, "Sheet1", "U1");
  EXPECT_EQ(header.text, "CH20(DCV)");
  EXPECT_TRUE(header.bold);
  EXPECT_EQ(Probe().Cell(title, "Sheet1", "A1").text, "Time");
  EXPECT_EQ(Probe().Cell(title, "Sheet1", "V1").kind, ProbedCell::Kind::Empty);
  const ProbedCell time = Probe().Cell(title, "Sheet1", "A2");
  EXPECT_EQ(time.kind, ProbedCell::Kind::Number);
  EXPECT_TRUE(time.dateFormat);
  EXPECT_NEAR(time.number, (14 * 3600 + 3 * 60 + 27) / 86400.0, 1e-9);
  EXPECT_FALSE(Probe().Cell(title, "Sheet1", "A2").bold);
  EXPECT_EQ(Probe().Cell(title, "Sheet1", "B2").number, 0.5);
  EXPECT_EQ(Probe().Cell(title, "Sheet1", "C2").number, 0.006);
  EXPECT_EQ(Probe().Cell(title, "Sheet1", "B2").format, "General");
  const ProbedCell overload = Probe().Cell(title, "Sheet1", "G2");
  EXPECT_EQ(overload.kind, ProbedCell::Kind::Text);
  EXPECT_EQ(overload.text, "OVLD");
  EXPECT_EQ(Probe().Cell(title, "Sheet1", "U4").number, 0.5);
  EXPECT_EQ(Probe().Cell(title, "Sheet1", "A5").kind, ProbedCell::Kind::Empty);
  const QJsonObject saved = test::ReadXlsx(result.path);
  EXPECT_EQ(test::CellOf(saved, "Sheet1", "G2")["value"].toString(), "OVLD");
  Probe().Close(title);
}

TEST_F(ScanExportIntoCalc, VxscanSavesThroughCalcAndLeavesTheResultsOpenThere) {
  const std::string book = folder_ / "scan.xlsx";
  const test::ProcessResult run =
      test::RunProcess({std::string(VX_BIN_DIR) + "/vxscan", "--channels", "1=DCV,2=DCI:100:0.001",
                        "--timer", "0", "--count", "4", "--out", book},
                       {{"VX_VISA_SIM", std::string(VX_SOURCE_DIR) + "/share/sim/default.ini"},
                        {"VX_VISA_NATIVE", "0"},
                        {"VX_VISA_LIBRARY", ""}});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(test::CellOf(test::ReadXlsx(book), "Sheet1", "B1")["value"].toString(), "CH1(DCV)");
  ASSERT_TRUE(Probe().Has(book)) << "the saved results are not open in Calc";
  EXPECT_EQ(Probe().Cell(book, "Sheet1", "C1").text, "CH2(DCI)");
  EXPECT_EQ(Probe().Cell(book, "Sheet1", "B2").kind, ProbedCell::Kind::Number);
  Probe().Close(book);
}

}  // namespace
}  // namespace vx::scanner
