// USB-TMC instruments through the Linux kernel driver (usbtmc). The driver makes each
// instrument a character device usbtmc<N>; sysfs tells which vendor, product and serial
// number stand behind it: <classDir>/usbtmc<N>/device is the USB interface, whose parent
// directory is the USB device with idVendor, idProduct and serial.
//
// The driver frames messages itself (a read returns at the end of the instrument's message
// or when the buffer is full) and enforces its own time-out, which the session keeps equal to
// the VISA one. A device file that does not take the driver's ioctls (a FIFO standing in for
// an instrument) is driven with poll() and the time-out enforced here.

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/c_number.h"
#include "visa/backends.h"
#include "visa/backends/backend_base.h"
#include "visa/backends/posix_io.h"

namespace vx::visa {
namespace {

namespace fs = std::filesystem;
using posix::Deadline;
using posix::ErrnoText;
using posix::UniqueFd;
using posix::WaitFor;
using posix::WaitResult;

// The driver refuses time-outs below this many milliseconds.
constexpr ViUInt32 kDriverMinimumTimeoutMs = 100;

constexpr const char* kPermissionAdvice =
    "give your account access to the device, for example with a udev rule such as "
    "SUBSYSTEM==\"usbmisc\", KERNEL==\"usbtmc*\", GROUP=\"plugdev\", MODE=\"0660\" and "
    "membership of that group";

// One usbtmc<N> entry as sysfs describes it.
struct UsbTmcEntry {
  std::string node;  // "usbtmc0"
  unsigned number = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string serial;
  std::optional<unsigned> interfaceNumber;
};

// The first line of a small sysfs attribute, without surrounding white space.
std::optional<std::string> ReadAttribute(const fs::path& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  char buffer[512];
  size_t length = 0;
  while (length < sizeof buffer) {
    const ssize_t got = ::read(fd.Get(), buffer + length, sizeof buffer - length);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    length += static_cast<size_t>(got);
  }
  std::string_view text(buffer, length);
  text = text.substr(0, text.find('\n'));
  return std::string(Trim(text));
}

// A hexadecimal attribute ("1f3a") no larger than `limit`.
std::optional<unsigned> ParseHex(const std::optional<std::string>& text, unsigned limit) {
  if (!text || text->empty()) return std::nullopt;
  unsigned value = 0;
  const char* end = text->data() + text->size();
  const auto [ptr, error] = std::from_chars(text->data(), end, value, 16);
  if (error != std::errc() || ptr != end || value > limit) return std::nullopt;
  return value;
}

// "usbtmc12" → 12; nullopt for other names.
std::optional<unsigned> NodeNumber(std::string_view name) {
  constexpr std::string_view prefix = "usbtmc";
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  unsigned number = 0;
  const char* begin = name.data() + prefix.size();
  const char* end = name.data() + name.size();
  const auto [ptr, error] = std::from_chars(begin, end, number, 10);
  if (error != std::errc() || ptr != end) return std::nullopt;
  return number;
}

// The descriptor of an entry, or nullopt when its serial number cannot be written in one.
std::optional<std::string> DescriptorOf(const UsbTmcEntry& entry) {
  ResourceName name;
  name.interfaceType = InterfaceType::Usb;
  name.resourceClass = ResourceClass::Instr;
  name.vendorId = entry.vendorId;
  name.productId = entry.productId;
  name.serialNumber = entry.serial;
  std::string descriptor = name.Canonical();
  const auto parsed = ParseResourceName(descriptor);
  if (!parsed || parsed->serialNumber != entry.serial) return std::nullopt;
  return descriptor;
}

struct Scan {
  bool classDirFound = false;
  std::vector<UsbTmcEntry> entries;
  std::string problems;  // entries that had to be left out, and why
};

Scan ScanSysfs(const std::string& classDir) {
  Scan scan;
  std::error_code error;
  if (!fs::is_directory(classDir, error)) return scan;
  scan.classDirFound = true;
  auto note = [&scan](const std::string& text) {
    scan.problems += (scan.problems.empty() ? "" : "; ") + text;
  };
  fs::directory_iterator it(classDir, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string node = it->path().filename().string();
    const auto number = NodeNumber(node);
    if (!number) continue;
    std::error_code linkError;
    const fs::path interfaceDir = fs::canonical(it->path() / "device", linkError);
    if (linkError) {
      note(node + ": no link to its USB interface (" + linkError.message() + ")");
      continue;
    }
    const fs::path deviceDir = interfaceDir.parent_path();
    UsbTmcEntry entry;
    entry.node = node;
    entry.number = *number;
    const auto vendor = ParseHex(ReadAttribute(deviceDir / "idVendor"), 0xFFFF);
    const auto product = ParseHex(ReadAttribute(deviceDir / "idProduct"), 0xFFFF);
    if (!vendor || !product) {
      note(node + ": no readable idVendor and idProduct in " + deviceDir.string());
      continue;
    }
    entry.vendorId = static_cast<std::uint16_t>(*vendor);
    entry.productId = static_cast<std::uint16_t>(*product);
    const auto serial = ReadAttribute(deviceDir / "serial");
    if (!serial || serial->empty()) {
      note(node + ": the instrument reports no serial number, so no descriptor can name it");
      continue;
    }
    entry.serial = *serial;
    entry.interfaceNumber = ParseHex(ReadAttribute(interfaceDir / "bInterfaceNumber"), 0xFF);
    scan.entries.push_back(std::move(entry));
  }
  if (error) note("cannot list " + classDir + ": " + error.message());
  std::sort(scan.entries.begin(), scan.entries.end(),
            [](const UsbTmcEntry& a, const UsbTmcEntry& b) { return a.number < b.number; });
  return scan;
}

class UsbTmcSession final : public Session {
 public:
  UsbTmcSession(UniqueFd fd, bool driverTimeout, std::string descriptor, std::string path)
      : fd_(std::move(fd)),
        driverTimeout_(driverTimeout),
        descriptor_(std::move(descriptor)),
        path_(std::move(path)) {}

  ViStatus Write(const char* data, size_t length, size_t& written) override {
    written = 0;
    std::optional<Deadline> deadline;
    while (written < length) {
      const ssize_t sent = ::write(fd_.Get(), data + written, length - written);
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
      return ErrnoFailure(error, "write to");
    }
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus Read(char* buffer, size_t capacity, size_t& received) override {
    received = 0;
    if (capacity == 0) return VI_SUCCESS_MAX_CNT;
    std::optional<Deadline> deadline;
    for (;;) {
      const ssize_t got = ::read(fd_.Get(), buffer, capacity);
      if (got > 0) {
        received = static_cast<size_t>(got);
        ClearDetail();
        // The driver returns short at the end of the instrument's message; a full buffer
        // ending in the termination character holds the whole message too.
        if (received < capacity || buffer[received - 1] == termChar_) return VI_SUCCESS;
        return VI_SUCCESS_MAX_CNT;
      }
      if (got == 0) {
        // The driver delivers an empty message this way; a device file without a writer has
        // nobody left to answer.
        if (driverTimeout_) {
          ClearDetail();
          return VI_SUCCESS;
        }
        return Fail(VI_ERROR_CONN_LOST, path_ + " was closed by the other side");
      }
      const int error = errno;
      if (error == EINTR) continue;
      if (error == EAGAIN && !driverTimeout_) {
        if (!deadline) deadline.emplace(timeoutMs_);
        const ViStatus status = Wait(POLLIN, *deadline, "answer");
        if (status != VI_SUCCESS) return status;
        continue;
      }
      return ErrnoFailure(error, "read from");
    }
  }

  ViStatus Clear() override {
    if (driverTimeout_) {
      if (::ioctl(fd_.Get(), USBTMC_IOCTL_CLEAR) != 0) return ErrnoFailure(errno, "clear");
      ClearDetail();
      return VI_SUCCESS;
    }
    // Without the driver there is no device clear to send: drop what waits to be read.
    char scratch[4096];
    for (;;) {
      const ssize_t got = ::read(fd_.Get(), scratch, sizeof scratch);
      if (got > 0) continue;
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && errno != EAGAIN) return ErrnoFailure(errno, "clear");
      break;
    }
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus SetTimeout(ViUInt32 milliseconds) override {
    if (driverTimeout_) {
      std::uint32_t driverMs = DriverTimeout(milliseconds);
      if (::ioctl(fd_.Get(), USBTMC_IOCTL_SET_TIMEOUT, &driverMs) != 0) {
        return Fail(VI_ERROR_NSUP_ATTR_STATE, "the usbtmc driver refused the time-out of " +
                                                  std::to_string(milliseconds) + " ms for " +
                                                  descriptor_ + ": " + ErrnoText(errno));
      }
    }
    timeoutMs_ = milliseconds;
    ClearDetail();
    return VI_SUCCESS;
  }

  static std::uint32_t DriverTimeout(ViUInt32 milliseconds) {
    // "For ever" becomes the longest wait the driver's int arithmetic takes.
    if (milliseconds == VI_TMO_INFINITE) return INT_MAX;
    if (milliseconds < kDriverMinimumTimeoutMs) return kDriverMinimumTimeoutMs;
    return milliseconds > INT_MAX ? INT_MAX : milliseconds;
  }

 private:
  ViStatus Wait(short events, const Deadline& deadline, const char* what) {
    const WaitResult wait = WaitFor(fd_.Get(), events, deadline);
    if (wait == WaitResult::Ready) return VI_SUCCESS;
    if (wait == WaitResult::TimedOut) {
      return Fail(VI_ERROR_TMO,
                  descriptor_ + " did not " + what + " within " +
                      (timeoutMs_ == VI_TMO_INFINITE ? std::string("the time-out")
                                                     : std::to_string(timeoutMs_) + " ms"));
    }
    return Fail(VI_ERROR_SYSTEM_ERROR, "poll on " + path_ + ": " + ErrnoText(errno));
  }

  ViStatus ErrnoFailure(int error, const char* action) {
    const std::string text =
        std::string("could not ") + action + " " + descriptor_ + " (" + path_ + "): ";
    switch (error) {
      case ETIMEDOUT:
        return Fail(VI_ERROR_TMO, text + "the instrument did not respond within " +
                                      std::to_string(timeoutMs_) + " ms");
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

  UniqueFd fd_;
  bool driverTimeout_;  // the usbtmc driver enforces the time-out (else poll() does)
  std::string descriptor_;
  std::string path_;
};

class UsbTmcBackend final : public GuardedDiagnosticBackend {
 public:
  UsbTmcBackend(std::string classDir, std::string deviceDir)
      : classDir_(std::move(classDir)), deviceDir_(std::move(deviceDir)) {}

  std::string_view Name() const override { return "USB-TMC"; }

  ViStatus Find(const MatchExpression& expression, std::vector<std::string>& found) override {
    const Scan scan = ScanSysfs(classDir_);
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
    const Scan scan = ScanSysfs(classDir_);
    if (!scan.classDirFound) return Failure(VI_ERROR_RSRC_NFOUND, DriverMissingText());
    const UsbTmcEntry* match = nullptr;
    for (const UsbTmcEntry& entry : scan.entries) {
      if (entry.vendorId == name.vendorId && entry.productId == name.productId &&
          entry.serial == name.serialNumber &&
          (!name.usbInterface || name.usbInterface == entry.interfaceNumber)) {
        match = &entry;
        break;
      }
    }
    if (!match) {
      return Failure(VI_ERROR_RSRC_NFOUND, "no USB-TMC instrument " + descriptor +
                                               " is attached (none of the usbtmc "
                                               "devices in " +
                                               classDir_ +
                                               " has this vendor, product and serial number)");
    }

    const std::string path = (fs::path(deviceDir_) / match->node).string();
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) {
      const int error = errno;
      const std::string text =
          "cannot open " + path + " for " + descriptor + ": " + ErrnoText(error);
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

    std::uint32_t driverMs = UsbTmcSession::DriverTimeout(timeoutMs);
    bool driverTimeout = true;
    if (::ioctl(fd.Get(), USBTMC_IOCTL_SET_TIMEOUT, &driverMs) != 0) {
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
    }
    session = std::make_unique<UsbTmcSession>(std::move(fd), driverTimeout, descriptor, path);
    session->SetTimeout(timeoutMs);
    SetDiagnostic({});
    return VI_SUCCESS;
  }

 private:
  std::string DriverMissingText() const {
    return "the usbtmc kernel driver is not loaded or no USB-TMC instrument has been attached "
           "since boot (" +
           classDir_ + " does not exist)";
  }

  std::string classDir_;
  std::string deviceDir_;
};

}  // namespace

std::unique_ptr<Backend> MakeUsbTmcBackend(const std::string& classDir,
                                           const std::string& deviceDir) {
  return std::make_unique<UsbTmcBackend>(classDir, deviceDir);
}

}  // namespace vx::visa
