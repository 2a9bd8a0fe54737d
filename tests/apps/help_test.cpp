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

const char* const kPrograms[] = {"VX_TOOL", "vxquery",    "vxrecord", "vxscan", "vxlink",
                                 "k9sim",   "vxregister", "Load",     "Rescind"};

TEST(ProgramHelp, EveryProgramPrintsItsUsageAndSucceeds) {
  for (const char* program : kPrograms) {
    const test::ProcessResult result =
        test::RunProcess({kBin + "/" + program, "--help"}, kBareTerminal);
    EXPECT_EQ(result.exitCode, 0) << program << ": " << result.err;
    EXPECT_EQ(result.out.rfind(std::string("usage: ") + program, 0), 0u)
        << program << " printed: " << result.out;
  }
}

TEST(ProgramHelp, EveryProgramAnswersVersion) {
  for (const char* program : kPrograms) {
    const test::ProcessResult result =
        test::RunProcess({kBin + "/" + program, "--version"}, kBareTerminal);
    EXPECT_EQ(result.exitCode, 0) << program << ": " << result.err;
    EXPECT_EQ(result.out, std::string(program) + " 3.3\n") << program;
  }
}

// An option no program knows is named as unknown, never taken for another's value, and every
// wrong command line ends with status 2 and the usage.
TEST(ProgramHelp, EveryProgramRefusesAnUnknownOptionWithStatusTwo) {
  for (const char* program : kPrograms) {
    const test::ProcessResult result =
        test::RunProcess({kBin + "/" + program, "--bogus"}, kBareTerminal);
    EXPECT_EQ(result.exitCode, 2) << program << ": " << result.err;
    EXPECT_EQ(result.err.rfind(std::string(program) + ": --bogus: unknown option\n\nusage: ", 0),
              0u)
        << program << ": " << result.err;
    EXPECT_EQ(result.out, "") << program;
  }
  const std::vector<std::vector<std::string>> wrong = {
      {"VX_TOOL", "extra"},
      {"Rescind", "extra"},
      {"vxquery"},
      {"vxquery", "query", "--repeat", "0", "A", "B"},
      {"vxquery", "list", "A", "B"},
      {"vxregister"},
      {"vxregister", "--registry"},
      {"k9sim", "--base-port", "70000", "x.ini"},
      {"vxscan", "--channels", "1=DCV", "--device"},
      {"vxlink", "--interval", "fast"},
      {"Load", "notes.txt"},
  };
  for (std::vector<std::string> command : wrong) {
    const std::string program = command[0];
    command[0] = kBin + "/" + program;
    const test::ProcessResult result = test::RunProcess(command, kBareTerminal);
    EXPECT_EQ(result.exitCode, 2) << command.back() << ": " << result.err;
  }
}

TEST(ProgramHelp, TheFrontPanelWithoutADisplaySaysSoInsteadOfAborting) {
  const test::ProcessResult result = test::RunProcess({kBin + "/VX_TOOL"}, kBareTerminal);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("needs a display"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace vx
