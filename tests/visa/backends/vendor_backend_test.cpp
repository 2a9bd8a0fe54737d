// The vendor VISA passthrough against a fake vendor library loaded by path
// (fake_vendor_visa.c).

#include <string>

#include <gtest/gtest.h>

#include "visa/backends.h"
#include "visa/backends/shared_library.h"

namespace vx::visa {
namespace {

constexpr const char* kInstrument = "USB0::0x1234::0x5678::FAKE::INSTR";
// Statuses of the fake vendor's own, which this library does not know.
constexpr ViStatus kVendorError = static_cast<ViStatus>(0xBFFF0F00u);
constexpr ViStatus kVendorWarning = 0x3FFF0F01;

class VendorBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(fake_.Load(VX_FAKE_VENDOR_VISA_LIBRARY, error)) << error;
    ASSERT_TRUE(fake_.Resolve("fake_visa_reset", reset_));
    ASSERT_TRUE(fake_.Resolve("fake_visa_open_objects", openObjects_));
    ASSERT_TRUE(fake_.Resolve("fake_visa_timeout", timeout_));
    ASSERT_TRUE(fake_.Resolve("fake_visa_termchar", termChar_));
    ASSERT_TRUE(fake_.Resolve("fake_visa_last_expression", lastExpression_));
    reset_();
    backend_ = MakeVendorBackend(VX_FAKE_VENDOR_VISA_LIBRARY);
  }

  ViStatus Open(const std::string& descriptor, std::unique_ptr<Session>& session,
                ViUInt32 timeoutMs = 2000) {
    return backend_->Open(*ParseResourceName(descriptor), descriptor, timeoutMs, session);
  }

  static std::pair<ViStatus, std::string> Query(Session& session, std::string_view command,
                                                size_t capacity = 256) {
    size_t written = 0;
    const ViStatus writeStatus = session.Write(command.data(), command.size(), written);
    if (writeStatus != VI_SUCCESS) return {writeStatus, {}};
    EXPECT_EQ(written, command.size());
    std::string buffer(capacity, '\0');
    size_t received = 0;
    const ViStatus status = session.Read(buffer.data(), capacity, received);
    buffer.resize(received);
    return {status, buffer};
  }

  SharedLibrary fake_;
  void (*reset_)() = nullptr;
  int (*openObjects_)() = nullptr;
  std::uint64_t (*timeout_)() = nullptr;
  std::uint64_t (*termChar_)() = nullptr;
  const char* (*lastExpression_)() = nullptr;
  std::unique_ptr<Backend> backend_;
};

TEST_F(VendorBackendTest, SearchPassesTheExpressionAndKeepsOnlyMatches) {
  std::vector<std::string> found;
  EXPECT_EQ(backend_->Find(*MatchExpression::Compile("USB?*INSTR"), found), VI_SUCCESS);
  EXPECT_STREQ(lastExpression_(), "USB?*INSTR");
  // The vendor listed a serial port too; our expression rules it out.
  EXPECT_EQ(found, std::vector<std::string>{kInstrument});

  // It claims what it listed and every USB, GPIB and LAN resource, but not unknown others.
  EXPECT_FALSE(backend_->Claims(*ParseResourceName("ASRL1::INSTR"), "ASRL1::INSTR"));
  found.clear();
  EXPECT_EQ(backend_->Find(*MatchExpression::Compile("?*"), found), VI_SUCCESS);
  EXPECT_EQ(found.size(), 2u);
  EXPECT_TRUE(backend_->Claims(*ParseResourceName("ASRL1::INSTR"), "asrl1::instr"));
  EXPECT_FALSE(backend_->Claims(*ParseResourceName("ASRL2::INSTR"), "ASRL2::INSTR"));
  EXPECT_TRUE(backend_->Claims(*ParseResourceName("GPIB0::3::INSTR"), "GPIB0::3::INSTR"));
  EXPECT_TRUE(backend_->Claims(*ParseResourceName("USB0::1::2::X::INSTR"), ""));
}

TEST_F(VendorBackendTest, SessionsPassThroughAndStatusesComeBackUnchanged) {
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(kInstrument, session, 1500), VI_SUCCESS) << backend_->Diagnostic();
  EXPECT_EQ(timeout_(), 1500u);
  EXPECT_EQ(Query(*session, "*IDN?\n"),
            std::make_pair(VI_SUCCESS, std::string("FAKE VENDOR,VISA METER,0,2.0\n")));
  EXPECT_EQ(Query(*session, "*IDN?\n", 4), std::make_pair(VI_SUCCESS_MAX_CNT, std::string("FAKE")));
  EXPECT_EQ(session->Clear(), VI_SUCCESS);

  EXPECT_EQ(Query(*session, "WARN?\n"), std::make_pair(kVendorWarning, std::string("W\n")));
  EXPECT_EQ(Query(*session, "FAIL\n").first, kVendorError);
  EXPECT_NE(session->Detail().find("refused politely"), std::string::npos) << session->Detail();
  EXPECT_EQ(backend_->DescribeStatus(kVendorError), "FAKE: the instrument refused politely");

  EXPECT_EQ(session->SetTimeout(30000), VI_SUCCESS);
  EXPECT_EQ(timeout_(), 30000u);
  EXPECT_EQ(session->Timeout(), 30000u);
}

TEST_F(VendorBackendTest, SocketSessionsEndReadsAtTheTerminationCharacter) {
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open("TCPIP0::192.0.2.1::5025::SOCKET", session), VI_SUCCESS);
  EXPECT_EQ(termChar_(), static_cast<std::uint64_t>('\n'));
  session->SetTermChar('\r');
  Query(*session, "*IDN?\n");
  EXPECT_EQ(termChar_(), static_cast<std::uint64_t>('\r'));
}

TEST_F(VendorBackendTest, FailedOpenPassesTheVendorStatusAndCloseReleasesEverything) {
  std::unique_ptr<Session> session;
  EXPECT_EQ(Open("USB0::0x1234::0x5678::OTHER::INSTR", session), VI_ERROR_RSRC_NFOUND);
  EXPECT_FALSE(session);
  EXPECT_NE(backend_->Diagnostic().find("FAKE: no such resource"), std::string::npos)
      << backend_->Diagnostic();

  ASSERT_EQ(Open(kInstrument, session), VI_SUCCESS);
  EXPECT_EQ(openObjects_(), 2);  // the resource manager and the session
  session.reset();
  EXPECT_EQ(openObjects_(), 1);
  backend_.reset();
  EXPECT_EQ(openObjects_(), 0);
}

TEST_F(VendorBackendTest, MissingLibraryFindsNothingAndSaysWhy) {
  auto missing = MakeVendorBackend("/nonexistent/libvisa.so");
  std::vector<std::string> found;
  EXPECT_EQ(missing->Find(*MatchExpression::Compile("?*"), found), VI_ERROR_LIBRARY_NFOUND);
  EXPECT_TRUE(found.empty());
  EXPECT_NE(missing->Diagnostic().find("/nonexistent/libvisa.so"), std::string::npos)
      << missing->Diagnostic();
  EXPECT_FALSE(missing->Claims(*ParseResourceName(kInstrument), kInstrument));
  std::unique_ptr<Session> session;
  EXPECT_EQ(missing->Open(*ParseResourceName(kInstrument), kInstrument, 2000, session),
            VI_ERROR_LIBRARY_NFOUND);
  EXPECT_EQ(missing->DescribeStatus(kVendorError), "");

  // A library that is not a VISA library.
  auto wrong = MakeVendorBackend(VX_FAKE_GPIB_LIBRARY);
  EXPECT_EQ(wrong->Find(*MatchExpression::Compile("?*"), found), VI_ERROR_LIBRARY_NFOUND);
  EXPECT_NE(wrong->Diagnostic().find("viOpenDefaultRM"), std::string::npos) << wrong->Diagnostic();
}

}  // namespace
}  // namespace vx::visa
