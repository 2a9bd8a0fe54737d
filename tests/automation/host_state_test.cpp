// Toolbars and add-ins outlive the host that changed them, across processes, and a damaged
// state file is never overwritten.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host_test_util.h"
#include "process.h"

namespace vx::automation {
namespace {

using test::Must;

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class HostState : public ::testing::Test {
 protected:
  std::string StatePath() const { return folder_ / "host-state.ini"; }
  ApplicationPtr Host(host::HostKind kind = host::HostKind::Spreadsheet) {
    return test::MakeHost(StatePath(), kind);
  }
  test::TempFolder folder_;
};

TEST_F(HostState, AddInsAndLastingToolbarsAreThereForTheNextHost) {
  const std::string addInFile = folder_.Write("QVK990LINK.xla", "add-in");
  {
    const ApplicationPtr app = Host();
    const AddInPtr addIn = Must(Must(app->AddIns())->Add(addInFile, true));
    EXPECT_FALSE(Must(addIn->Installed()));
    Must(addIn->SetInstalled(true));
    const CommandBarPtr bar = Must(Must(app->CommandBars())->Add("Zemra K9-90/1 VX-Link", false));
    const CommandBarControlsPtr controls = Must(bar->Controls());
    Must(Must(controls->Add(msoControlButton))->SetOnAction("DmmAbout"));
    Must(Must(controls->Add(msoControlButton))->SetEnabled(false));
    Must(Must(app->CommandBars())->Add("Only today", true));
  }
  const ApplicationPtr later = Host();
  const AddInsPtr addIns = Must(later->AddIns());
  ASSERT_EQ(Must(addIns->Count()), 1);
  EXPECT_EQ(Must(Must(addIns->Item(1))->Name()), "QVK990LINK.xla");
  EXPECT_TRUE(Must(Must(addIns->Item(1))->Installed()));
  const CommandBarsPtr bars = Must(later->CommandBars());
  const CommandBarPtr bar = Must(bars->Item("ZEMRA K9-90/1 VX-LINK"));
  const CommandBarControlsPtr controls = Must(bar->Controls());
  ASSERT_EQ(Must(controls->Count()), 2);
  EXPECT_EQ(Must(Must(controls->Item(1))->OnAction()), "DmmAbout");
  EXPECT_FALSE(Must(Must(controls->Item(2))->Enabled()));
  EXPECT_FALSE(bars->Item("Only today"));
}

TEST_F(HostState, DeletingWhileWalkingTheShrinkingCollection) {
  {
    const ApplicationPtr app = Host();
    Must(Must(app->CommandBars())->Add("First", false));
    Must(Must(app->CommandBars())->Add("Zemra K9-90/1 VX-Link", false));
  }
  const ApplicationPtr app = Host();
  const CommandBarsPtr bars = Must(app->CommandBars());
  const int before = Must(bars->Count());
  // The add-in's bar is the last one; a walk that deletes must not step over it.
  for (int i = Must(bars->Count()); i >= 1; --i) {
    const CommandBarPtr bar = Must(bars->Item(i));
    if (Must(bar->Name()) == "Zemra K9-90/1 VX-Link") Must(bar->Delete());
  }
  EXPECT_EQ(Must(bars->Count()), before - 1);
  EXPECT_FALSE(Host()->CommandBars()->Item("Zemra K9-90/1 VX-Link"));
  EXPECT_TRUE(Must(Host()->CommandBars())->Item("First"));
  // The program's own bars stay.
  EXPECT_FALSE(Must(bars->Item("Standard"))->Delete());
}

TEST_F(HostState, ADamagedStateFileIsReportedByLineAndLeftAsItIs) {
  const std::string damaged = "[Excel]\nVersion=11.0\nthis line is not a setting\n";
  std::ofstream(StatePath()) << damaged;
  const ApplicationPtr app = Host();
  const auto added = Must(app->CommandBars())->Add("Zemra K9-90/1 VX-Link", false);
  ASSERT_FALSE(added);
  EXPECT_NE(added.error().description.find(StatePath()), std::string::npos);
  EXPECT_NE(added.error().description.find("line 3"), std::string::npos)
      << added.error().description;
  EXPECT_FALSE(Must(app->AddIns())->Add(folder_.Write("a.xla", "x"), true));
  // What lives only for the session still works.
  EXPECT_TRUE(Must(app->CommandBars())->Add("Session", true));
  EXPECT_EQ(FileText(StatePath()), damaged);
}

TEST_F(HostState, VersionComesFromTheStateFile) {
  std::ofstream(StatePath()) << "[Word]\nVersion=11.0\n";
  EXPECT_EQ(Must(Host(host::HostKind::WordProcessor)->Version()), "11.0");
  EXPECT_EQ(Must(Host()->Version()), "12.0");
}

TEST_F(HostState, TheWordProcessorKeepsToolbarChangesWhenItsDocumentsAreSaved) {
  std::ofstream(StatePath()) << "[Word]\nVersion=11.0\nCommandBars=1\n"
                                "[Word.CommandBar1]\nName=Zemra K9-90/1 VX-Link\nVisible=False\n"
                                "Controls=1\nControl1.OnAction=\n";
  {
    const ApplicationPtr word = Host(host::HostKind::WordProcessor);
    const CommandBarPtr bar = Must(Must(word->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
    Must(Must(Must(bar->Controls())->Item(1))->SetOnAction("DmmAbout"));
    Must(bar->SetVisible(true));
  }
  EXPECT_EQ(FileText(StatePath()).find("DmmAbout"), std::string::npos);
  {
    const ApplicationPtr word = Host(host::HostKind::WordProcessor);
    const CommandBarPtr bar = Must(Must(word->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
    Must(Must(Must(bar->Controls())->Item(1))->SetOnAction("DmmAbout"));
    Must(Must(word->Documents())->Add(folder_.Write("VX.dot", "template")));
    Must(Must(word->Documents())->Save(true));
  }
  const ApplicationPtr word = Host(host::HostKind::WordProcessor);
  const CommandBarPtr bar = Must(Must(word->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
  EXPECT_EQ(Must(Must(Must(bar->Controls())->Item(1))->OnAction()), "DmmAbout");
}

TEST_F(HostState, SeenAcrossProcesses) {
  const std::string addInFile = folder_.Write("qvk990link.xla", "add-in");
  const std::map<std::string, std::string> environment{{"VX_HOST_STATE", StatePath()}};
  const std::string child = std::string(VX_BIN_DIR) + "/host_state_child";
  test::ProcessResult installed = test::RunProcess({child, "install", addInFile}, environment);
  ASSERT_EQ(installed.exitCode, 0) << installed.err;

  const ApplicationPtr app = Host();
  const AddInPtr addIn = Must(Must(app->AddIns())->Item(1));
  EXPECT_TRUE(Must(addIn->Installed()));
  const CommandBarPtr bar = Must(Must(app->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
  Must(bar->Delete());
  Must(addIn->SetInstalled(false));

  test::ProcessResult seen = test::RunProcess({child, "show"}, environment);
  ASSERT_EQ(seen.exitCode, 0) << seen.err;
  EXPECT_EQ(seen.out, "add-in qvk990link.xla installed=0\nno toolbar\n");
}

}  // namespace
}  // namespace vx::automation
