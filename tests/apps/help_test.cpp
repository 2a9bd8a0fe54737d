// What a user sees first: each program explains itself with --help, wherever it is started
// and with or without a display.

#include <gtest/gtest.h>

#include <string>

#include "process.h"

namespace vx {
namespace {

const std::string kBin = VX_BIN_DIR;

// No display and no Qt platform: --help must not need either.
const std::map<std::string, std::string> kBareTerminal = {
    {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};

TEST(ProgramHelp, EveryProgramPrintsItsUsageAndSucceeds) {
  for (const char* program : {"VX_TOOL", "vxquery", "vxrecord", "vxscan", "vxlink", "k9sim",
                              "vxregister", "Load", "Rescind"}) {
    const test::ProcessResult result =
        test::RunProcess({kBin + "/" + program, "--help"}, kBareTerminal);
    EXPECT_EQ(result.exitCode, 0) << program << ": " << result.err;
    EXPECT_EQ(result.out.rfind(std::string("usage: ") + program, 0), 0u)
        << program << " printed: " << result.out;
  }
}

TEST(ProgramHelp, TheFrontPanelWithoutADisplaySaysSoInsteadOfAborting) {
  const test::ProcessResult result = test::RunProcess({kBin + "/VX_TOOL"}, kBareTerminal);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("needs a display"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace vx
