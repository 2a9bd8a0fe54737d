// The USB-TMC backend against a sysfs tree built in a temporary folder, the way the kernel
// lays it out, with FIFOs standing in for the /dev/usbtmc<N> character devices.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "visa/backends.h"

namespace vx::visa {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class UsbTmcBackendTest : public ::testing::Test {
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

  std::unique_ptr<Backend> MakeBackend() const {
    return MakeUsbTmcBackend(classDir_.string(), deviceDir_.string());
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

TEST_F(UsbTmcBackendTest, DiscoveryListsEveryInstrumentWithItsCanonicalDescriptor) {
  AddInstrument(0, "1f3a", "0c21", "TW00012345");
  AddInstrument(1, "0abc", "1a07", "SN441234");
  auto backend = MakeBackend();
  EXPECT_EQ(Find(*backend, "USB?*INSTR"),
            (std::vector<std::string>{"USB0::0x1F3A::0x0C21::TW00012345::INSTR",
                                      "USB0::0x0ABC::0x1A07::SN441234::INSTR"}));
  EXPECT_EQ(Find(*backend, "USB?*0x0ABC?*"),
            (std::vector<std::string>{"USB0::0x0ABC::0x1A07::SN441234::INSTR"}));
  EXPECT_TRUE(Find(*backend, "GPIB?*INSTR").empty());
  EXPECT_EQ(backend->Diagnostic(), "");
  EXPECT_TRUE(backend->Claims(*ParseResourceName("USB0::0x1F3A::0x0C21::X::INSTR"), ""));
  EXPECT_FALSE(backend->Claims(*ParseResourceName("GPIB0::22::INSTR"), ""));
}

TEST_F(UsbTmcBackendTest, EntriesThatCannotBeNamedAreLeftOutWithAReason) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  AddInstrument(1, "1f3a", "0c21", std::nullopt);
  AddInstrument(2, "1f3a", "0c21", "BAD::SERIAL");
  AddInstrument(3, "zz", "0c21", "TW3");
  auto backend = MakeBackend();
  EXPECT_EQ(Find(*backend, "?*"), (std::vector<std::string>{"USB0::0x1F3A::0x0C21::TW1::INSTR"}));
  const std::string diagnostic = backend->Diagnostic();
  EXPECT_NE(diagnostic.find("usbtmc1"), std::string::npos) << diagnostic;
  EXPECT_NE(diagnostic.find("serial"), std::string::npos) << diagnostic;
  EXPECT_NE(diagnostic.find("usbtmc2"), std::string::npos) << diagnostic;
  EXPECT_NE(diagnostic.find("usbtmc3"), std::string::npos) << diagnostic;
}

TEST_F(UsbTmcBackendTest, WithoutTheDriverNothingIsFoundAndTheDiagnosticSaysWhy) {
  auto backend = MakeUsbTmcBackend((root_ / "no/such/class").string(), deviceDir_.string());
  EXPECT_TRUE(Find(*backend, "?*", VI_ERROR_INTF_NUM_NCONFIG).empty());
  EXPECT_NE(backend->Diagnostic().find("usbtmc"), std::string::npos) << backend->Diagnostic();
  std::unique_ptr<Session> session;
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session), VI_ERROR_RSRC_NFOUND);
  EXPECT_FALSE(session);
}

TEST_F(UsbTmcBackendTest, OpenPicksTheDeviceByNumbersAndExactSerial) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  AddInstrument(1, "1f3a", "0c21", "TW2");
  Preload(0, "from usbtmc0\n");
  Preload(1, "from usbtmc1\n");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  // Decimal numbers name the same device as hexadecimal ones.
  ASSERT_EQ(Open(*backend, "USB0::7994::3105::TW2::INSTR", session), VI_SUCCESS)
      << backend->Diagnostic();
  EXPECT_EQ(Read(*session, 256), std::make_pair(VI_SUCCESS, std::string("from usbtmc1\n")));

  std::unique_ptr<Session> other;
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::tw2::INSTR", other), VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(Open(*backend, "USB0::0x1F3B::0x0C21::TW2::INSTR", other), VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(backend->Diagnostic().find("0x1F3B"), std::string::npos) << backend->Diagnostic();
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW2::1::INSTR", other), VI_ERROR_RSRC_NFOUND);
  EXPECT_FALSE(other);
}

TEST_F(UsbTmcBackendTest, DeviceFileEchoesAndFramesMessages) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session), VI_SUCCESS)
      << backend->Diagnostic();
  size_t written = 0;
  ASSERT_EQ(session->Write("*IDN?\n", 6, written), VI_SUCCESS);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(Read(*session, 256), std::make_pair(VI_SUCCESS, std::string("*IDN?\n")));

  // A full buffer is the end of the message only when its last byte ends the message.
  const std::string binary("AB\0CDEFG\n", 9);
  ASSERT_EQ(session->Write(binary.data(), binary.size(), written), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 4), std::make_pair(VI_SUCCESS_MAX_CNT, binary.substr(0, 4)));
  EXPECT_EQ(Read(*session, 5), std::make_pair(VI_SUCCESS, binary.substr(4)));
}

TEST_F(UsbTmcBackendTest, ReadTimesOutAndClearDropsPendingInput) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  ASSERT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session, 50), VI_SUCCESS);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(*session, 64).first, VI_ERROR_TMO);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 45ms);
  EXPECT_LT(elapsed, 1s);
  EXPECT_NE(session->Detail().find("50 ms"), std::string::npos) << session->Detail();

  size_t written = 0;
  ASSERT_EQ(session->Write("stale\n", 6, written), VI_SUCCESS);
  EXPECT_EQ(session->Clear(), VI_SUCCESS);
  EXPECT_EQ(Read(*session, 64).first, VI_ERROR_TMO);
}

TEST_F(UsbTmcBackendTest, MissingOrForbiddenDeviceFilesAreReported) {
  AddInstrument(0, "1f3a", "0c21", "TW1");
  AddInstrument(1, "1f3a", "0c21", "TW2");
  fs::remove(deviceDir_ / "usbtmc0");
  auto backend = MakeBackend();
  std::unique_ptr<Session> session;
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW1::INSTR", session), VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(backend->Diagnostic().find("usbtmc0"), std::string::npos) << backend->Diagnostic();

  if (::geteuid() == 0) {
    GTEST_SKIP() << "running as root, which file permissions do not stop: the permission "
                    "check needs an ordinary account";
  }
  fs::permissions(deviceDir_ / "usbtmc1", fs::perms::none);
  EXPECT_EQ(Open(*backend, "USB0::0x1F3A::0x0C21::TW2::INSTR", session), VI_ERROR_NPERMISSION);
  EXPECT_NE(backend->Diagnostic().find("udev"), std::string::npos) << backend->Diagnostic();
  EXPECT_FALSE(session);
}

}  // namespace
}  // namespace vx::visa
