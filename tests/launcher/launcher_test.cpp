// Load and Rescind: the add-in installed into the spreadsheet program's lasting state and
// taken out again, the template's toolbar in the word processor, their messages, and the
// three programs one after the other as a user's machine runs them.

#include "launcher/launcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../automation/host_test_util.h"
#include "automation/host_locations.h"
#include "common/scripted_prompter.h"
#include "process.h"
#include "remover/remover.h"

namespace vx {
namespace {

using test::Must;
using namespace automation;
namespace fs = std::filesystem;

class AddInTools : public ::testing::Test {
 protected:
  std::string StatePath() const { return folder_ / "host-state.ini"; }
  // Hosts made for the tool and kept for the test to look into afterwards.
  ApplicationFactory Hosts() {
    return [this](std::string_view progId) -> Result<ApplicationPtr> {
      last_ =
          test::MakeHost(StatePath(), progId == "Word.Application" ? host::HostKind::WordProcessor
                                                                   : host::HostKind::Spreadsheet);
      return last_;
    };
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const MessageRequest& message : prompter_.Messages()) texts.push_back(message.text);
    return texts;
  }
  ApplicationPtr Later(host::HostKind kind = host::HostKind::Spreadsheet) {
    return test::MakeHost(StatePath(), kind);
  }

  test::TempFolder folder_;
  test::ScopedEnvironment state_{"VX_HOST_STATE", folder_ / "host-state.ini"};
  ScriptedPrompter prompter_;
  ApplicationPtr last_;
};

TEST_F(AddInTools, LoadInstallsTheAddInAndAddsAWorkbookFirst) {
  const std::string addIn = folder_.Write("QVK990LINK.xla", "add-in");
  const std::string label = launcher::Launcher(prompter_, Hosts()).Launch(addIn);
  EXPECT_EQ(label, "Open " + addIn);
  EXPECT_TRUE(prompter_.Messages().empty());
  EXPECT_EQ(Must(Must(last_->Workbooks())->Count()), 1);  // added before installing
  EXPECT_TRUE(Must(last_->Visible()));
  const AddInPtr installed = Must(Must(Later()->AddIns())->Item(1));
  EXPECT_EQ(Must(installed->Name()), "QVK990LINK.xla");
  EXPECT_TRUE(Must(installed->Installed()));
}

TEST_F(AddInTools, LoadTakesOnlyTheTwoPatternsInTheirLetterCase) {
  const std::string upper = folder_.Write("QVK990LINK.XLA", "add-in");
  for (const std::string& line : {upper, std::string(), std::string("notes.txt")}) {
    EXPECT_EQ(launcher::Launcher(prompter_, Hosts()).Launch(line), "") << line;
  }
  EXPECT_EQ(Texts(), std::vector<std::string>(3, "Open File Use *.dot *.xla"));
  EXPECT_EQ(prompter_.Messages()[0].title, "Start Zemra K9-90/1 VX-Link Toolbar");
  EXPECT_EQ(prompter_.Messages()[0].icon, MessageIcon::Stop);
  EXPECT_EQ(last_, nullptr);
  EXPECT_FALSE(fs::exists(StatePath()));
}

TEST_F(AddInTools, LoadReportsAMissingFileAndInstallsNothing) {
  const std::string missing = folder_ / "gone/QVK990LINK.xla";
  EXPECT_EQ(launcher::Launcher(prompter_, Hosts()).Launch(missing), "");
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0].rfind("Error Num: 53\n", 0), 0u) << Texts()[0];
  EXPECT_NE(Texts()[0].find(missing), std::string::npos);
  EXPECT_EQ(Must(Must(Later()->AddIns())->Count()), 0);
}

TEST_F(AddInTools, LoadSetsUpTheTemplatesToolbarOnOlderWordProcessors) {
  std::ofstream(StatePath()) << "[Word]\nVersion=11.0\nCommandBars=1\n"
                                "[Word.CommandBar1]\nName=Zemra K9-90/1 VX-Link\nVisible=False\n"
                                "Controls=5\n";
  const std::string dot = folder_.Write("VXLINK.dot", "template");
  EXPECT_EQ(launcher::Launcher(prompter_, Hosts()).Launch(dot), "Open " + dot);
  EXPECT_TRUE(prompter_.Messages().empty());
  const CommandBarPtr bar = Must(
      Must(Later(host::HostKind::WordProcessor)->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
  EXPECT_TRUE(Must(bar->Visible()));
  const CommandBarControlsPtr controls = Must(bar->Controls());
  EXPECT_EQ(Must(Must(controls->Item(1))->OnAction()), "DmmAbout");
  EXPECT_EQ(Must(Must(controls->Item(1))->ToolTipText()), "About Zemra K9-90/1 VX-Link");
  EXPECT_EQ(Must(Must(controls->Item(5))->ToolTipText()), "Get Single Reading");
}

TEST_F(AddInTools, LoadLeavesTheToolbarOfANewerWordProcessorAlone) {
  std::ofstream(StatePath()) << "[Word]\nVersion=12.0\nCommandBars=1\n"
                                "[Word.CommandBar1]\nName=Zemra K9-90/1 VX-Link\nVisible=False\n"
                                "Controls=5\n";
  const std::string dot = folder_.Write("VXLINK.dot", "template");
  EXPECT_EQ(launcher::Launcher(prompter_, Hosts()).Launch(dot), "Open " + dot);
  EXPECT_EQ(Must(Must(last_->Documents())->Count()), 1);
  const CommandBarPtr bar = Must(
      Must(Later(host::HostKind::WordProcessor)->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
  EXPECT_FALSE(Must(bar->Visible()));
  EXPECT_EQ(Must(Must(Must(bar->Controls())->Item(1))->OnAction()), "");
}

TEST_F(AddInTools, LoadSaysWhenTheTemplateHasNoToolbar) {
  std::ofstream(StatePath()) << "[Word]\nVersion=11.0\n";
  const std::string dot = folder_.Write("VXLINK.dot", "template");
  EXPECT_EQ(launcher::Launcher(prompter_, Hosts()).Launch(dot), "Open " + dot);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].title, "Open Multimeter CommandBars");
}

TEST_F(AddInTools, CachedTypeInformationGoesOnlyFromTheHostsCache) {
  const std::string cache = folder_ / "cache";
  fs::create_directories(cache + "/nested");
  folder_.Write("cache/Vortica.exd", "x");
  folder_.Write("cache/nested/Vortica.exd", "x");
  folder_.Write("cache/other.exd", "x");
  const std::string elsewhere = folder_.Write("Vortica.exd", "x");
  EXPECT_EQ(HostCacheFolder(), cache);
  launcher::Launcher(prompter_, Hosts()).Launch(folder_.Write("QVK990LINK.xla", "add-in"));
  EXPECT_FALSE(fs::exists(cache + "/Vortica.exd"));
  EXPECT_FALSE(fs::exists(cache + "/nested/Vortica.exd"));
  EXPECT_TRUE(fs::exists(cache + "/other.exd"));
  EXPECT_TRUE(fs::exists(elsewhere));
}

TEST_F(AddInTools, RescindRemovesTheToolbarAndTheAddInWhateverTheLetterCase) {
  const std::string addIn = folder_.Write("qvk990link.xla", "add-in");
  {
    const ApplicationPtr excel = Later();
    Must(Must(Must(excel->AddIns())->Add(addIn, true))->SetInstalled(true));
    Must(Must(excel->CommandBars())->Add("Other tools", false));
    Must(Must(excel->CommandBars())->Add("zemra k9-90/1 vx-link", false));
  }
  const remover::RemovalOutcome outcome = remover::RemoveAddIn(prompter_, Hosts());
  EXPECT_TRUE(prompter_.Messages().empty());
  EXPECT_EQ(outcome.toolbarsDeleted, 1);
  EXPECT_EQ(outcome.addInsSwitchedOff, 1);
  EXPECT_FALSE(Must(last_->Visible()));
  const ApplicationPtr after = Later();
  EXPECT_FALSE(Must(after->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
  EXPECT_TRUE(Must(after->CommandBars())->Item("Other tools"));
  EXPECT_FALSE(Must(Must(Must(after->AddIns())->Item(1))->Installed()));
  EXPECT_TRUE(fs::exists(addIn));
}

// Run again, Rescind finds the add-in off already and says that it switched none off.
TEST_F(AddInTools, RescindCountsOnlyAnAddInThatWasOn) {
  const std::string addIn = folder_.Write("QVK990LINK.xla", "add-in");
  Must(Must(Must(Later()->AddIns())->Add(addIn, true))->SetInstalled(true));
  EXPECT_EQ(remover::RemoveAddIn(prompter_, Hosts()).addInsSwitchedOff, 1);
  const remover::RemovalOutcome again = remover::RemoveAddIn(prompter_, Hosts());
  EXPECT_TRUE(again.Ok());
  EXPECT_EQ(again.addInsSwitchedOff, 0);
  EXPECT_EQ(again.toolbarsDeleted, 0);
  EXPECT_TRUE(prompter_.Messages().empty());
}

// A host state with a line that is not a setting: Rescind names the file and the line, as
// Load does, instead of reporting that there was nothing to remove.
TEST_F(AddInTools, RescindOnADamagedHostStateNamesTheFileAndTheLine) {
  const std::string damaged =
      "[Excel]\nAddIns=1\nthis line is not a setting\n[Excel.AddIn1]\nName=QVK990LINK.XLA\n"
      "Installed=True\n";
  std::ofstream(StatePath()) << damaged;
  const remover::RemovalOutcome outcome = remover::RemoveAddIn(prompter_, Hosts());
  EXPECT_TRUE(outcome.hostStarted);
  EXPECT_FALSE(outcome.Ok());
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_NE(Texts()[0].find(StatePath()), std::string::npos) << Texts()[0];
  EXPECT_NE(Texts()[0].find("line 3"), std::string::npos) << Texts()[0];
  EXPECT_EQ(prompter_.Messages()[0].title, remover::kCaption);

  const test::ProcessResult rescind =
      test::RunProcess({std::string(VX_BIN_DIR) + "/Rescind"},
                       {{"VX_HOST_STATE", StatePath()}, {"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}});
  EXPECT_EQ(rescind.exitCode, 1);
  EXPECT_NE(rescind.err.find(StatePath()), std::string::npos) << rescind.err;
  EXPECT_NE(rescind.err.find("line 3"), std::string::npos) << rescind.err;
  EXPECT_EQ(rescind.out, "");
  std::ifstream in(StatePath());
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), damaged);
}

TEST_F(AddInTools, RescindWithoutItsHostProgram) {
  const ApplicationFactory none = [](std::string_view) -> Result<ApplicationPtr> {
    return AutomationError::Make(ErrorNumber::ClassNotRegistered, "not registered");
  };
  EXPECT_FALSE(remover::RemoveAddIn(prompter_, none).hostStarted);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Couldn't start Excel."});
  test::ScopedEnvironment registry("VX_OBJECT_REGISTRY", folder_.Write("registry.ini", "junk\n"));
  EXPECT_FALSE(remover::RemoveAddIn(prompter_, Hosts()).hostStarted);
  EXPECT_EQ(Texts().back(), "Could not initialize COM dll");
}

// Load, a vxlink run and Rescind, one after the other, each its own process.
TEST_F(AddInTools, LoadThenVxlinkThenRescind) {
  const std::string bin = VX_BIN_DIR;
  const std::string addIn = folder_.Write("QVK990LINK.xla", "add-in");
  const std::map<std::string, std::string> environment{
      {"VX_HOST_STATE", StatePath()},
      {"VX_SHARED_DOCS", folder_ / "docs"},
      {"VX_VISA_SIM", folder_.Write("sim.ini", "[M]\nDescriptor=GPIB0::22::INSTR\nNoise=0\n")},
      {"VX_VISA_NATIVE", "0"},
      {"VX_VISA_LIBRARY", ""},
      {"QT_QPA_PLATFORM", ""},
      {"DISPLAY", ""}};
  const test::ProcessResult loaded = test::RunProcess({bin + "/Load", addIn}, environment);
  ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_EQ(loaded.out, "Open " + addIn + "\n");

  const test::ProcessResult logged = test::RunProcess(
      {bin + "/vxlink", "--interval", "20", "--stop", "count", "2", "--out", folder_ / "log.xlsx"},
      environment);
  ASSERT_EQ(logged.exitCode, 0) << logged.err;
  // With the add-in installed the toolbar lives on in the host, programmed by the engine.
  const CommandBarPtr bar = Must(Must(Later()->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
  EXPECT_EQ(Must(Must(Must(bar->Controls())->Item(7))->OnAction()), "DmmTimerStart");

  const test::ProcessResult removed = test::RunProcess({bin + "/Rescind"}, environment);
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(removed.out, "Deleted 1 toolbar(s), switched 1 add-in(s) off\n");
  EXPECT_FALSE(Must(Later()->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
  EXPECT_FALSE(Must(Must(Must(Later()->AddIns())->Item(1))->Installed()));
  EXPECT_TRUE(fs::exists(addIn));

  // Without the add-in the toolbar lives for a run only.
  const test::ProcessResult again = test::RunProcess(
      {bin + "/vxlink", "--interval", "20", "--stop", "count", "1", "--out", folder_ / "log2.xlsx"},
      environment);
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_FALSE(Must(Later()->CommandBars())->Item("Zemra K9-90/1 VX-Link"));
}

TEST(AddInPrograms, HelpAndAWindowThatComesAndGoes) {
  const std::string bin = VX_BIN_DIR;
  EXPECT_EQ(test::RunProcess({bin + "/Load", "--help"}).exitCode, 0);
  EXPECT_EQ(test::RunProcess({bin + "/Rescind", "--help"}).exitCode, 0);
  test::TempFolder folder;
  const std::string addIn = folder.Write("QVK990LINK.xla", "add-in");
  // On the offscreen platform the window shows for a moment and the program ends by itself.
  const test::ProcessResult shown =
      test::RunProcess({bin + "/Load", addIn},
                       {{"VX_HOST_STATE", folder / "state.ini"}, {"QT_QPA_PLATFORM", "offscreen"}});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  const test::ProcessResult rescinded =
      test::RunProcess({bin + "/Rescind"},
                       {{"VX_HOST_STATE", folder / "state.ini"}, {"QT_QPA_PLATFORM", "offscreen"}});
  EXPECT_EQ(rescinded.exitCode, 0) << rescinded.err;
}

}  // namespace
}  // namespace vx
