// The GPIB backend against a fake linux-gpib library loaded by path (fake_gpib.c): one
// instrument at primary address 22 on board 0.

#include <string>

#include <gtest/gtest.h>

#include "visa/backends.h"
#include "visa/backends/gpib_timeout.h"
#include "visa/backends/shared_library.h"

namespace vx::visa {
namespace {

constexpr const char* kInstrument = "GPIB0::22::INSTR";

// T* codes from linux-gpib's documentation.
constexpr int T10us = 1, T1ms = 5, T3ms = 6, T100ms = 9, T300ms = 10, T3s = 12, T1000s = 17;

class GpibBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(fake_.Load(VX_FAKE_GPIB_LIBRARY, error)) << error;
    ASSERT_TRUE(fake_.Resolve("fake_gpib_reset", reset_));
    ASSERT_TRUE(fake_.Resolve("fake_gpib_set_present", setPresent_));
    ASSERT_TRUE(fake_.Resolve("fake_gpib_set_board_online", setBoardOnline_));
    ASSERT_TRUE(fake_.Resolve("fake_gpib_open_devices", openDevices_));
    ASSERT_TRUE(fake_.Resolve("fake_gpib_timeout_code", timeoutCode_));
    ASSERT_TRUE(fake_.Resolve("fake_gpib_secondary_address", secondaryAddress_));
    reset_();
    backend_ = MakeGpibBackend(VX_FAKE_GPIB_LIBRARY);
  }

  ViStatus Open(const std::string& descriptor, std::unique_ptr<Session>& session,
                ViUInt32 timeoutMs = 2000) {
    return backend_->Open(*ParseResourceName(descriptor), descriptor, timeoutMs, session);
  }

  static ViStatus Write(Session& session, std::string_view text) {
    size_t written = 0;
    return session.Write(text.data(), text.size(), written);
  }

  static std::pair<ViStatus, std::string> Read(Session& session, size_t capacity) {
    std::string buffer(capacity, '\0');
    size_t received = 0;
    const ViStatus status = session.Read(buffer.data(), capacity, received);
    buffer.resize(received);
    return {status, buffer};
  }

  SharedLibrary fake_;
  void (*reset_)() = nullptr;
  void (*setPresent_)(int) = nullptr;
  void (*setBoardOnline_)(int) = nullptr;
  int (*openDevices_)() = nullptr;
  int (*timeoutCode_)() = nullptr;
  int (*secondaryAddress_)() = nullptr;
  std::unique_ptr<Backend> backend_;
};

TEST_F(GpibBackendTest, SearchListsTheListenersOnBoardZero) {
  std::vector<std::string> found;
  EXPECT_EQ(backend_->Find(*MatchExpression::Compile("GPIB?*INSTR"), found), VI_SUCCESS);
  EXPECT_EQ(found, std::vector<std::string>{kInstrument});
  found.clear();
  EXPECT_EQ(backend_->Find(*MatchExpression::Compile("GPIB0::2::INSTR"), found), VI_SUCCESS);
  EXPECT_TRUE(found.empty());
  EXPECT_TRUE(backend_->Claims(*ParseResourceName(kInstrument), kInstrument));
  EXPECT_FALSE(backend_->Claims(*ParseResourceName("USB0::1::2::S::INSTR"), ""));
}

TEST_F(GpibBackendTest, BoardOffLineFindsNothingAndSaysWhy) {
  setBoardOnline_(0);
  std::vector<std::string> found;
  EXPECT_EQ(backend_->Find(*MatchExpression::Compile("?*"), found), VI_ERROR_INTF_NUM_NCONFIG);
  EXPECT_TRUE(found.empty());
  EXPECT_NE(backend_->Diagnostic().find("ENEB"), std::string::npos) << backend_->Diagnostic();
  std::unique_ptr<Session> session;
  EXPECT_EQ(Open(kInstrument, session), VI_ERROR_INTF_NUM_NCONFIG);
  EXPECT_FALSE(session);
}

TEST_F(GpibBackendTest, QueryAndMessageEnds) {
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(kInstrument, session), VI_SUCCESS) << backend_->Diagnostic();
  ASSERT_EQ(Write(*session, "*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 256),
            std::make_pair(VI_SUCCESS, std::string("FAKE INSTRUMENTS,GPIB METER,22,1.0\n")));

  // Without END the buffer's end is not the message's end; with END it is, even when full.
  ASSERT_EQ(Write(*session, "*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 16),
            std::make_pair(VI_SUCCESS_MAX_CNT, std::string("FAKE INSTRUMENTS")));
  EXPECT_EQ(Read(*session, 19), std::make_pair(VI_SUCCESS, std::string(",GPIB METER,22,1.0\n")));
}

TEST_F(GpibBackendTest, TimeOutsAndMissingListenersMapToTheirStatuses) {
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(kInstrument, session), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 64), std::make_pair(VI_ERROR_TMO, std::string()));
  EXPECT_FALSE(session->Detail().empty());
  ASSERT_EQ(Write(*session, "HALF?\n"), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 64), std::make_pair(VI_ERROR_TMO, std::string("+1.25")));

  setPresent_(0);
  EXPECT_EQ(Write(*session, "*IDN?\n"), VI_ERROR_NLISTENERS);
  EXPECT_NE(session->Detail().find("ENOL"), std::string::npos) << session->Detail();
}

TEST_F(GpibBackendTest, OpenChecksForAListenerAndCloseReleasesTheDescriptor) {
  std::unique_ptr<Session> session;
  EXPECT_EQ(Open("GPIB0::5::INSTR", session), VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(backend_->Diagnostic().find("GPIB0::5::INSTR"), std::string::npos);
  EXPECT_FALSE(session);
  EXPECT_EQ(openDevices_(), 0);

  ASSERT_EQ(Open(kInstrument, session), VI_SUCCESS);
  EXPECT_EQ(openDevices_(), 1);
  session.reset();
  EXPECT_EQ(openDevices_(), 0);

  // Secondary addresses go to linux-gpib as bus codes (96 + address).
  ASSERT_EQ(Open("GPIB0::22::3::INSTR", session), VI_SUCCESS) << backend_->Diagnostic();
  EXPECT_EQ(secondaryAddress_(), 0x63);
  session.reset();
  EXPECT_EQ(Open("GPIB0::22::4::INSTR", session), VI_ERROR_RSRC_NFOUND);
}

TEST_F(GpibBackendTest, TimeOutCodesAreNeverShorterThanTheTimeOut) {
  EXPECT_EQ(GpibTimeoutCode(0), T10us);
  EXPECT_EQ(GpibTimeoutCode(1), T1ms);
  EXPECT_EQ(GpibTimeoutCode(2), T3ms);
  EXPECT_EQ(GpibTimeoutCode(100), T100ms);
  EXPECT_EQ(GpibTimeoutCode(101), T300ms);
  EXPECT_EQ(GpibTimeoutCode(2000), T3s);
  EXPECT_EQ(GpibTimeoutCode(1000000), T1000s);
  EXPECT_EQ(GpibTimeoutCode(1000001), kGpibTimeoutNone);
  EXPECT_EQ(GpibTimeoutCode(VI_TMO_INFINITE), kGpibTimeoutNone);

  // The codes reach the library when opening and when the time-out changes.
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(kInstrument, session, 2000), VI_SUCCESS);
  EXPECT_EQ(timeoutCode_(), T3s);
  EXPECT_EQ(session->SetTimeout(50), VI_SUCCESS);
  EXPECT_EQ(session->Timeout(), 50u);
  EXPECT_EQ(timeoutCode_(), T100ms);
}

TEST_F(GpibBackendTest, MissingOrWrongLibraryFindsNothingAndSaysWhy) {
  auto missing = MakeGpibBackend("/nonexistent/libgpib.so.0");
  std::vector<std::string> found;
  EXPECT_EQ(missing->Find(*MatchExpression::Compile("?*"), found), VI_ERROR_LIBRARY_NFOUND);
  EXPECT_TRUE(found.empty());
  std::unique_ptr<Session> session;
  EXPECT_EQ(missing->Open(*ParseResourceName(kInstrument), kInstrument, 2000, session),
            VI_ERROR_LIBRARY_NFOUND);
  EXPECT_FALSE(session);
  EXPECT_NE(missing->Diagnostic().find("linux-gpib"), std::string::npos);
  EXPECT_NE(missing->Diagnostic().find("/nonexistent/libgpib.so.0"), std::string::npos)
      << missing->Diagnostic();

  // A library that is not linux-gpib at all.
  auto wrong = MakeGpibBackend(VX_FAKE_VENDOR_VISA_LIBRARY);
  EXPECT_EQ(wrong->Find(*MatchExpression::Compile("?*"), found), VI_ERROR_LIBRARY_NFOUND);
  EXPECT_NE(wrong->Diagnostic().find("ibdev"), std::string::npos) << wrong->Diagnostic();
}

TEST_F(GpibBackendTest, ASerialPollReadsTheStatusByteBesideTheAnswer) {
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(kInstrument, session), VI_SUCCESS);
  ViUInt16 status = 0xFFFF;
  ASSERT_EQ(session->ReadStatusByte(status), VI_SUCCESS);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(Write(*session, "*IDN?\n"), VI_SUCCESS);
  ASSERT_EQ(session->ReadStatusByte(status), VI_SUCCESS);
  EXPECT_EQ(status, 0x10);
  EXPECT_EQ(Read(*session, 256).first, VI_SUCCESS);  // the answer is still there
}

}  // namespace
}  // namespace vx::visa
