// vxrecord as a user runs it: the record list, the figures and the CSV output, the same as
// the record viewer's, and its failures.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <string>
#include <vector>

#include "common/scripted_prompter.h"
#include "process.h"
#include "record_tools_test_util.h"
#include "records/record_format.h"
#include "records/viewer/record_viewer.h"
#include "records_test_util.h"

namespace vx::records {
namespace {

using fixture::ReadFileBytes;
using fixture::WriteRecord;

const std::string kVxrecord = std::string(VX_BIN_DIR) + "/vxrecord";

class VxrecordTest : public ::testing::Test {
 protected:
  VxrecordTest() {
    records_ = root_.Make("DB");
    out_ = root_.Make("out");
  }

  test::ProcessResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {kVxrecord, "--folder", records_});
    return test::RunProcess(args);
  }

  fixture::TempFolder root_;
  std::string records_;
  std::string out_;
};

TEST_F(VxrecordTest, ListsAndSumsUpAsTheViewerShows) {
  WriteRecord(records_, 2, {1.5, -0.5, 2.0});
  WriteRecord(records_, 10, {});
  test::ProcessResult list = Run({"list"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out,
            "Record 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )\n"
            "Record 10            ( 26 / 12 / 06 -- 22 : 45 : 07 )\n");
  test::ProcessResult stats = Run({"stats", "2"});
  EXPECT_EQ(stats.exitCode, 0) << stats.err;
  EXPECT_EQ(stats.out,
            "count\t3\nmaximum\t2.000000000000000\nminimum\t-0.500000000000000\n"
            "average\t1.000000000000000\n");
  stats = Run({"stats", "10"});
  EXPECT_EQ(stats.out, "count\t0\nmaximum\t\nminimum\t\naverage\t\n");
}

TEST_F(VxrecordTest, ListsRecordsThatCannotBeReadWithTheReason) {
  WriteRecord(records_, 2, {1.5});
  fixture::WriteFileBytes(records_ + "/DBfile_DB4.db", fixture::RandomBytes(4096));
  test::ProcessResult list = Run({"list"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out,
            "Record 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )\n"
            "Record 4            ( cannot be read: not a record file )\n");
  test::ProcessResult stats = Run({"stats", "4"});
  EXPECT_EQ(stats.exitCode, 1);
  EXPECT_EQ(stats.err, "vxrecord: DBfile_DB4.db is not a record file.\n");
}

TEST_F(VxrecordTest, WritesTheSameBytesAsTheViewersOutputToCsv) {
  std::vector<double> values = fixture::Counting(70000);
  values[5] = kOverloadValue;
  values[6] = 0.012345;
  WriteRecord(records_, 7, values);
  const std::string file = out_ + "/tool.csv";
  const test::ProcessResult csv = Run({"csv", "7", file});
  EXPECT_EQ(csv.exitCode, 0) << csv.err;
  EXPECT_EQ(csv.err, "");

  fixture::CurrentFolderGuard guard(root_.Path());
  ScriptedPrompter prompter;
  RecordViewer viewer(prompter);
  viewer.Select(0);
  prompter.QueueSaveFile(out_ + "/window");
  viewer.ExportSelected();
  const std::string expected = ReadFileBytes(out_ + "/window.csv");
  ASSERT_EQ(expected.size(), ReadFileBytes(file).size());
  EXPECT_TRUE(expected == ReadFileBytes(file));
  EXPECT_NE(expected.find("\r\n\"22 : 45 : 13\",OVLD\r\n\"22 : 45 : 14\",0.01234500000000\r\n"),
            std::string::npos);
}

TEST_F(VxrecordTest, FindsTheRecordFolderByTheProgramsRuleWithoutFolder) {
  WriteRecord(records_, 1, {1});
  const test::ProcessResult list =
      test::RunProcess({"/bin/sh", "-c", "cd \"$0\" && exec \"$1\" list", root_.Path(), kVxrecord});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out, "Record 1            ( 26 / 12 / 06 -- 22 : 45 : 07 )\n");
  const test::ProcessResult lost =
      test::RunProcess({"/bin/sh", "-c", "cd \"$0\" && exec \"$1\" list", out_, kVxrecord});
  EXPECT_EQ(lost.exitCode, 1);
  EXPECT_EQ(lost.err, "vxrecord: Database working folder not found.\n");
}

TEST_F(VxrecordTest, ListsAndSumsUpAsJson) {
  WriteRecord(records_, 2, {1.5, -0.5, 2.0});
  WriteRecord(records_, 10, {});
  fixture::WriteFileBytes(records_ + "/DBfile_DB4.db", fixture::RandomBytes(4096));
  const test::ProcessResult list = Run({"list", "--json"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  const QJsonArray records = QJsonDocument::fromJson(QByteArray::fromStdString(list.out)).array();
  ASSERT_EQ(records.size(), 3) << list.out;
  EXPECT_EQ(records[0]["record"].toInt(), 2);
  EXPECT_EQ(records[0]["label"].toString(), "Record 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
  EXPECT_EQ(records[0]["start"].toString(), "2026-12-06T22:45:07");
  EXPECT_EQ(records[1]["record"].toInt(), 4);
  EXPECT_EQ(records[1]["error"].toString(), "not a record file");
  EXPECT_FALSE(records[1].toObject().contains("start"));
  EXPECT_EQ(records[2]["record"].toInt(), 10);

  const test::ProcessResult stats = Run({"stats", "--json", "2"});
  EXPECT_EQ(stats.exitCode, 0) << stats.err;
  const QJsonObject figures =
      QJsonDocument::fromJson(QByteArray::fromStdString(stats.out)).object();
  EXPECT_EQ(figures["record"].toInt(), 2);
  EXPECT_EQ(figures["count"].toInt(), 3);
  EXPECT_EQ(figures["maximum"].toDouble(), 2.0);
  EXPECT_EQ(figures["minimum"].toDouble(), -0.5);
  EXPECT_EQ(figures["average"].toDouble(), 1.0);
  const test::ProcessResult empty = Run({"stats", "10", "--json"});
  EXPECT_EQ(empty.out,
            "{\"record\": 10, \"count\": 0, \"maximum\": null, \"minimum\": null, "
            "\"average\": null}\n");
}

// Help and version answer without a record folder, wherever the program is started.
TEST_F(VxrecordTest, HelpAndVersionNeedNoRecordFolder) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"},
                                               {"--version"},
                                               {"list", "--help"},
                                               {"--folder", "/nonexistent", "--version"}}) {
    std::vector<std::string> command{"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", out_, kVxrecord};
    command.insert(command.end(), args.begin(), args.end());
    const test::ProcessResult result = test::RunProcess(command);
    EXPECT_EQ(result.exitCode, 0) << args.back() << ": " << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind(args.back() == "--help" ? "usage: vxrecord" : "vxrecord 3.3", 0), 0u)
        << result.out;
  }
}

TEST_F(VxrecordTest, FailuresGoToStandardErrorWithANonZeroExit) {
  WriteRecord(records_, 1, fixture::Counting(5000));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string err;
  };
  // A wrong command line (status 2) is said, then the usage follows; a record or file that
  // fails (status 1) is said alone.
  const std::vector<Case> cases = {
      {{"stats", "11"}, 2, "vxrecord: the record number must be 1 to 10, not \"11\"\n\nusage"},
      {{"stats", "x"}, 2, "vxrecord: the record number must be 1 to 10, not \"x\"\n\nusage"},
      {{"stats", "3"}, 1, "vxrecord: record 3 does not exist (" + records_ + "/DBfile_DB3.db)\n"},
      {{"csv", "1", out_ + "/no/such/folder.csv"},
       1,
       "vxrecord: " + out_ +
           "/no/such/folder.csv cannot be written: No such file or "
           "directory.\n"},
      {{"list", "extra"}, 2, "vxrecord: unexpected argument \"extra\"\n\nusage"},
      {{"frobnicate"}, 2, "vxrecord: unknown command \"frobnicate\": list, stats or csv\n\nusage"},
      {{"list", "--bogus"}, 2, "vxrecord: --bogus: unknown option\n\nusage"},
      {{"csv", "--json", "1", out_ + "/x.csv"}, 2, "vxrecord: --json: list and stats only\n"},
  };
  for (const Case& c : cases) {
    const test::ProcessResult result = Run(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args[0];
    EXPECT_EQ(result.out, "");
    if (c.exitCode == 2) {
      EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
    } else {
      EXPECT_EQ(result.err, c.err);
    }
  }
  const test::ProcessResult noFolder =
      test::RunProcess({kVxrecord, "--folder", root_.Path() + "/none", "list"});
  EXPECT_EQ(noFolder.exitCode, 1);
  EXPECT_NE(noFolder.err.find("Database working folder not found."), std::string::npos);

  // A file size limit cuts the output short: reported, and no half-written file is left.
  const test::ProcessResult limited =
      test::RunProcess({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 128; exec \"$@\"", "sh",
                        kVxrecord, "--folder", records_, "csv", "1", out_ + "/cut.csv"});
  EXPECT_EQ(limited.exitCode, 1);
  EXPECT_NE(limited.err.find("cut.csv cannot be written: File too large."), std::string::npos)
      << limited.err;
  EXPECT_TRUE(fixture::FolderEntries(out_).empty());
}

}  // namespace
}  // namespace vx::records
