#include <gtest/gtest.h>
#include <signal.h>

#include "common/stop_signals.h"

namespace vx {
namespace {

// Both signals must only raise the flag: an unhandled SIGTERM or SIGINT would end this test
// process instead of letting the program finish its run and save what it has.
TEST(StopSignals, InterruptAndTerminateRaiseTheFlagInsteadOfEndingTheProcess) {
  CatchStopSignals();
  for (int signal : {SIGINT, SIGTERM}) {
    StopRequestFlag() = false;
    ASSERT_EQ(raise(signal), 0);
    EXPECT_TRUE(StopRequestFlag().load()) << "signal " << signal;
  }
  StopRequestFlag() = false;
}

}  // namespace
}  // namespace vx
