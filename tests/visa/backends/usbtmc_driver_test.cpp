// The USB-TMC session as the kernel's usbtmc driver drives it, on the fake sysfs tree and
// its FIFOs: a stand-in for the driver's calls plays the driver's time-out, the
// end-of-message attribute of each transfer and the aborts.

#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <deque>
#include <string>

#include "usbtmc_fixture.h"

namespace vx::visa {
namespace {

using namespace std::chrono_literals;

class FakeDriver final : public UsbTmcDriverCalls {
 public:
  struct Transfer {
    size_t bytes;
    bool endOfMessage;
  };
  bool knowsMessageAttributes = true;  // a kernel with USBTMC_IOCTL_MSG_IN_ATTR
  bool knowsAutoAbort = false;         // ... and with USBTMC_IOCTL_AUTO_ABORT
  bool writesTimeOut = false;
  std::deque<Transfer> transfers;  // how the instrument splits what the FIFO holds
  std::uint32_t timeoutMs = 0;
  int abortsIn = 0;
  int abortsOut = 0;
  bool autoAbort = false;
  int statusByte = -1;  // what a serial poll answers; -1: the instrument has none

  ssize_t Read(int fd, void* buffer, size_t count) override {
    // The driver waits up to its time-out for the instrument's transfer.
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(timeoutMs)) <= 0) {
      errno = ETIMEDOUT;
      return -1;
    }
    size_t limit = count;
    bool end = true;
    if (!transfers.empty()) {
      limit = std::min(count, transfers.front().bytes);
      end = transfers.front().endOfMessage && limit == transfers.front().bytes;
    }
    const ssize_t got = ::read(fd, buffer, limit);
    if (got > 0 && !transfers.empty()) {
      transfers.front().bytes -= static_cast<size_t>(got);
      if (transfers.front().bytes == 0) transfers.pop_front();
    }
    lastEndOfMessage_ = end;
    return got;
  }

  ssize_t Write(int fd, const void* data, size_t count) override {
    if (writesTimeOut) {
      errno = ETIMEDOUT;
      return -1;
    }
    return ::write(fd, data, count);
  }

  int Control(int /*fd*/, unsigned long request, void* argument) override {
    switch (request) {
      case USBTMC_IOCTL_SET_TIMEOUT:
        timeoutMs = *static_cast<std::uint32_t*>(argument);
        if (timeoutMs < 100) return Refuse(EINVAL);
        return 0;
      case USBTMC_IOCTL_MSG_IN_ATTR:
        if (!knowsMessageAttributes) return Refuse(ENOTTY);
        *static_cast<std::uint8_t*>(argument) = lastEndOfMessage_ ? 1 : 0;
        return 0;
      case USBTMC_IOCTL_AUTO_ABORT:
        if (!knowsAutoAbort) return Refuse(ENOTTY);
        autoAbort = *static_cast<std::uint8_t*>(argument) != 0;
        return 0;
      case USBTMC_IOCTL_ABORT_BULK_IN:
        ++abortsIn;
        return 0;
      case USBTMC_IOCTL_ABORT_BULK_OUT:
        ++abortsOut;
        return 0;
      case USBTMC_IOCTL_CLEAR:
        return 0;
      case USBTMC488_IOCTL_READ_STB:
        if (statusByte < 0) return Refuse(ENOTTY);  // not a USB488 instrument
        *static_cast<unsigned char*>(argument) = static_cast<unsigned char>(statusByte);
        return 0;
      default:
        return Refuse(ENOTTY);
    }
  }

 private:
  static int Refuse(int error) {
    errno = error;
    return -1;
  }
  bool lastEndOfMessage_ = true;
};

class UsbTmcDriverTest : public UsbTmcFixture {
 protected:
  void SetUp() override {
    UsbTmcFixture::SetUp();
    AddInstrument(0, "1f3a", "0c21", "TW1");
  }
  std::unique_ptr<Session> OpenWithDriver(ViUInt32 timeoutMs = 2000) {
    backend_ = MakeBackend(driver_);
    std::unique_ptr<Session> session;
    EXPECT_EQ(Open(*backend_, "USB0::0x1F3A::0x0C21::TW1::INSTR", session, timeoutMs), VI_SUCCESS)
        << backend_->Diagnostic();
    return session;
  }

  std::shared_ptr<FakeDriver> driver_ = std::make_shared<FakeDriver>();
  std::unique_ptr<Backend> backend_;
};

TEST_F(UsbTmcDriverTest, TheMessageEndsWhereTheDriverSaysNotWhereATransferDoes) {
  // A short transfer is not the end of the message: the instrument split it in two.
  Preload(0, "HELLO WORLD\n");
  driver_->transfers = {{6, false}, {6, true}};
  auto session = OpenWithDriver();
  EXPECT_EQ(Read(*session, 64), std::make_pair(VI_SUCCESS, std::string("HELLO WORLD\n")));

  // A full buffer ending in a line feed is not the end either, unless the transfer says so.
  Preload(0, "ABC\nDEF\n");
  driver_->transfers = {{4, false}, {4, true}};
  EXPECT_EQ(Read(*session, 4), std::make_pair(VI_SUCCESS_MAX_CNT, std::string("ABC\n")));
  EXPECT_EQ(Read(*session, 64), std::make_pair(VI_SUCCESS, std::string("DEF\n")));
  // A binary answer whose last byte is no line feed ends with its transfer.
  const std::string binary("\x01\x02\0\x04", 4);
  Preload(0, binary);
  driver_->transfers = {{4, true}};
  EXPECT_EQ(Read(*session, 4), std::make_pair(VI_SUCCESS, binary));
}

TEST_F(UsbTmcDriverTest, AKernelWithoutTheAttributeCallLeavesTheEndToTheGuess) {
  driver_->knowsMessageAttributes = false;
  Preload(0, "HELLO WORLD\n");
  driver_->transfers = {{6, false}, {6, true}};
  auto session = OpenWithDriver();
  EXPECT_EQ(Read(*session, 64), std::make_pair(VI_SUCCESS, std::string("HELLO ")));
  EXPECT_EQ(Read(*session, 64), std::make_pair(VI_SUCCESS, std::string("WORLD\n")));
}

TEST_F(UsbTmcDriverTest, ATimeOutAbortsTheTransferUnlessTheDriverDidItself) {
  auto session = OpenWithDriver(100);
  EXPECT_EQ(Read(*session, 64).first, VI_ERROR_TMO);
  EXPECT_EQ(driver_->abortsIn, 1);
  driver_->writesTimeOut = true;
  size_t written = 0;
  EXPECT_EQ(session->Write("*IDN?\n", 6, written), VI_ERROR_TMO);
  EXPECT_EQ(driver_->abortsOut, 1);

  driver_->knowsAutoAbort = true;
  driver_->writesTimeOut = false;
  session = OpenWithDriver(100);
  EXPECT_TRUE(driver_->autoAbort);
  EXPECT_EQ(Read(*session, 64).first, VI_ERROR_TMO);
  EXPECT_EQ(driver_->abortsIn, 1);  // the driver aborted it on its own
  EXPECT_NE(session->Detail().find("100 ms"), std::string::npos) << session->Detail();
}

TEST_F(UsbTmcDriverTest, TimeOutsBelowTheDriversFloorAreTakenUpAndSaidSo) {
  auto session = OpenWithDriver();
  EXPECT_EQ(driver_->timeoutMs, 2000u);
  for (const ViUInt32 shortTimeout : {ViUInt32{50}, VI_TMO_IMMEDIATE}) {
    EXPECT_EQ(session->SetTimeout(shortTimeout), VI_WARN_NSUP_ATTR_STATE) << shortTimeout;
    EXPECT_EQ(session->Timeout(), 100u);
    EXPECT_EQ(driver_->timeoutMs, 100u);
  }
  EXPECT_EQ(session->SetTimeout(250), VI_SUCCESS);
  EXPECT_EQ(session->Timeout(), 250u);
  EXPECT_EQ(session->SetTimeout(VI_TMO_INFINITE), VI_SUCCESS);
  EXPECT_EQ(session->Timeout(), VI_TMO_INFINITE);
}

TEST_F(UsbTmcDriverTest, ASerialPollAsksTheDriverForTheStatusByte) {
  auto session = OpenWithDriver();
  ViUInt16 status = 0;
  EXPECT_EQ(session->ReadStatusByte(status), VI_ERROR_NSUP_OPER);
  EXPECT_NE(session->Detail().find("USB488"), std::string::npos) << session->Detail();
  driver_->statusByte = 0x50;
  EXPECT_EQ(session->ReadStatusByte(status), VI_SUCCESS);
  EXPECT_EQ(status, 0x50);
}

}  // namespace
}  // namespace vx::visa
