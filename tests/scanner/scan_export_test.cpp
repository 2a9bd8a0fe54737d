// The export of the results grid, read back from the saved workbook: the layout, the types
// the host gives the texts, the header's format, and the failures on the way.

#include "scanner/scan_export.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "scanner_test_util.h"
#include "temp_folder.h"
#include "xlsx_reader.h"

namespace vx::scanner {
namespace {

using fixture::TwentyChannelGrid;
using test::ScopedEnvironment;
using test::TempFolder;

class ScanExportTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  ScopedEnvironment documents_{"VX_DOCUMENTS", folder_.Path()};
};

TEST_F(ScanExportTest, TheGridArrivesTypedWithABoldCentredHeaderFromAToU) {
  const ResultsGrid grid = TwentyChannelGrid();
  const ExportResult result =
      ExportResults(grid, {ExportTarget::Kind::HandOver, ExportTitle({2026, 12, 6, 14, 3, 27})});
  ASSERT_TRUE(result.Ok()) << result.detail;
  EXPECT_EQ(result.path, folder_ / "Scan 2026-12-06 14-03-27.xlsx");
  const QJsonObject book = test::ReadXlsx(result.path);
  const QJsonObject cells = book["sheets"]["Sheet1"]["cells"].toObject();
  for (const char* header : {"A1", "B1", "U1"}) {
    EXPECT_TRUE(cells[header]["bold"].toBool()) << header;
    EXPECT_EQ(cells[header]["valign"].toString(), "center") << header;
  }
  EXPECT_EQ(cells["A1"]["value"].toString(), "Time");
  EXPECT_EQ(cells["C1"]["value"].toString(), "CH2(DCI)");
  EXPECT_EQ(cells["U1"]["value"].toString(), "CH20(DCV)");
  EXPECT_FALSE(cells.contains("V1"));
  EXPECT_EQ(cells["A2"]["type"].toString(), "d");
  EXPECT_EQ(cells["A2"]["value"].toString(), "14:03:27");
  EXPECT_EQ(cells["B2"]["type"].toString(), "n");
  EXPECT_EQ(cells["B2"]["value"].toDouble(), 0.5);
  EXPECT_EQ(cells["C2"]["value"].toDouble(), 0.006);
  EXPECT_EQ(cells["G2"]["type"].toString(), "s");
  EXPECT_EQ(cells["G2"]["value"].toString(), "OVLD");
  EXPECT_FALSE(cells["B2"]["bold"].toBool());
  EXPECT_EQ(cells["U3"]["value"].toDouble(), 0.5);
  EXPECT_FALSE(cells.contains("A4"));
  // Each column fits its header and its data: the time of day "14:03:27" and a reading
  // such as "0.006" need wider columns than "Time" and "CH2(DCI)" would give them.
  const QJsonObject widths = book["sheets"]["Sheet1"]["widths"].toObject();
  EXPECT_GE(widths["A"].toDouble(), 8.0);
  EXPECT_GE(widths["B"].toDouble(), std::string("CH1(DCV)").size() * 1.1);
  EXPECT_TRUE(widths.contains("U"));
}

// A spreadsheet program draws a number or time wider than its column as "###"; the widths
// saved in the file leave room for each column's widest value.
TEST_F(ScanExportTest, NoColumnIsTooNarrowForItsData) {
  ResultsGrid grid;
  grid.SetColumns(3);
  grid.SetRows(2);
  grid.SetCell(0, 1, "Time");
  grid.SetCell(0, 2, "CH1(2W)");
  grid.SetCell(1, 1, "14:3:27");
  grid.SetCell(1, 2, "1234567.89000");
  const std::string path = folder_ / "narrow.xlsx";
  ASSERT_TRUE(ExportResults(grid, {ExportTarget::Kind::SaveAs, path}).Ok());
  const QJsonObject book = test::ReadXlsx(path);
  const QJsonObject widths = book["sheets"]["Sheet1"]["widths"].toObject();
  EXPECT_GE(widths["A"].toDouble(), std::string("14:03:27").size());
  EXPECT_GE(widths["B"].toDouble(), std::string("1234567.89").size());
}

TEST_F(ScanExportTest, AHeaderAloneIsExportedAndSaveAsWritesTheGivenFile) {
  ResultsGrid grid = TwentyChannelGrid();
  grid.SetRows(1);
  const std::string path = folder_ / "header.xlsx";
  const ExportResult result = ExportResults(grid, {ExportTarget::Kind::SaveAs, path});
  ASSERT_TRUE(result.Ok()) << result.detail;
  EXPECT_EQ(result.path, path);
  const QJsonObject book = test::ReadXlsx(path);
  const QJsonObject cells = book["sheets"]["Sheet1"]["cells"].toObject();
  EXPECT_EQ(cells["U1"]["value"].toString(), "CH20(DCV)");
  EXPECT_FALSE(cells.contains("A2"));
}

TEST_F(ScanExportTest, AMissingDocumentsFolderIsMadeAndTheFileGoesThere) {
  const std::string missing = folder_ / "home/Documents";
  ScopedEnvironment documents("VX_DOCUMENTS", missing);
  const ExportResult result =
      ExportResults(TwentyChannelGrid(), {ExportTarget::Kind::HandOver, "Scan"});
  ASSERT_EQ(result.outcome, ExportResult::Outcome::Exported) << result.detail;
  EXPECT_EQ(result.path, missing + "/Scan.xlsx");
  EXPECT_TRUE(std::filesystem::exists(missing + "/Scan.xlsx"));
}

TEST_F(ScanExportTest, AWorkbookThatCannotBeSavedNamesThePathAndTheReason) {
  // A documents folder that cannot be made: its parent is a plain file.
  const std::string unmakeable = folder_.Write("plain-file", "") + "/Documents";
  ScopedEnvironment documents("VX_DOCUMENTS", unmakeable);
  const ExportResult result =
      ExportResults(TwentyChannelGrid(), {ExportTarget::Kind::HandOver, "Scan"});
  EXPECT_EQ(result.outcome, ExportResult::Outcome::SaveFailed);
  const MessageRequest message = ExportFailureMessage(result);
  EXPECT_NE(message.text.find(unmakeable + "/Scan.xlsx"), std::string::npos) << message.text;
  EXPECT_NE(message.text.find("does not exist"), std::string::npos) << message.text;
  EXPECT_EQ(message.title, "Error");
}

TEST_F(ScanExportTest, NoRegistryEntryCannotStartTheHostAndABrokenRegistryNoAutomation) {
  ScopedEnvironment registry("VX_OBJECT_REGISTRY", folder_ / "registry.ini");
  ExportResult result = ExportResults(TwentyChannelGrid(), {ExportTarget::Kind::HandOver, "Scan"});
  EXPECT_EQ(result.outcome, ExportResult::Outcome::HostNotStarted);
  EXPECT_EQ(ExportFailureMessage(result).text.rfind("Couldn't start Excel.\n\n", 0), 0u);

  folder_.Write("registry.ini", "[Excel.Application\nLibrary=\n");
  result = ExportResults(TwentyChannelGrid(), {ExportTarget::Kind::HandOver, "Scan"});
  EXPECT_EQ(result.outcome, ExportResult::Outcome::AutomationUnavailable);
  EXPECT_EQ(ExportFailureMessage(result).text.rfind("Could not initialize Excel COM dll", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "Scan.xlsx"));
}

}  // namespace
}  // namespace vx::scanner
