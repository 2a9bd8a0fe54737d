#pragma once
// What the VISA library tests share: the two simulated meters' descriptors, a status's
// text, and a resource manager over simulated instruments.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "simulated_visa.h"
#include "visa/visa.h"

namespace vx::visa::testing {

inline const char* const kUsb = "USB0::0x1F3A::0x0C21::TW00012345::INSTR";
inline const char* const kGpib = "GPIB0::22::INSTR";

inline std::string Desc(ViObject object, ViStatus status) {
  char text[VI_FIND_BUFLEN] = {};
  viStatusDesc(object, status, text);
  return text;
}

// A fixture with the default resource manager open over `meters` (and `aliases`).
class SimulatedManagerTest : public ::testing::Test {
 protected:
  explicit SimulatedManagerTest(std::vector<sim::MeterConfig> meters,
                                std::vector<AliasEntry> aliases = {})
      : visa_(std::move(meters), std::move(aliases)) {
    EXPECT_EQ(viOpenDefaultRM(&rm_), VI_SUCCESS);
  }
  ~SimulatedManagerTest() override { viClose(rm_); }

  ViSession Open(const char* descriptor, ViAccessMode mode = VI_NO_LOCK,
                 ViStatus expected = VI_SUCCESS) {
    ViSession session = VI_NULL;
    EXPECT_EQ(viOpen(rm_, descriptor, mode, 0, &session), expected) << descriptor;
    return session;
  }

  test::SimulatedVisa visa_;
  ViSession rm_ = VI_NULL;
};

}  // namespace vx::visa::testing
