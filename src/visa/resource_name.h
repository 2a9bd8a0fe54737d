#pragma once
// VISA resource descriptors ("USB0::0x1F3A::0x0C21::TW00012345::INSTR", "GPIB0::22::INSTR",
// "TCPIP0::127.0.0.1::5025::SOCKET", ...) parsed once into a typed value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx::visa {

enum class InterfaceType { Gpib, Vxi, GpibVxi, Asrl, Pxi, Tcpip, Usb };
enum class ResourceClass { Instr, Intfc, Socket, Raw, Backplane, Servant, Memacc };

struct ResourceName {
  InterfaceType interfaceType = InterfaceType::Gpib;
  unsigned board = 0;
  ResourceClass resourceClass = ResourceClass::Instr;

  // GPIB INSTR
  unsigned primaryAddress = 0;
  std::optional<unsigned> secondaryAddress;
  // USB INSTR and RAW
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string serialNumber;
  std::optional<unsigned> usbInterface;
  // TCPIP INSTR and SOCKET
  std::string host;
  std::string lanDeviceName;  // INSTR only
  std::uint16_t port = 0;     // SOCKET only
  // VXI, PXI and serial resources keep the rest of the descriptor as given.
  std::string rest;

  // The canonical spelling: upper-case interface and class, the board number always given,
  // USB numbers as four hexadecimal digits ("USB0::0x1F3A::0x0C21::TW1::INSTR").
  std::string Canonical() const;
  std::uint16_t VisaInterfaceCode() const;
  bool operator==(const ResourceName&) const = default;
};

// On failure returns std::nullopt and, when `error` is given, says what is wrong.
std::optional<ResourceName> ParseResourceName(std::string_view text, std::string* error = nullptr);

std::string_view InterfaceName(InterfaceType type);
// "INSTR", "SOCKET", ...
std::string_view ResourceClassName(ResourceClass resourceClass);

}  // namespace vx::visa
