// Load and Rescind as programs against a LibreOffice of the test's own: the add-in goes into
// the office as its extension with the VX-Link toolbar in every Calc window, and comes out
// again with its file left where it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "extension/extension_names.h"
#include "extension_probe.h"
#include "process.h"
#include "temp_folder.h"
#include "test_office.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

[[maybe_unused]] auto* const kOffice =
    ::testing::AddGlobalTestEnvironment(test::TestOffice::Instance());

const char* const kToolbarNode = "com.zemra.k9_90_1.vxlink.toolbar";

struct ExpectedButton {
  const char* macro;
  const char* tip;
};
constexpr ExpectedButton kButtons[] = {{"DmmAbout", "About Zemra K9-90/1 VX-Link"},
                                       {"DmmConnect", "Connect to Device"},
                                       {"DmmFiles", "File Access"},
                                       {"DmmFuncs", "Set up Instrument"},
                                       {"DmmMeas", "Get Single Reading"},
                                       {"DmmChart", "Logging Charts"},
                                       {"DmmTimerStart", "START"},
                                       {"DmmTimerPause", "PAUSE"},
                                       {"DmmTimerStop", "STOP"}};

// One probe for the program.
test::ExtensionProbe& Probe() {
  static auto* const probe =
      new test::ExtensionProbe(test::TestOffice::Instance()->Options().pipeName);
  return *probe;
}

class AddInInOffice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(probe_.Connected());
    probe_.Remove(extension::kIdentifier);
    fs::copy_file(std::string(VX_BIN_DIR) + "/../share/addin/QVK990LINK.oxt", ExtensionFile());
  }

  std::string AddInPath() const { return folder_ / "QVK990LINK.xla"; }
  std::string ExtensionFile() const { return folder_ / "QVK990LINK.oxt"; }
  // As a terminal runs the programs: no display, their messages on standard error.
  std::map<std::string, std::string> Environment() const {
    return {{"VX_SPREADSHEET_HOST", "calc"},
            {"VX_DOCUMENTS", folder_ / "Documents"},
            {"VX_HOST_STATE", folder_ / "host-state.ini"},
            {"VX_SHARED_DOCS", folder_ / "docs"},
            {"VX_VISA_SIM", sim_},
            {"VX_VISA_NATIVE", "0"},
            {"VX_VISA_LIBRARY", ""},
            {"QT_QPA_PLATFORM", ""},
            {"DISPLAY", ""}};
  }
  test::ProcessResult Run(const std::string& program, std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), std::string(VX_BIN_DIR) + "/" + program);
    return test::RunProcess(arguments, Environment());
  }
  bool Enabled() {
    const auto extension = probe_.Extension(extension::kIdentifier);
    return extension && extension->enabled;
  }

  test::TempFolder folder_;
  std::string sim_ = folder_.Write("sim.ini", "[M]\nDescriptor=GPIB0::22::INSTR\nNoise=0\n");
  test::ExtensionProbe& probe_ = Probe();
};

TEST_F(AddInInOffice, LoadInstallsTheExtensionWithItsToolbarForEveryCalcWindow) {
  const test::ProcessResult loaded = Run("Load", {AddInPath()});
  ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_EQ(loaded.out, "Open " + AddInPath() + "\n");
  const auto installed = probe_.Extension(extension::kIdentifier);
  ASSERT_TRUE(installed);
  EXPECT_TRUE(installed->enabled);
  EXPECT_EQ(installed->fileName, "QVK990LINK.oxt");

  // The office took the toolbar's nine buttons from the extension, each a command address.
  const std::vector<test::ProbedAddonItem> items = probe_.AddonToolbar(kToolbarNode);
  ASSERT_EQ(items.size(), std::size(kButtons));
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].command, std::string("vnd.zemra.vxlink:") + kButtons[i].macro);
    EXPECT_EQ(items[i].title, kButtons[i].tip);
    EXPECT_EQ(items[i].context, "com.sun.star.sheet.SpreadsheetDocument");
  }
  // Calc's windows show it under the toolbar's name.
  const auto state = probe_.ToolbarState(extension::kToolbarUrl);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->uiName, "Zemra K9-90/1 VX-Link");
  EXPECT_TRUE(state->visible);
  EXPECT_TRUE(fs::exists(ExtensionFile()));
}

TEST_F(AddInInOffice, RescindSwitchesTheExtensionOffAndItsToolbarGoesAtOnce) {
  ASSERT_EQ(Run("Load", {AddInPath()}).exitCode, 0);
  ASSERT_EQ(probe_.AddonToolbar(kToolbarNode).size(), std::size(kButtons));

  const test::ProcessResult removed = Run("Rescind");
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(removed.out, "Deleted 0 toolbar(s), switched 1 add-in(s) off\n");
  const auto kept = probe_.Extension(extension::kIdentifier);
  ASSERT_TRUE(kept);  // switched off, not removed
  EXPECT_FALSE(kept->enabled);
  // Its toolbar is gone from Calc: the office has no items for it any more.
  EXPECT_TRUE(probe_.AddonToolbar(kToolbarNode).empty());
  EXPECT_TRUE(fs::exists(ExtensionFile()));

  // A second run finds it off already, and leaves it so.
  const test::ProcessResult again = Run("Rescind");
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(again.out, "Deleted 0 toolbar(s), switched 0 add-in(s) off\n");
  EXPECT_FALSE(Enabled());

  // Load switches it on again.
  const test::ProcessResult reloaded = Run("Load", {AddInPath()});
  ASSERT_EQ(reloaded.exitCode, 0) << reloaded.err;
  EXPECT_TRUE(Enabled());
}

TEST_F(AddInInOffice, BadCommandLinesAndDamagedFilesChangeNothing) {
  // Only "*.xla" in that letter case; the message, and nothing installed.
  const std::string upper = folder_.Write("QVK990LINK.XLA", "add-in");
  const test::ProcessResult rejected = Run("Load", {upper});
  EXPECT_EQ(rejected.exitCode, 2);
  EXPECT_NE(rejected.err.find("Open File Use *.dot *.xla"), std::string::npos) << rejected.err;
  EXPECT_FALSE(probe_.Extension(extension::kIdentifier));

  // An add-in without its extension file beside it.
  const std::string lonely = folder_ / "elsewhere/QVK990LINK.xla";
  fs::create_directories(fs::path(lonely).parent_path());
  const test::ProcessResult missing = Run("Load", {lonely});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Error Num: 53"), std::string::npos) << missing.err;
  EXPECT_FALSE(probe_.Extension(extension::kIdentifier));

  // An extension file that is not one.
  const std::string damagedFolder = folder_ / "damaged";
  fs::create_directories(damagedFolder);
  std::ofstream(damagedFolder + "/QVK990LINK.oxt") << "PK not really a zip";
  const test::ProcessResult damaged = Run("Load", {damagedFolder + "/QVK990LINK.xla"});
  EXPECT_EQ(damaged.exitCode, 1);
  EXPECT_NE(damaged.err.find("Error Num: "), std::string::npos) << damaged.err;
  EXPECT_FALSE(probe_.Extension(extension::kIdentifier));
  EXPECT_TRUE(probe_.AddonToolbar(kToolbarNode).empty());

  // Rescind with no add-in in the office switches nothing off.
  const test::ProcessResult nothing = Run("Rescind");
  EXPECT_EQ(nothing.exitCode, 0) << nothing.err;
  EXPECT_EQ(nothing.out, "Deleted 0 toolbar(s), switched 0 add-in(s) off\n");
  EXPECT_TRUE(probe_.Connected());
}

// Load, a vxlink run and Rescind, each its own process, act on the one office.
TEST_F(AddInInOffice, LoadThenVxlinkThenRescindOnOneOffice) {
  ASSERT_EQ(Run("Load", {AddInPath()}).exitCode, 0);
  const test::ProcessResult logged =
      Run("vxlink", {"--interval", "20", "--stop", "count", "2", "--out", folder_ / "log.xlsx"});
  ASSERT_EQ(logged.exitCode, 0) << logged.err;
  EXPECT_TRUE(fs::exists(folder_ / "log.xlsx"));
  EXPECT_TRUE(Enabled());  // the run leaves the add-in as it found it

  const test::ProcessResult removed = Run("Rescind");
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  // The engine's toolbar that the run kept in the profile, and the extension.
  EXPECT_EQ(removed.out, "Deleted 1 toolbar(s), switched 1 add-in(s) off\n");
  EXPECT_FALSE(Enabled());
  EXPECT_TRUE(probe_.AddonToolbar(kToolbarNode).empty());
  EXPECT_TRUE(fs::exists(ExtensionFile()));
}

}  // namespace
}  // namespace vx
