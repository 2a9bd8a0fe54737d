// Which backend opens a resource when a vendor's VISA library is present beside this
// machine's own interfaces: the one whose search listed it, and for a resource no search
// listed, each in a fixed order until one finds it.

#include <string>
#include <vector>

#include "usbtmc_fixture.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace vx::visa {
namespace {

constexpr const char* kNative = "USB0::0x1F3A::0x0C21::TW1::INSTR";
constexpr const char* kVendorOwn = "USB0::0x1234::0x5678::FAKE::INSTR";

class VisaRoutingTest : public UsbTmcFixture {
 protected:
  void SetUp() override {
    UsbTmcFixture::SetUp();
    AddInstrument(0, "1f3a", "0c21", "TW1");
    Preload(0, "from the native backend\n");
    VisaConfig config;
    config.vendorLibrary = VX_FAKE_VENDOR_VISA_LIBRARY;
    config.usbtmcClassDir = classDir_.string();
    config.deviceDir = deviceDir_.string();
    config.gpibLibrary = "/nonexistent/libgpib.so.0";
    ASSERT_EQ(ConfigureVisa(config), VI_SUCCESS);
    ASSERT_EQ(viOpenDefaultRM(&rm_), VI_SUCCESS);
  }
  void TearDown() override {
    viClose(rm_);
    VisaConfig none;
    none.vendorLibrary.clear();
    none.hardwareBackends = false;
    ConfigureVisa(none);
    UsbTmcFixture::TearDown();
  }

  std::vector<std::string> Search(const char* expression) {
    std::vector<std::string> found;
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char descriptor[VI_FIND_BUFLEN] = {};
    if (viFindRsrc(rm_, expression, &list, &count, descriptor) < VI_SUCCESS) return found;
    found.push_back(descriptor);
    while (viFindNext(list, descriptor) == VI_SUCCESS) found.push_back(descriptor);
    viClose(list);
    return found;
  }

  std::string FirstAnswer(const char* descriptor) {
    ViSession session = VI_NULL;
    const ViStatus status = viOpen(rm_, descriptor, VI_NO_LOCK, 0, &session);
    EXPECT_EQ(status, VI_SUCCESS) << descriptor << ": " << Text(rm_, status);
    if (status < VI_SUCCESS) return {};
    if (std::string(descriptor) == kVendorOwn) viPrintf(session, "*IDN?\n");
    unsigned char answer[64] = {};
    ViUInt32 count = 0;
    viRead(session, answer, sizeof answer, &count);
    viClose(session);
    return std::string(reinterpret_cast<char*>(answer), count);
  }

  static std::string Text(ViObject object, ViStatus status) {
    char text[VI_FIND_BUFLEN] = {};
    viStatusDesc(object, status, text);
    return text;
  }

  ViSession rm_ = VI_NULL;
};

TEST_F(VisaRoutingTest, AListedInstrumentOpensWithTheBackendThatListedIt) {
  EXPECT_EQ(Search("USB?*INSTR"), (std::vector<std::string>{kNative, kVendorOwn}));
  EXPECT_EQ(FirstAnswer(kNative), "from the native backend\n");
  EXPECT_EQ(FirstAnswer(kVendorOwn), "FAKE VENDOR,VISA METER,0,2.0\n");
}

TEST_F(VisaRoutingTest, AnUnlistedDescriptorFallsThroughToTheNextBackendOnNotFound) {
  // No search has run: the native backend comes first, the vendor's after it.
  EXPECT_EQ(FirstAnswer(kNative), "from the native backend\n");
  EXPECT_EQ(FirstAnswer(kVendorOwn), "FAKE VENDOR,VISA METER,0,2.0\n");
  // Found by none: the words say what each backend answered.
  ViSession session = VI_NULL;
  EXPECT_EQ(viOpen(rm_, "USB0::0x1F3A::0x0C21::NOBODY::INSTR", VI_NO_LOCK, 0, &session),
            VI_ERROR_RSRC_NFOUND);
  const std::string text = Text(rm_, VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(text.find("USB-TMC"), std::string::npos) << text;
  EXPECT_NE(text.find("vendor VISA"), std::string::npos) << text;
}

TEST_F(VisaRoutingTest, ASocketNoNativeBackendReachesGoesToTheVendorAndReadsEndAlike) {
  // Nothing listens on port 1: the TCP socket backend finds nothing, the vendor opens it.
  ViSession session = VI_NULL;
  ASSERT_EQ(viOpen(rm_, "TCPIP0::127.0.0.1::1::SOCKET", VI_NO_LOCK, 0, &session), VI_SUCCESS)
      << Text(rm_, VI_ERROR_RSRC_NFOUND);
  unsigned char answer[64] = {};
  ViUInt32 count = 0;
  // The vendor ends the read at the line feed with VI_SUCCESS_TERM_CHAR; a caller that did not
  // ask for the termination character sees the end of the message as on every transport.
  viPrintf(session, "*IDN?\n");
  EXPECT_EQ(viRead(session, answer, sizeof answer, &count), VI_SUCCESS);
  ASSERT_EQ(viSetAttribute(session, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
  viPrintf(session, "*IDN?\n");
  EXPECT_EQ(viRead(session, answer, sizeof answer, &count), VI_SUCCESS_TERM_CHAR);
  viClose(session);
}

}  // namespace
}  // namespace vx::visa
