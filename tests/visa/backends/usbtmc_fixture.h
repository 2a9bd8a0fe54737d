#pragma once
// A sysfs tree built in a temporary folder the way the kernel lays it out for the usbtmc
// driver, with FIFOs standing in for the /dev/usbtmc<N> character devices.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "visa/backends.h"
#include "visa/backends/usbtmc_driver.h"

namespace vx::visa {

namespace fs = std::filesystem;

class UsbTmcFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "usbtmc-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    classDir_ = root_ / "sys/class/usbmisc";
    deviceDir_ = root_ / "dev";
    fs::create_directories(classDir_);
    fs::create_directories(deviceDir_);
  }
  void TearDown() override {
    for (int fd : heldOpen_) ::close(fd);
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
  }

  static void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
  }

  // Adds usbtmc<n> as the kernel shows it: the class entry links into the device tree, where
  // the node's "device" link leads back up to the USB interface, whose parent is the USB
  // device with its descriptors. A FIFO stands in for the character device.
  void AddInstrument(int n, const std::string& vendor, const std::string& product,
                     std::optional<std::string> serial) {
    const std::string port = "1-" + std::to_string(n + 1);
    const fs::path usbDevice = root_ / "sys/devices/pci0000:00/usb1" / port;
    const fs::path usbInterface = usbDevice / (port + ":1.0");
    const fs::path node = usbInterface / "usbmisc" / ("usbtmc" + std::to_string(n));
    fs::create_directories(node);
    fs::create_directory_symlink("../..", node / "device");
    fs::create_directory_symlink(fs::relative(node, classDir_), classDir_ / node.filename());
    WriteFile(usbDevice / "idVendor", vendor + "\n");
    WriteFile(usbDevice / "idProduct", product + "\n");
    if (serial) WriteFile(usbDevice / "serial", *serial + "\n");
    WriteFile(usbInterface / "bInterfaceNumber", "00\n");
    const fs::path fifo = deviceDir_ / node.filename();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  }

  std::unique_ptr<Backend> MakeBackend(std::shared_ptr<UsbTmcDriverCalls> driver = nullptr) const {
    return MakeUsbTmcBackend(classDir_.string(), deviceDir_.string(), std::move(driver));
  }

  std::vector<std::string> Find(Backend& backend, const char* expression,
                                ViStatus expected = VI_SUCCESS) {
    std::vector<std::string> found;
    EXPECT_EQ(backend.Find(*MatchExpression::Compile(expression), found), expected);
    return found;
  }

  ViStatus Open(Backend& backend, const std::string& descriptor, std::unique_ptr<Session>& session,
                ViUInt32 timeoutMs = 50) {
    const auto name = ParseResourceName(descriptor);
    EXPECT_TRUE(name.has_value()) << descriptor;
    return backend.Open(*name, descriptor, timeoutMs, session);
  }

  // Keeps the FIFO of usbtmc<n> open for the test and puts `text` in it.
  void Preload(int n, const std::string& text) {
    const fs::path fifo = deviceDir_ / ("usbtmc" + std::to_string(n));
    const int fd = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    heldOpen_.push_back(fd);
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  static std::pair<ViStatus, std::string> Read(Session& session, size_t capacity) {
    std::string buffer(capacity, '\0');
    size_t received = 0;
    const ViStatus status = session.Read(buffer.data(), capacity, received);
    buffer.resize(received);
    return {status, buffer};
  }

  fs::path root_, classDir_, deviceDir_;
  std::vector<int> heldOpen_;
};

}  // namespace vx::visa
