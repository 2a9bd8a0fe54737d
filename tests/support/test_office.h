#pragma once
// A headless LibreOffice for one test program: started once, before the first test, with a
// profile and a pipe of its own, and ended with its whole process group when the program
// ends, however it ends (a watchdog in the group ends it when the program has gone). The
// code under test, and the programs the tests run, reach it through VX_CALC_PIPE and
// VX_CALC_PROFILE.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <com/sun/star/uno/XComponentContext.hpp>
#include "automation/calc/office_process.h"

#include "automation/calc/uno_support.h"

namespace vx::test {

class TestOffice : public ::testing::Environment {
 public:
  // The program's office; register it once with ::testing::AddGlobalTestEnvironment.
  static TestOffice* Instance();

  void SetUp() override;
  void TearDown() override;

  const automation::calc::OfficeOptions& Options() const { return options_; }
  // Kills the office's processes at once, as a crash or a user would.
  void Kill();
  // Starts it again after a kill.
  void Restart();
  bool Running() const { return process_ != nullptr; }

 private:
  TestOffice() = default;
  void Start();

  automation::calc::OfficeOptions options_;
  std::unique_ptr<automation::calc::OfficeProcess> process_;
  std::string folder_;
};

// The component context of the office on `pipeName`, over the process's one bridge to it:
// waits while the office is still starting or has just dropped a bridge, up to the start
// time-out; null when it never answers.
automation::calc::Reference<automation::calc::css::uno::XComponentContext> OfficeContext(
    const std::string& pipeName);

}  // namespace vx::test
