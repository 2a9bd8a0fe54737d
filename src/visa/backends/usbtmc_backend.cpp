// USB-TMC instruments through the Linux kernel driver (usbtmc). The driver makes each
// instrument a character device usbtmc<N>; sysfs tells which vendor, product and serial
// number stand behind it (usbtmc_sysfs.h).
//
// The driver frames the transfers itself and enforces its own time-out, which the session
// keeps equal to the VISA one. One read(2) is one transfer of the instrument's; whether it
// ended the message the driver tells through USBTMC_IOCTL_MSG_IN_ATTR (the EOM bit of the
// transfer), and only a kernel without that call leaves the end to a guess: a short
// transfer, or one whose last byte is the termination character. After a time-out the
// driver aborts the transfer itself when it can (USBTMC_IOCTL_AUTO_ABORT); otherwise the
// session asks it to (USBTMC_IOCTL_ABORT_BULK_IN, _OUT), so that the next exchange starts
// clean.
//
// A device file that does not take the driver's ioctls (a FIFO standing in for an
// instrument) is driven with poll() and the time-out enforced here.

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <optional>
#include <string>

#include "visa/backends.h"
#include "visa/backends/backend_base.h"
#include "visa/backends/posix_io.h"
#include "visa/backends/usbtmc_driver.h"
#include "visa/backends/usbtmc_sysfs.h"

namespace vx::visa {

ssize_t UsbTmcDriverCalls::Read(int fd, void* buffer, size_t count) {
  return ::read(fd, buffer, count);
}

ssize_t UsbTmcDriverCalls::Write(int fd, const void* data, size_t count) {
  return ::write(fd, data, count);
}

int UsbTmcDriverCalls::Control(int fd, unsigned long request, void* argument) {
  return ::ioctl(fd, request, argument);
}

std::shared_ptr<UsbTmcDriverCalls> KernelUsbTmcDriver() {
  static const auto kernel = std::make_shared<UsbTmcDriverCalls>();
  return kernel;
}

namespace {

namespace fs = std::filesystem;
using posix::Deadline;
using posix::ErrnoText;
using posix::UniqueFd;
using posix::WaitFor;
using posix::WaitResult;

// The driver refuses time-outs below this many milliseconds.
constexpr ViUInt32 kDriverMinimumTimeoutMs = 100;
// bmTransferAttributes of the last bulk-in transfer: it ended the message.
constexpr std::uint8_t kTransferEndOfMessage = 0x01;

constexpr const char* kPermissionAdvice =
    "give your account access to the device: the system's udev rule 70-k9-90-usbtmc.rules "
    "(installed with the package in /usr/lib/udev/rules.d) opens K9-90/1 meters to the user "
    "at the seat and every USB-TMC device to group plugdev; join that group and log in again";

class UsbTmcSession final : public Session {
 public:
  UsbTmcSession(std::shared_ptr<UsbTmcDriverCalls> driver, UniqueFd fd, bool driverTimeout,
                bool autoAbort, std::string descriptor, std::string path)
      : driver_(std::move(driver)),
        fd_(std::move(fd)),
        driverTimeout_(driverTimeout),
        autoAbort_(autoAbort),
        descriptor_(std::move(descriptor)),
        path_(std::move(path)) {}

  ViStatus Write(const char* data, size_t length, size_t& written) override {
    written = 0;
    std::optional<Deadline> deadline;
    while (written < length) {
      const ssize_t sent = driver_->Write(fd_.Get(), data + written, length - written);
      if (sent > 0) {
        written += static_cast<size_t>(sent);
        continue;
      }
      const int error = sent < 0 ? errno : EAGAIN;
      if (error == EINTR) continue;
      if (error == EAGAIN && !driverTimeout_) {
        if (!deadline) deadline.emplace(timeoutMs_);
        const ViStatus status = Wait(POLLOUT, *deadline, "take the command");
        if (status != VI_SUCCESS) return status;
        continue;
      }
      if (error == ETIMEDOUT) AbortTransfer(USBTMC_IOCTL_ABORT_BULK_OUT);
      return ErrnoFailure(error, "write to", written);
    }
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus Read(char* buffer, size_t capacity, size_t& received) override {
    received = 0;
    if (capacity == 0) return VI_SUCCESS_MAX_CNT;
    return driverTimeout_ ? DriverRead(buffer, capacity, received)
                          : PolledRead(buffer, capacity, received);
  }

  ViStatus Clear() override {
    if (driverTimeout_) {
      if (driver_->Control(fd_.Get(), USBTMC_IOCTL_CLEAR, nullptr) != 0) {
        return ErrnoFailure(errno, "clear", 0);
      }
      ClearDetail();
      return VI_SUCCESS;
    }
    // Without the driver there is no device clear to send: drop what waits to be read.
    char scratch[4096];
    for (;;) {
      const ssize_t got = driver_->Read(fd_.Get(), scratch, sizeof scratch);
      if (got > 0) continue;
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && errno != EAGAIN) return ErrnoFailure(errno, "clear", 0);
      break;
    }
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus ReadStatusByte(ViUInt16& statusByte) override {
    if (!driverTimeout_) return Fail(VI_ERROR_NSUP_OPER, path_ + " is not a usbtmc device");
    unsigned char polled = 0;
    if (driver_->Control(fd_.Get(), USBTMC488_IOCTL_READ_STB, &polled) != 0) {
      const int error = errno;
      if (error == ENOTTY) {
        return Fail(VI_ERROR_NSUP_OPER, descriptor_ + " has no USB488 serial poll");
      }
      return ErrnoFailure(error, "serial poll", 0);
    }
    statusByte = polled;
    ClearDetail();
    return VI_SUCCESS;
  }

  // The driver takes no time-out below 100 ms: a shorter one, VI_TMO_IMMEDIATE included,
  // becomes 100 ms, which VI_ATTR_TMO_VALUE then reads back, with the warning that the value
  // was not taken as given.
  ViStatus SetTimeout(ViUInt32 milliseconds) override {
    ViStatus result = VI_SUCCESS;
    if (driverTimeout_) {
      std::uint32_t driverMs = DriverTimeout(milliseconds);
      if (driver_->Control(fd_.Get(), USBTMC_IOCTL_SET_TIMEOUT, &driverMs) != 0) {
        return Fail(VI_ERROR_NSUP_ATTR_STATE, "the usbtmc driver refused the time-out of " +
                                                  std::to_string(milliseconds) + " ms for " +
                                                  descriptor_ + ": " + ErrnoText(errno));
      }
      if (milliseconds < kDriverMinimumTimeoutMs) {
        milliseconds = kDriverMinimumTimeoutMs;
        result = VI_WARN_NSUP_ATTR_STATE;
      }
    }
    timeoutMs_ = milliseconds;
    ClearDetail();
    return result;
  }

  static std::uint32_t DriverTimeout(ViUInt32 milliseconds) {
    // "For ever" becomes the longest wait the driver's int arithmetic takes.
    if (milliseconds == VI_TMO_INFINITE) return INT_MAX;
    if (milliseconds < kDriverMinimumTimeoutMs) return kDriverMinimumTimeoutMs;
    return milliseconds > INT_MAX ? INT_MAX : milliseconds;
  }

 private:
  // Transfers until one carries the end of the message or the buffer is full.
  ViStatus DriverRead(char* buffer, size_t capacity, size_t& received) {
    for (;;) {
      const ssize_t got = driver_->Read(fd_.Get(), buffer + received, capacity - received);
      if (got < 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (error == ETIMEDOUT) AbortTransfer(USBTMC_IOCTL_ABORT_BULK_IN);
        return ErrnoFailure(error, "read from", received);
      }
      if (got == 0) {
        // An empty transfer ends the read: an empty message, or nothing more to come.
        ClearDetail();
        return VI_SUCCESS;
      }
      const auto asked = capacity - received;
      received += static_cast<size_t>(got);
      if (EndsMessage(buffer, received, static_cast<size_t>(got), asked)) {
        ClearDetail();
        return VI_SUCCESS;
      }
      if (received == capacity) {
        ClearDetail();
        return VI_SUCCESS_MAX_CNT;
      }
    }
  }

  // Whether the transfer just read (`got` of `asked` bytes) ended the message.
  bool EndsMessage(const char* buffer, size_t received, size_t got, size_t asked) {
    if (!guessEnd_) {
      std::uint8_t attributes = 0;
      if (driver_->Control(fd_.Get(), USBTMC_IOCTL_MSG_IN_ATTR, &attributes) == 0) {
        return (attributes & kTransferEndOfMessage) != 0;
      }
      guessEnd_ = true;  // a kernel older than the call: it will not learn it
    }
    return got < asked || buffer[received - 1] == termChar_;
  }

  // After a driver time-out the bulk transfer is still open on the instrument: abort it,
  // unless the driver has done so itself.
  void AbortTransfer(unsigned long request) {
    if (!autoAbort_) driver_->Control(fd_.Get(), request, nullptr);
  }

  ViStatus PolledRead(char* buffer, size_t capacity, size_t& received) {
    std::optional<Deadline> deadline;
    for (;;) {
      const ssize_t got = driver_->Read(fd_.Get(), buffer, capacity);
      if (got > 0) {
        received = static_cast<size_t>(got);
        ClearDetail();
        // A short read ends the message; so does a full buffer ending in the termination
        // character.
        if (received < capacity || buffer[received - 1] == termChar_) return VI_SUCCESS;
        return VI_SUCCESS_MAX_CNT;
      }
      if (got == 0) return Fail(VI_ERROR_CONN_LOST, path_ + " was closed by the other side");
      const int error = errno;
      if (error == EINTR) continue;
      if (error == EAGAIN) {
        if (!deadline) deadline.emplace(timeoutMs_);
        const ViStatus status = Wait(POLLIN, *deadline, "answer");
        if (status != VI_SUCCESS) return status;
        continue;
      }
      return ErrnoFailure(error, "read from", 0);
    }
  }

  ViStatus Wait(short events, const Deadline& deadline, const char* what) {
    const WaitResult wait = WaitFor(fd_.Get(), events, deadline);
    if (wait == WaitResult::Ready) return VI_SUCCESS;
    if (wait == WaitResult::TimedOut) {
      return Fail(VI_ERROR_TMO, descriptor_ + " did not " + what + " within " + TimeoutText());
    }
    return Fail(VI_ERROR_SYSTEM_ERROR, "poll on " + path_ + ": " + ErrnoText(errno));
  }

  std::string TimeoutText() const {
    return timeoutMs_ == VI_TMO_INFINITE ? std::string("the time-out")
                                         : std::to_string(timeoutMs_) + " ms";
  }

  ViStatus ErrnoFailure(int error, const char* action, size_t done) {
    const std::string text =
        std::string("could not ") + action + " " + descriptor_ + " (" + path_ + "): ";
    switch (error) {
      case ETIMEDOUT:
        return Fail(VI_ERROR_TMO, text + "the instrument did not respond within " + TimeoutText() +
                                      (done > 0 ? " (" + std::to_string(done) +
                                                      " bytes came without the end of the "
                                                      "message)"
                                                : std::string()));
      case ENODEV:
      case ESHUTDOWN:
      case EIO:
      case ENXIO:
        return Fail(VI_ERROR_CONN_LOST, text + ErrnoText(error) + " (was it unplugged?)");
      case EACCES:
      case EPERM:
        return Fail(VI_ERROR_NPERMISSION, text + ErrnoText(error) + "; " + kPermissionAdvice);
      default:
        return Fail(VI_ERROR_IO, text + ErrnoText(error));
    }
  }

  std::shared_ptr<UsbTmcDriverCalls> driver_;
  UniqueFd fd_;
  bool driverTimeout_;  // the usbtmc driver enforces the time-out (else poll() does)
  bool autoAbort_;      // the driver aborts a transfer that failed by itself
  bool guessEnd_ = false;
  std::string descriptor_;
  std::string path_;
};

class UsbTmcBackend final : public GuardedDiagnosticBackend {
 public:
  UsbTmcBackend(std::string classDir, std::string deviceDir,
                std::shared_ptr<UsbTmcDriverCalls> driver)
      : classDir_(std::move(classDir)),
        deviceDir_(std::move(deviceDir)),
        driver_(driver ? std::move(driver) : KernelUsbTmcDriver()) {}

  std::string_view Name() const override { return "USB-TMC"; }

  ViStatus Find(const MatchExpression& expression, std::vector<std::string>& found) override {
    const UsbTmcScan scan = ScanUsbTmcSysfs(classDir_);
    if (!scan.classDirFound) return Failure(VI_ERROR_INTF_NUM_NCONFIG, DriverMissingText());
    std::string problems = scan.problems;
    for (const UsbTmcEntry& entry : scan.entries) {
      const auto descriptor = DescriptorOf(entry);
      if (!descriptor) {
        problems += (problems.empty() ? "" : "; ") + entry.node + ": its serial number \"" +
                    entry.serial + "\" cannot be written in a descriptor";
        continue;
      }
      if (expression.Matches(*descriptor)) found.push_back(*descriptor);
    }
    SetDiagnostic(std::move(problems));
    return VI_SUCCESS;
  }

  bool Claims(const ResourceName& name, std::string_view /*text*/) const override {
    return name.interfaceType == InterfaceType::Usb && name.resourceClass == ResourceClass::Instr;
  }

  ViStatus Open(const ResourceName& name, std::string_view /*text*/, ViUInt32 timeoutMs,
                std::unique_ptr<Session>& session) override {
    const std::string descriptor = name.Canonical();
    const UsbTmcScan scan = ScanUsbTmcSysfs(classDir_);
    if (!scan.classDirFound) return Failure(VI_ERROR_RSRC_NFOUND, DriverMissingText());
    const UsbTmcEntry* match = FindUsbTmcEntry(scan.entries, name);
    if (!match) {
      return Failure(
          VI_ERROR_RSRC_NFOUND,
          "no attached instrument has the vendor, product and serial number of " + descriptor);
    }

    const std::string path = (fs::path(deviceDir_) / match->node).string();
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) return OpenFailure(errno, path, descriptor);

    std::uint32_t driverMs = UsbTmcSession::DriverTimeout(timeoutMs);
    bool driverTimeout = true;
    bool autoAbort = false;
    if (driver_->Control(fd.Get(), USBTMC_IOCTL_SET_TIMEOUT, &driverMs) != 0) {
      const int error = errno;
      if (error != ENOTTY) {
        return Failure(VI_ERROR_IO, "the usbtmc driver refused the time-out of " + path + ": " +
                                        ErrnoText(error));
      }
      // Not the usbtmc driver: wait with poll() on a non-blocking descriptor instead.
      driverTimeout = false;
      const int flags = ::fcntl(fd.Get(), F_GETFL);
      if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        return Failure(VI_ERROR_IO, "cannot make " + path + " non-blocking: " + ErrnoText(errno));
      }
    } else {
      std::uint8_t on = 1;
      autoAbort = driver_->Control(fd.Get(), USBTMC_IOCTL_AUTO_ABORT, &on) == 0;
    }
    session = std::make_unique<UsbTmcSession>(driver_, std::move(fd), driverTimeout, autoAbort,
                                              descriptor, path);
    session->SetTimeout(timeoutMs);
    SetDiagnostic({});
    return VI_SUCCESS;
  }

 private:
  ViStatus OpenFailure(int error, const std::string& path, const std::string& descriptor) {
    const std::string text = "cannot open " + path + " for " + descriptor + ": " + ErrnoText(error);
    switch (error) {
      case EACCES:
      case EPERM:
        return Failure(VI_ERROR_NPERMISSION, text + "; " + kPermissionAdvice);
      case ENOENT:
      case ENODEV:
      case ENXIO:
        return Failure(VI_ERROR_RSRC_NFOUND, text);
      case EBUSY:
        return Failure(VI_ERROR_RSRC_BUSY, text);
      default:
        return Failure(VI_ERROR_IO, text);
    }
  }

  std::string DriverMissingText() const {
    return "the usbtmc kernel driver is not loaded or no USB-TMC instrument has been attached "
           "since boot (" +
           classDir_ + " does not exist)";
  }

  std::string classDir_;
  std::string deviceDir_;
  std::shared_ptr<UsbTmcDriverCalls> driver_;
};

}  // namespace

std::unique_ptr<Backend> MakeUsbTmcBackend(const std::string& classDir,
                                           const std::string& deviceDir,
                                           std::shared_ptr<UsbTmcDriverCalls> driver) {
  return std::make_unique<UsbTmcBackend>(classDir, deviceDir, std::move(driver));
}

}  // namespace vx::visa
