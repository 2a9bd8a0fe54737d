// The VISA calls as programs see them, on simulated instruments.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "simulated_visa.h"
#include "visa/visa.h"
#include "visa/visa_config.h"
#include "visa_test_util.h"

namespace vx::visa {
namespace {

using test::SimulatedVisa;

using testing::Desc;
using testing::kGpib;
using testing::kUsb;

class VisaLibraryTest : public testing::SimulatedManagerTest {
 protected:
  VisaLibraryTest()
      : SimulatedManagerTest(
            {SimulatedVisa::UsbMeter("TW00012345"), SimulatedVisa::GpibMeter(22),
             SimulatedVisa::OtherInstrument("GPIB0::5::INSTR", "ACME,SCOPE,1,1")}) {}

  std::vector<std::string> Find(const char* expression, ViStatus* status = nullptr) {
    std::vector<std::string> found;
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char descriptor[VI_FIND_BUFLEN];
    const ViStatus s = viFindRsrc(rm_, expression, &list, &count, descriptor);
    if (status) *status = s;
    if (s < VI_SUCCESS) return found;
    found.push_back(descriptor);
    while (viFindNext(list, descriptor) == VI_SUCCESS) found.push_back(descriptor);
    EXPECT_EQ(found.size(), count);
    viClose(list);
    return found;
  }
};

TEST_F(VisaLibraryTest, SearchesListWhatMatchesInOrder) {
  EXPECT_EQ(Find("USB[0-9]?*INSTR"), (std::vector<std::string>{kUsb}));
  EXPECT_EQ(Find("GPIB[0-9]?*INSTR"), (std::vector<std::string>{kGpib, "GPIB0::5::INSTR"}));
  EXPECT_EQ(Find("?*INSTR").size(), 3u);
}

TEST_F(VisaLibraryTest, AnEmptySearchFailsAndAnInvalidOneSaysWhy) {
  ViStatus status = VI_SUCCESS;
  EXPECT_TRUE(Find("ASRL?*", &status).empty());
  EXPECT_EQ(status, VI_ERROR_RSRC_NFOUND);
  status = VI_SUCCESS;
  Find("(USB", &status);
  EXPECT_EQ(status, VI_ERROR_INV_EXPR);
  EXPECT_NE(Desc(rm_, VI_ERROR_INV_EXPR).find("missing \")\""), std::string::npos);
  // The out values are reset even on failure.
  ViFindList list = 123;
  ViUInt32 count = 9;
  char descriptor[VI_FIND_BUFLEN] = "stale";
  EXPECT_EQ(viFindRsrc(rm_, "TCPIP?*", &list, &count, descriptor), VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(list, VI_NULL);
  EXPECT_EQ(count, 0u);
  EXPECT_STREQ(descriptor, "");
}

TEST_F(VisaLibraryTest, AQueryReadsItsAnswer) {
  const ViSession session = Open(kUsb);
  EXPECT_EQ(viPrintf(session, "%s", "*IDN?\n"), VI_SUCCESS);
  unsigned char buffer[256];
  ViUInt32 count = 0;
  EXPECT_EQ(viRead(session, buffer, sizeof buffer, &count), VI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count),
            "TOLVEX,W9-90/1,TW00012345,Q7110 1.05\n");
  viClose(session);
}

TEST_F(VisaLibraryTest, AFullBufferSaysMoreMayFollowButAnExactFitEnds) {
  const ViSession session = Open(kUsb);
  const char* identity = "TOLVEX,W9-90/1,TW00012345,Q7110 1.05\n";  // 38 bytes
  const ViUInt32 length = static_cast<ViUInt32>(std::strlen(identity));
  unsigned char buffer[64];
  ViUInt32 count = 0;

  viPrintf(session, "*IDN?\n");
  EXPECT_EQ(viRead(session, buffer, 10, &count), VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(count, 10u);
  EXPECT_EQ(viRead(session, buffer, sizeof buffer, &count), VI_SUCCESS);
  EXPECT_EQ(count, length - 10);

  viPrintf(session, "*IDN?\n");
  EXPECT_EQ(viRead(session, buffer, length, &count), VI_SUCCESS);
  EXPECT_EQ(count, length);
  viClose(session);
}

TEST_F(VisaLibraryTest, ANonAnsweringInstrumentTimesOutAfterItsTimeOut) {
  const ViSession session = Open(kGpib);
  EXPECT_EQ(viSetAttribute(session, VI_ATTR_TMO_VALUE, 20000), VI_SUCCESS);
  ViUInt32 timeout = 0;
  EXPECT_EQ(viGetAttribute(session, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
  EXPECT_EQ(timeout, 20000u);
  const auto before = visa_.Clock().Steady();
  unsigned char buffer[16];
  ViUInt32 count = 7;
  EXPECT_EQ(viRead(session, buffer, sizeof buffer, &count), VI_ERROR_TMO);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(visa_.Clock().Steady() - before, std::chrono::milliseconds(20000));
  EXPECT_NE(Desc(session, VI_ERROR_TMO).find("time-out"), std::string::npos);
  viClose(session);
}

TEST_F(VisaLibraryTest, SessionAttributesDescribeTheResource) {
  const ViSession session = Open("gpib::22");
  char name[VI_FIND_BUFLEN] = {};
  EXPECT_EQ(viGetAttribute(session, VI_ATTR_RSRC_NAME, name), VI_SUCCESS);
  EXPECT_STREQ(name, "gpib::22");
  ViUInt16 type = 0;
  EXPECT_EQ(viGetAttribute(session, VI_ATTR_INTF_TYPE, &type), VI_SUCCESS);
  EXPECT_EQ(type, VI_INTF_GPIB);
  ViSession manager = VI_NULL;
  EXPECT_EQ(viGetAttribute(session, VI_ATTR_RM_SESSION, &manager), VI_SUCCESS);
  EXPECT_EQ(manager, rm_);
  EXPECT_EQ(viSetAttribute(session, VI_ATTR_RSRC_NAME, 0), VI_ERROR_ATTR_READONLY);
  EXPECT_EQ(viSetAttribute(session, 0x3FFF0000u, 1), VI_ERROR_NSUP_ATTR);
  EXPECT_EQ(viGetAttribute(rm_, VI_ATTR_TMO_VALUE, &manager), VI_ERROR_NSUP_ATTR);
  viClose(session);
}

TEST_F(VisaLibraryTest, OpeningRefusesBadNamesAndAbsentResources) {
  ViSession session = 77;
  EXPECT_EQ(viOpen(rm_, "GPIB0::99::INSTR", VI_NO_LOCK, 0, &session), VI_ERROR_INV_RSRC_NAME);
  EXPECT_EQ(session, VI_NULL);
  EXPECT_NE(Desc(rm_, VI_ERROR_INV_RSRC_NAME).find("0 to 30"), std::string::npos);
  EXPECT_EQ(viOpen(rm_, "VXI0::1::INSTR", VI_NO_LOCK, 0, &session), VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(Desc(rm_, VI_ERROR_RSRC_NFOUND).find("VXI0::1::INSTR"), std::string::npos);
  EXPECT_EQ(viOpen(rm_, nullptr, VI_NO_LOCK, 0, &session), VI_ERROR_INV_RSRC_NAME);
  EXPECT_EQ(viOpen(rm_, kUsb, 0x80, 0, &session), VI_ERROR_INV_ACC_MODE);
  EXPECT_EQ(viOpen(12345, kUsb, VI_NO_LOCK, 0, &session), VI_ERROR_INV_OBJECT);
}

TEST_F(VisaLibraryTest, ClosingTheManagerClosesItsSessionsAndHandlesAreNotReused) {
  ViSession other = VI_NULL;
  ASSERT_EQ(viOpenDefaultRM(&other), VI_SUCCESS);
  ViSession session = VI_NULL;
  ASSERT_EQ(viOpen(other, kUsb, VI_NO_LOCK, 0, &session), VI_SUCCESS);
  const ViSession kept = Open(kGpib);
  EXPECT_EQ(viClose(other), VI_SUCCESS);
  EXPECT_EQ(viPrintf(session, "*IDN?\n"), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(viClose(session), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(viPrintf(kept, "*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(viClose(VI_NULL), VI_WARN_NULL_OBJECT);
  ViSession fresh = VI_NULL;
  ASSERT_EQ(viOpenDefaultRM(&fresh), VI_SUCCESS);
  EXPECT_NE(fresh, other);
  EXPECT_NE(fresh, session);
  viClose(fresh);
}

TEST_F(VisaLibraryTest, TheLibraryCannotBeReconfiguredWhileInUse) {
  VisaConfig config;
  config.hardwareBackends = false;
  EXPECT_EQ(ConfigureVisa(config), VI_ERROR_RSRC_BUSY);
  // The instruments are still there.
  EXPECT_EQ(Find("USB?*").size(), 1u);
}

TEST_F(VisaLibraryTest, StatusTextsCoverEveryStatusAndAdmitUnknownOnes) {
  for (const ViStatus status : {VI_SUCCESS,
                                VI_SUCCESS_MAX_CNT,
                                VI_WARN_NULL_OBJECT,
                                VI_ERROR_INV_OBJECT,
                                VI_ERROR_INV_EXPR,
                                VI_ERROR_RSRC_NFOUND,
                                VI_ERROR_INV_RSRC_NAME,
                                VI_ERROR_INV_ACC_MODE,
                                VI_ERROR_TMO,
                                VI_ERROR_NSUP_ATTR,
                                VI_ERROR_NSUP_ATTR_STATE,
                                VI_ERROR_ATTR_READONLY,
                                VI_ERROR_NSUP_OPER,
                                VI_ERROR_USER_BUF,
                                VI_ERROR_RSRC_BUSY,
                                VI_ERROR_INV_PARAMETER,
                                VI_ERROR_LIBRARY_NFOUND,
                                VI_ERROR_CONN_LOST,
                                VI_ERROR_NPERMISSION,
                                VI_ERROR_IO,
                                VI_ERROR_NLISTENERS}) {
    char text[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viStatusDesc(VI_NULL, status, text), VI_SUCCESS) << status;
    EXPECT_GT(std::strlen(text), 10u) << status;
  }
  char text[VI_FIND_BUFLEN] = {};
  EXPECT_EQ(viStatusDesc(VI_NULL, static_cast<ViStatus>(0xBFFF7777u), text),
            VI_WARN_UNKNOWN_STATUS);
  EXPECT_STREQ(text, "Unknown status code 0xBFFF7777.");
}

TEST_F(VisaLibraryTest, PrintfWritesInTheCLocale) {
  const ViSession session = Open(kUsb);
  EXPECT_EQ(viPrintf(session, "SENS:VOLT:DC:RANGE %.12f\n", 10.0), VI_SUCCESS);
  EXPECT_EQ(viPrintf(session, "SENS:VOLT:DC:RANGE?\n"), VI_SUCCESS);
  unsigned char buffer[64];
  ViUInt32 count = 0;
  EXPECT_EQ(viRead(session, buffer, sizeof buffer, &count), VI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "+1.00000000E+01\n");
  viClose(session);
}

TEST(VisaLibrary, ALostConnectionIsReportedAsSuch) {
  auto meter = SimulatedVisa::UsbMeter("LOST");
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.lostAfterCommands = 1;
  SimulatedVisa visa({meter});
  ViSession rm = VI_NULL;
  ViSession session = VI_NULL;
  viOpenDefaultRM(&rm);
  ASSERT_EQ(viOpen(rm, meter.descriptor.c_str(), VI_NO_LOCK, 0, &session), VI_SUCCESS);
  EXPECT_EQ(viPrintf(session, "L0\n"), VI_SUCCESS);
  EXPECT_EQ(viPrintf(session, "*IDN?\n"), VI_ERROR_CONN_LOST);
  unsigned char buffer[8];
  EXPECT_EQ(viRead(session, buffer, sizeof buffer, nullptr), VI_ERROR_CONN_LOST);
  EXPECT_EQ(viClear(session), VI_ERROR_CONN_LOST);
  EXPECT_NE(Desc(session, VI_ERROR_CONN_LOST).find("dropped"), std::string::npos);
  viClose(rm);
}

TEST(VisaLibrary, AliasesAreFoundAndOpenedLikeTheResourceTheyName) {
  SimulatedVisa visa({SimulatedVisa::GpibMeter(9)},
                     {{"USB0::0x1F3A::0x0C21::BEHIND::INSTR", "GPIB0::9::INSTR"},
                      {"not a descriptor", "GPIB0::9::INSTR"}});
  ViSession rm = VI_NULL;
  viOpenDefaultRM(&rm);
  char descriptor[VI_FIND_BUFLEN];
  ViUInt32 count = 0;
  ASSERT_EQ(viFindRsrc(rm, "USB?*INSTR", nullptr, &count, descriptor), VI_SUCCESS);
  EXPECT_STREQ(descriptor, "USB0::0x1F3A::0x0C21::BEHIND::INSTR");
  ViSession session = VI_NULL;
  ASSERT_EQ(viOpen(rm, descriptor, VI_NO_LOCK, 0, &session), VI_SUCCESS);
  viPrintf(session, "*IDN?\n");
  unsigned char buffer[64];
  ViUInt32 read = 0;
  EXPECT_EQ(viRead(session, buffer, sizeof buffer, &read), VI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), read), "TOLVEX,W9-90/1,TW0009,1.02\n");
  // The bad entry is reported when a search finds nothing.
  EXPECT_EQ(viFindRsrc(rm, "ASRL?*", nullptr, nullptr, descriptor), VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(Desc(rm, VI_ERROR_RSRC_NFOUND).find("not a descriptor"), std::string::npos);
  viClose(rm);
}

}  // namespace
}  // namespace vx::visa
