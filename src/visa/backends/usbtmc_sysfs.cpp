#include "visa/backends/usbtmc_sysfs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>

#include "common/c_number.h"
#include "visa/backends/posix_io.h"

namespace vx::visa {
namespace {

namespace fs = std::filesystem;

// The text of a small sysfs attribute, or nothing when it cannot be read.
std::optional<std::string> ReadAttribute(const fs::path& path) {
  posix::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
  return AttributeLine(std::string_view(buffer, length));
}

std::optional<unsigned> HexAttribute(const fs::path& path, unsigned limit) {
  const auto text = ReadAttribute(path);
  return text ? ParseHex(*text, limit) : std::nullopt;
}

}  // namespace

std::string AttributeLine(std::string_view text) {
  return std::string(Trim(text.substr(0, text.find('\n'))));
}

std::optional<unsigned> ParseHex(std::string_view text, unsigned limit) {
  if (text.empty()) return std::nullopt;
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value, 16);
  if (error != std::errc() || ptr != end || value > limit) return std::nullopt;
  return value;
}

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

UsbTmcScan ScanUsbTmcSysfs(const std::string& classDir) {
  UsbTmcScan scan;
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
    const auto vendor = HexAttribute(deviceDir / "idVendor", 0xFFFF);
    const auto product = HexAttribute(deviceDir / "idProduct", 0xFFFF);
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
    entry.interfaceNumber = HexAttribute(interfaceDir / "bInterfaceNumber", 0xFF);
    scan.entries.push_back(std::move(entry));
  }
  if (error) note("cannot list " + classDir + ": " + error.message());
  std::sort(scan.entries.begin(), scan.entries.end(),
            [](const UsbTmcEntry& a, const UsbTmcEntry& b) { return a.number < b.number; });
  return scan;
}

const UsbTmcEntry* FindUsbTmcEntry(const std::vector<UsbTmcEntry>& entries,
                                   const ResourceName& name) {
  const UsbTmcEntry* caseless = nullptr;
  for (const UsbTmcEntry& entry : entries) {
    if (entry.vendorId != name.vendorId || entry.productId != name.productId ||
        (name.usbInterface && name.usbInterface != entry.interfaceNumber)) {
      continue;
    }
    if (entry.serial == name.serialNumber) return &entry;
    if (!caseless && EqualsNoCase(entry.serial, name.serialNumber)) caseless = &entry;
  }
  return caseless;
}

}  // namespace vx::visa
