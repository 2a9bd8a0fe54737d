#include "visa/resource_name.h"

#include <array>
#include <charconv>
#include <vector>

#include "common/c_number.h"
#include "visa/visa.h"

namespace vx::visa {
namespace {

struct InterfaceSpelling {
  std::string_view prefix;
  InterfaceType type;
};

// Longest prefixes first, so that "GPIB-VXI" is not taken for "GPIB".
constexpr std::array<InterfaceSpelling, 7> kInterfaces{{
    {"GPIB-VXI", InterfaceType::GpibVxi},
    {"TCPIP", InterfaceType::Tcpip},
    {"GPIB", InterfaceType::Gpib},
    {"ASRL", InterfaceType::Asrl},
    {"USB", InterfaceType::Usb},
    {"VXI", InterfaceType::Vxi},
    {"PXI", InterfaceType::Pxi},
}};

struct ClassSpelling {
  std::string_view name;
  ResourceClass resourceClass;
};

constexpr std::array<ClassSpelling, 7> kClasses{{
    {"INSTR", ResourceClass::Instr},
    {"INTFC", ResourceClass::Intfc},
    {"SOCKET", ResourceClass::Socket},
    {"RAW", ResourceClass::Raw},
    {"BACKPLANE", ResourceClass::Backplane},
    {"SERVANT", ResourceClass::Servant},
    {"MEMACC", ResourceClass::Memacc},
}};

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t sep = text.find("::", start);
    if (sep == std::string_view::npos) {
      fields.push_back(text.substr(start));
      return fields;
    }
    fields.push_back(text.substr(start, sep - start));
    start = sep + 2;
  }
}

bool ParseUnsigned(std::string_view text, unsigned& value, unsigned limit) {
  if (text.empty() || text.size() > 9) return false;
  unsigned result = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result, 10);
  if (ec != std::errc{} || end != text.data() + text.size() || result > limit) return false;
  value = result;
  return true;
}

// USB manufacturer and model numbers: "0x1F3A" in hexadecimal or "7994" in decimal.
bool ParseUsbNumber(std::string_view text, std::uint16_t& value) {
  unsigned result = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    if (digits.empty() || digits.size() > 4) return false;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), result, 16);
    if (ec != std::errc{} || end != digits.data() + digits.size()) return false;
  } else if (!ParseUnsigned(text, result, 0xFFFF)) {
    return false;
  }
  value = static_cast<std::uint16_t>(result);
  return true;
}

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

bool ParseGpib(std::vector<std::string_view>& f, ResourceName& r, std::string* error) {
  if (r.resourceClass == ResourceClass::Intfc) {
    return f.empty() || Fail(error, "a GPIB INTFC resource takes no address");
  }
  if (f.empty() || f.size() > 2)
    return Fail(error, "a GPIB resource takes a primary address and an optional secondary address");
  if (!ParseUnsigned(f[0], r.primaryAddress, 30))
    return Fail(error, "GPIB primary address must be 0 to 30");
  if (f.size() == 2) {
    unsigned secondary = 0;
    if (!ParseUnsigned(f[1], secondary, 30))
      return Fail(error, "GPIB secondary address must be 0 to 30");
    r.secondaryAddress = secondary;
  }
  return r.resourceClass == ResourceClass::Instr ||
         Fail(error, "GPIB addresses belong to INSTR resources");
}

bool ParseUsb(std::vector<std::string_view>& f, ResourceName& r, std::string* error) {
  if (r.resourceClass != ResourceClass::Instr && r.resourceClass != ResourceClass::Raw) {
    return Fail(error, "USB resources are INSTR or RAW");
  }
  if (f.size() < 3 || f.size() > 4)
    return Fail(error,
                "a USB resource takes manufacturer ID, model code, serial number and an optional "
                "interface number");
  if (!ParseUsbNumber(f[0], r.vendorId))
    return Fail(error, "USB manufacturer ID is not a 16-bit number");
  if (!ParseUsbNumber(f[1], r.productId))
    return Fail(error, "USB model code is not a 16-bit number");
  if (f[2].empty()) return Fail(error, "USB serial number is empty");
  r.serialNumber = std::string(f[2]);
  if (f.size() == 4) {
    unsigned number = 0;
    if (!ParseUnsigned(f[3], number, 255))
      return Fail(error, "USB interface number must be 0 to 255");
    r.usbInterface = number;
  }
  return true;
}

bool ParseTcpip(std::vector<std::string_view>& f, ResourceName& r, std::string* error) {
  if (f.empty() || f[0].empty()) return Fail(error, "a TCPIP resource needs a host address");
  r.host = std::string(f[0]);
  if (r.resourceClass == ResourceClass::Socket) {
    unsigned port = 0;
    if (f.size() != 2 || !ParseUnsigned(f[1], port, 65535) || port == 0) {
      return Fail(error, "a TCPIP SOCKET resource takes a host address and a port from 1 to 65535");
    }
    r.port = static_cast<std::uint16_t>(port);
    return true;
  }
  if (r.resourceClass != ResourceClass::Instr)
    return Fail(error, "TCPIP resources are INSTR or SOCKET");
  if (f.size() > 2)
    return Fail(error, "a TCPIP INSTR resource takes a host address and an optional device name");
  r.lanDeviceName = f.size() == 2 ? std::string(f[1]) : std::string("inst0");
  return true;
}

}  // namespace

std::string_view InterfaceName(InterfaceType type) {
  for (const auto& spelling : kInterfaces) {
    if (spelling.type == type) return spelling.prefix;
  }
  return "?";
}

std::string_view ResourceClassName(ResourceClass resourceClass) {
  for (const auto& spelling : kClasses) {
    if (spelling.resourceClass == resourceClass) return spelling.name;
  }
  return "?";
}

std::optional<ResourceName> ParseResourceName(std::string_view text, std::string* error) {
  ResourceName r;
  text = Trim(text);
  if (text.empty()) {
    Fail(error, "the resource name is empty");
    return std::nullopt;
  }
  if (text.size() >= VI_FIND_BUFLEN) {
    Fail(error, "the resource name is longer than 255 characters");
    return std::nullopt;
  }
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      Fail(error, "the resource name holds a control character");
      return std::nullopt;
    }
  }
  std::vector<std::string_view> fields = SplitFields(text);

  // Interface type and board number: "GPIB0", "usb", "TCPIP1".
  const std::string head = ToUpperAscii(fields.front());
  bool known = false;
  for (const auto& spelling : kInterfaces) {
    if (head.compare(0, spelling.prefix.size(), spelling.prefix) == 0) {
      const std::string_view board = std::string_view(head).substr(spelling.prefix.size());
      if (!board.empty() && !ParseUnsigned(board, r.board, 9999)) {
        Fail(error, "the board number after " + std::string(spelling.prefix) + " is not a number");
        return std::nullopt;
      }
      r.interfaceType = spelling.type;
      known = true;
      break;
    }
  }
  if (!known) {
    Fail(error, "unknown interface type \"" + std::string(fields.front()) + "\"");
    return std::nullopt;
  }
  fields.erase(fields.begin());

  // Resource class: the last field when it names one, INSTR otherwise.
  if (!fields.empty()) {
    const std::string last = ToUpperAscii(fields.back());
    for (const auto& spelling : kClasses) {
      if (last == spelling.name) {
        r.resourceClass = spelling.resourceClass;
        fields.pop_back();
        break;
      }
    }
  }
  for (const std::string_view field : fields) {
    if (field.empty()) {
      Fail(error, "the resource name has an empty field");
      return std::nullopt;
    }
    // "host:::INSTR" could be split more than one way.
    if (field.front() == ':' || field.back() == ':') {
      Fail(error, "a field of the resource name begins or ends with \":\"");
      return std::nullopt;
    }
  }

  bool ok = true;
  switch (r.interfaceType) {
    case InterfaceType::Gpib:
      ok = ParseGpib(fields, r, error);
      break;
    case InterfaceType::Usb:
      ok = ParseUsb(fields, r, error);
      break;
    case InterfaceType::Tcpip:
      ok = ParseTcpip(fields, r, error);
      break;
    default:
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i) r.rest += "::";
        r.rest += std::string(fields[i]);
      }
      break;
  }
  if (!ok) return std::nullopt;
  // Every call that takes a name may hand its full spelling back in a buffer of 256
  // characters: a name whose full spelling does not fit is refused, never cut.
  if (const size_t full = r.Canonical().size(); full >= VI_FIND_BUFLEN) {
    Fail(error, "the resource name is longer than 255 characters when written out in full (" +
                    std::to_string(full) + ")");
    return std::nullopt;
  }
  return r;
}

std::string ResourceName::Canonical() const {
  std::string out = std::string(InterfaceName(interfaceType)) + std::to_string(board);
  switch (interfaceType) {
    case InterfaceType::Gpib:
      if (resourceClass == ResourceClass::Intfc) break;
      out += "::" + std::to_string(primaryAddress);
      if (secondaryAddress) out += "::" + std::to_string(*secondaryAddress);
      break;
    case InterfaceType::Usb:
      out += FormatC("::0x%04X::0x%04X::", vendorId, productId) + serialNumber;
      if (usbInterface) out += "::" + std::to_string(*usbInterface);
      break;
    case InterfaceType::Tcpip:
      out += "::" + host;
      if (resourceClass == ResourceClass::Socket) {
        out += "::" + std::to_string(port);
      } else if (lanDeviceName != "inst0") {
        out += "::" + lanDeviceName;
      }
      break;
    default:
      if (!rest.empty()) out += "::" + rest;
      break;
  }
  for (const auto& spelling : kClasses) {
    if (spelling.resourceClass == resourceClass) {
      out += "::";
      out += spelling.name;
    }
  }
  return out;
}

std::uint16_t ResourceName::VisaInterfaceCode() const {
  switch (interfaceType) {
    case InterfaceType::Gpib:
      return VI_INTF_GPIB;
    case InterfaceType::Vxi:
      return VI_INTF_VXI;
    case InterfaceType::GpibVxi:
      return VI_INTF_GPIB_VXI;
    case InterfaceType::Asrl:
      return VI_INTF_ASRL;
    case InterfaceType::Pxi:
      return VI_INTF_PXI;
    case InterfaceType::Tcpip:
      return VI_INTF_TCPIP;
    case InterfaceType::Usb:
      return VI_INTF_USB;
  }
  return 0;
}

}  // namespace vx::visa
