// Load and Rescind as programs against a LibreOffice of the test's own: the add-in goes into
// the office as its extension with the VX-Link toolbar in every Calc window, and comes out
// again with its file left where it was; between them, the toolbar's buttons drive vxlink.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "extension/extension_names.h"
#include "extension_probe.h"
#include "office_probe.h"
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
  // The run drove the extension's toolbar and made no second one of the same name.
  EXPECT_EQ(removed.out, "Deleted 0 toolbar(s), switched 1 add-in(s) off\n");
  EXPECT_FALSE(Enabled());
  EXPECT_TRUE(probe_.AddonToolbar(kToolbarNode).empty());
  EXPECT_TRUE(fs::exists(ExtensionFile()));
}

// vxlink logging into Calc, as the toolbar's buttons reach it: each command is dispatched to
// the logging workbook's window as a pressed button dispatches it, and each button's state is
// what the window's dispatch of its command reports to a listener, as the toolbar listens.
class ToolbarButtonsInCalc : public AddInInOffice {
 protected:
  static std::string Command(const std::string& protocol, int control) {
    return protocol + kButtons[control - 1].macro;
  }
  std::vector<std::string> Commands(const std::string& protocol) const {
    std::vector<std::string> commands;
    for (int control = 1; control <= 9; ++control) commands.push_back(Command(protocol, control));
    return commands;
  }
  // The nine buttons as the listener last heard them: "e" enabled, "d" disabled, "h" hidden.
  std::string States(const std::string& protocol) {
    std::string states;
    for (int control = 1; control <= 9; ++control) {
      const test::ProbedButton button = office_.Button(Command(protocol, control));
      states += !button.heard ? '?' : !button.visible ? 'h' : button.enabled ? 'e' : 'd';
    }
    return states;
  }
  bool StatesBecome(const std::string& protocol, const std::string& wanted) {
    return Eventually([&] { return States(protocol) == wanted; });
  }
  static bool Eventually(const std::function<bool()>& condition,
                         std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
  }
  std::unique_ptr<test::BackgroundProcess> StartVxlink(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"/usr/bin/env"};
    for (const auto& [name, value] : Environment()) command.push_back(name + "=" + value);
    command.push_back(std::string(VX_BIN_DIR) + "/vxlink");
    command.insert(command.end(), arguments.begin(), arguments.end());
    return std::make_unique<test::BackgroundProcess>(command, folder_ / "vxlink-errors.txt");
  }
  // Reads vxlink's output up to the line `wanted`.
  static bool ReadUpTo(test::BackgroundProcess& run, const std::string& wanted) {
    while (const auto line = run.ReadLine(std::chrono::seconds(30))) {
      if (*line == wanted) return true;
    }
    return false;
  }
  std::string Errors() const {
    std::ifstream in(folder_ / "vxlink-errors.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  double Readings(const std::string& title) { return office_.Cell(title, "Sheet1", "F4").number; }

  static constexpr const char* kExtensionProtocol = "vnd.zemra.vxlink:";
  static constexpr const char* kWaiting =
      "Waiting for START on the toolbar \"Zemra K9-90/1 VX-Link\"";
  test::OfficeProbe& office_ = OfficeProbeOfTheProgram();

 private:
  static test::OfficeProbe& OfficeProbeOfTheProgram() {
    static auto* const probe =
        new test::OfficeProbe(test::TestOffice::Instance()->Options().pipeName);
    return *probe;
  }
};

TEST_F(ToolbarButtonsInCalc, StartPauseResumeAndStopDriveTheRunAndTheButtonsFollowIt) {
  ASSERT_EQ(Run("Load", {AddInPath()}).exitCode, 0);
  auto run = StartVxlink({"--wait", "--interval", "50", "--out", folder_ / "buttons.xlsx"});
  ASSERT_TRUE(ReadUpTo(*run, kWaiting)) << Errors();
  ASSERT_TRUE(office_.Listen("buttons", Commands(kExtensionProtocol)));
  // Waiting: START is the user's to press; PAUSE and STOP have no run to act on.
  EXPECT_EQ(States(kExtensionProtocol), "eeeeeeedd");
  EXPECT_EQ(office_.Cell("buttons", "Sheet1", "F4").kind, test::ProbedCell::Kind::Empty);

  // A press that the button's state refuses changes nothing, and says so.
  ASSERT_TRUE(office_.Press("buttons", Command(kExtensionProtocol, 8)));
  EXPECT_TRUE(Eventually([&] {
    return Errors().find("The button PAUSE is not available now.") != std::string::npos;
  }));
  EXPECT_EQ(States(kExtensionProtocol), "eeeeeeedd");

  // Without a display the other buttons before the run say what they would show.
  const std::vector<std::pair<int, std::string>> told{
      {1, "Zemra K9-90/1 VX-Link\nvxlink "},
      {2, "The connect form needs a display"},
      {3, "The workbook is saved to " + (folder_ / "buttons.xlsx")},
      {4, "set its function and range"},
      {6, "The run will draw no chart"}};
  for (const auto& button : told) {
    ASSERT_TRUE(office_.Press("buttons", Command(kExtensionProtocol, button.first)));
    EXPECT_TRUE(Eventually([&] { return Errors().find(button.second) != std::string::npos; }))
        << kButtons[button.first - 1].macro << ": " << Errors();
  }

  // Get Single Reading reads the meter once, outside a run: nothing is written.
  ASSERT_TRUE(office_.Press("buttons", Command(kExtensionProtocol, 5)));
  EXPECT_TRUE(Eventually([&] {
    return Errors().find("Reading of GPIB0::22::INSTR: ") != std::string::npos;
  })) << Errors();
  EXPECT_EQ(office_.Cell("buttons", "Sheet1", "B2").kind, test::ProbedCell::Kind::Empty);

  // START: the run begins, controls 2 to 6 are hidden while it goes.
  ASSERT_TRUE(office_.Press("buttons", Command(kExtensionProtocol, 7)));
  EXPECT_TRUE(ReadUpTo(*run, "Logging GPIB0::22::INSTR into " + (folder_ / "buttons.xlsx")));
  EXPECT_TRUE(StatesBecome(kExtensionProtocol, "ehhhhhdee")) << States(kExtensionProtocol);
  EXPECT_TRUE(Eventually([&] { return Readings("buttons") >= 5; }));

  // PAUSE: no more rows until START resumes the run.
  ASSERT_TRUE(office_.Press("buttons", Command(kExtensionProtocol, 8)));
  EXPECT_TRUE(StatesBecome(kExtensionProtocol, "ehhhhhede")) << States(kExtensionProtocol);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // a tick under way
  const double paused = Readings("buttons");
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(Readings("buttons"), paused);

  // A command the add-in has no macro for: a message, and the run as it was.
  ASSERT_TRUE(office_.Press("buttons", std::string(kExtensionProtocol) + "DmmNoSuchMacro"));
  EXPECT_TRUE(Eventually([&] {
    return Errors().find("has no macro \"DmmNoSuchMacro\"") != std::string::npos;
  })) << Errors();
  EXPECT_EQ(States(kExtensionProtocol), "ehhhhhede");
  EXPECT_EQ(Readings("buttons"), paused);

  ASSERT_TRUE(office_.Press("buttons", Command(kExtensionProtocol, 7)));
  EXPECT_TRUE(StatesBecome(kExtensionProtocol, "ehhhhhdee")) << States(kExtensionProtocol);
  EXPECT_TRUE(Eventually([&] { return Readings("buttons") >= paused + 5; }));

  // STOP ends the run: every button shown again, and none of START, PAUSE and STOP enabled.
  ASSERT_TRUE(office_.Press("buttons", Command(kExtensionProtocol, 9)));
  std::string rest;
  while (const auto line = run->ReadLine(std::chrono::seconds(30))) rest += *line + "\n";
  EXPECT_EQ(run->Stop(0), 0) << Errors();
  EXPECT_NE(rest.find("Saved "), std::string::npos) << rest;
  EXPECT_EQ(States(kExtensionProtocol), "eeeeeeddd");
  const double kept = Readings("buttons");
  EXPECT_GE(kept, paused + 5);
  EXPECT_EQ(
      office_.Cell("buttons", "Sheet1", "B" + std::to_string(static_cast<int>(kept) + 1)).kind,
      test::ProbedCell::Kind::Number);
  // vxlink has given the window back: nothing answers the add-in's commands there now.
  EXPECT_FALSE(office_.Press("buttons", Command(kExtensionProtocol, 7)));
  office_.Close("buttons");

  // The run drove the extension's toolbar and made no toolbar of its own.
  const test::ProcessResult removed = Run("Rescind");
  EXPECT_EQ(removed.out, "Deleted 0 toolbar(s), switched 1 add-in(s) off\n") << removed.err;
}

// Without the extension the engine's own toolbar stands in, its buttons carrying the host's
// command addresses, which vxlink answers the same way; a window closed before START ends the
// wait with a message.
TEST_F(ToolbarButtonsInCalc, TheEnginesOwnToolbarIsAnsweredTooAndAClosedWindowEndsTheWait) {
  const std::string protocol = "vnd.vxlink.macro:";
  auto run = StartVxlink({"--wait", "--interval", "50", "--out", folder_ / "own.xlsx"});
  ASSERT_TRUE(ReadUpTo(*run, kWaiting)) << Errors();
  const auto toolbar = office_.Toolbar("Zemra K9-90/1 VX-Link");
  ASSERT_TRUE(toolbar);
  ASSERT_EQ(toolbar->commands.size(), 9u);
  EXPECT_EQ(toolbar->commands[6], protocol + "DmmTimerStart");
  ASSERT_TRUE(office_.Listen("own", Commands(protocol)));
  EXPECT_EQ(States(protocol), "eeeeeeedd");

  ASSERT_TRUE(office_.Press("own", Command(protocol, 7)));
  EXPECT_TRUE(StatesBecome(protocol, "ehhhhhdee")) << States(protocol);
  EXPECT_TRUE(Eventually([&] { return Readings("own") >= 3; }));
  ASSERT_TRUE(office_.Press("own", Command(protocol, 9)));
  while (run->ReadLine(std::chrono::seconds(30))) {
  }
  EXPECT_EQ(run->Stop(0), 0) << Errors();
  EXPECT_EQ(States(protocol), "eeeeeeddd");
  office_.Close("own");

  // Ctrl-C ends a wait as it ends a run, with nothing logged.
  auto interrupted = StartVxlink({"--wait", "--out", folder_ / "interrupted.xlsx"});
  ASSERT_TRUE(ReadUpTo(*interrupted, kWaiting)) << Errors();
  EXPECT_EQ(interrupted->StopWithin(SIGINT, std::chrono::seconds(30)), 0) << Errors();
  EXPECT_NE(Errors().find("stopped before START was pressed; no run was made"), std::string::npos)
      << Errors();
  EXPECT_FALSE(fs::exists(folder_ / "interrupted.xlsx"));
  office_.Close("interrupted");

  auto waiting = StartVxlink({"--wait", "--out", folder_ / "closed.xlsx"});
  ASSERT_TRUE(ReadUpTo(*waiting, kWaiting)) << Errors();
  office_.Close("closed");
  const auto status = waiting->StopWithin(0, std::chrono::seconds(30));
  ASSERT_TRUE(status) << "vxlink went on waiting for a closed window";
  EXPECT_EQ(*status, 1) << Errors();
  EXPECT_NE(Errors().find("the logging workbook was closed before START was pressed"),
            std::string::npos)
      << Errors();
}

}  // namespace
}  // namespace vx
