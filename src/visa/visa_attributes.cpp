// Attributes of sessions and resource managers: the session's own settings (time-out,
// termination character, END handling), what its resource name says (interface, board,
// class, USB numbers, GPIB and TCP/IP addresses), lock state and the library's identity.
// Attributes of an alias are those of the name the caller opened, as its interface is.

#include "visa/library.h"

namespace vx::visa {
namespace {

// Who made this VISA implementation, as VI_ATTR_RSRC_MANF_NAME reports it.
constexpr std::string_view kImplementationMaker = "Tolvex";
// VI_ATTR_RSRC_MANF_ID of an implementation without an assigned VISA vendor number.
constexpr ViUInt16 kUnassignedMakerId = 0x3FFF;

template <typename T>
ViStatus Put(void* out, T value) {
  *static_cast<T*>(out) = value;
  return VI_SUCCESS;
}

ViStatus PutText(void* out, std::string_view text) {
  CopyVisaText(text, static_cast<ViChar*>(out));
  return VI_SUCCESS;
}

// The library's identity, which every object reports. Returns VI_ERROR_NSUP_ATTR for others.
ViStatus ImplementationAttribute(ViAttr attribute, void* value) {
  switch (attribute) {
    case VI_ATTR_RSRC_MANF_NAME:
      return PutText(value, kImplementationMaker);
    case VI_ATTR_RSRC_MANF_ID:
      return Put<ViUInt16>(value, kUnassignedMakerId);
    case VI_ATTR_RSRC_IMPL_VERSION:
      return Put<ViVersion>(value, VX_VISA_IMPL_VERSION);
    case VI_ATTR_RSRC_SPEC_VERSION:
      return Put<ViVersion>(value, VI_SPEC_VERSION);
    default:
      return VI_ERROR_NSUP_ATTR;
  }
}

// What the resource name tells. Returns VI_ERROR_NSUP_ATTR for attributes it does not decide
// and for those of another interface type than the session's.
ViStatus NameAttribute(const OpenInstrument& instrument, ViAttr attribute, void* value) {
  const ResourceName& name = instrument.parsed;
  const bool usb = name.interfaceType == InterfaceType::Usb;
  const bool gpib = name.interfaceType == InterfaceType::Gpib;
  const bool tcpip = name.interfaceType == InterfaceType::Tcpip;
  switch (attribute) {
    case VI_ATTR_RSRC_NAME:
      return PutText(value, instrument.resourceName);
    case VI_ATTR_RSRC_CLASS:
      return PutText(value, ResourceClassName(name.resourceClass));
    case VI_ATTR_INTF_TYPE:
      return Put<ViUInt16>(value, name.VisaInterfaceCode());
    case VI_ATTR_INTF_NUM:
      return Put<ViUInt16>(value, static_cast<ViUInt16>(name.board));
    case VI_ATTR_MANF_ID:
      return usb ? Put<ViUInt16>(value, name.vendorId) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_MODEL_CODE:
      return usb ? Put<ViUInt16>(value, name.productId) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_USB_SERIAL_NUM:
      return usb ? PutText(value, name.serialNumber) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_USB_INTFC_NUM:
      return usb ? Put<ViInt16>(value, static_cast<ViInt16>(name.usbInterface.value_or(0)))
                 : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_GPIB_PRIMARY_ADDR:
      return gpib ? Put<ViUInt16>(value, static_cast<ViUInt16>(name.primaryAddress))
                  : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_GPIB_SECONDARY_ADDR:
      if (!gpib) return VI_ERROR_NSUP_ATTR;
      return Put<ViUInt16>(value, name.secondaryAddress
                                      ? static_cast<ViUInt16>(*name.secondaryAddress)
                                      : static_cast<ViUInt16>(VI_NO_SEC_ADDR));
    case VI_ATTR_TCPIP_ADDR:
      return tcpip ? PutText(value, name.host) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_TCPIP_PORT:
      return tcpip && name.resourceClass == ResourceClass::Socket ? Put<ViUInt16>(value, name.port)
                                                                  : VI_ERROR_NSUP_ATTR;
    default:
      return ImplementationAttribute(attribute, value);
  }
}

bool IsReadOnly(ViAttr attribute) {
  switch (attribute) {
    case VI_ATTR_RSRC_NAME:
    case VI_ATTR_RSRC_CLASS:
    case VI_ATTR_RSRC_MANF_NAME:
    case VI_ATTR_RSRC_MANF_ID:
    case VI_ATTR_RSRC_IMPL_VERSION:
    case VI_ATTR_RSRC_SPEC_VERSION:
    case VI_ATTR_RSRC_LOCK_STATE:
    case VI_ATTR_INTF_TYPE:
    case VI_ATTR_INTF_NUM:
    case VI_ATTR_RM_SESSION:
    case VI_ATTR_MANF_ID:
    case VI_ATTR_MODEL_CODE:
    case VI_ATTR_USB_SERIAL_NUM:
    case VI_ATTR_USB_INTFC_NUM:
    case VI_ATTR_GPIB_PRIMARY_ADDR:
    case VI_ATTR_GPIB_SECONDARY_ADDR:
    case VI_ATTR_TCPIP_ADDR:
    case VI_ATTR_TCPIP_PORT:
      return true;
    default:
      return false;
  }
}

ViStatus SetFlag(ViAttrState value, ViBoolean& flag) {
  if (value > 1) return VI_ERROR_NSUP_ATTR_STATE;
  flag = static_cast<ViBoolean>(value);
  return VI_SUCCESS;
}

}  // namespace

ViStatus Library::SetAttribute(ViObject handle, ViAttr attribute, ViAttrState value) {
  const auto instrument = FindInstrument(handle);
  if (!instrument) {
    if (!IsValid(handle)) return VI_ERROR_INV_OBJECT;
    return IsReadOnly(attribute) ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR;
  }
  if (IsReadOnly(attribute)) return VI_ERROR_ATTR_READONLY;
  std::lock_guard lock(instrument->io);
  switch (attribute) {
    case VI_ATTR_TMO_VALUE:
      if (value > VI_TMO_INFINITE) return VI_ERROR_NSUP_ATTR_STATE;
      return instrument->session->SetTimeout(static_cast<ViUInt32>(value));
    case VI_ATTR_TERMCHAR:
      if (value > 0xFF) return VI_ERROR_NSUP_ATTR_STATE;
      instrument->session->SetTermChar(static_cast<char>(value));
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR_EN:
      return SetFlag(value, instrument->termCharEnabled);
    case VI_ATTR_SEND_END_EN:
      return SetFlag(value, instrument->sendEnd);
    case VI_ATTR_SUPPRESS_END_EN:
      return SetFlag(value, instrument->suppressEnd);
    default:
      return VI_ERROR_NSUP_ATTR;
  }
}

ViStatus Library::GetAttribute(ViObject handle, ViAttr attribute, void* value) {
  if (!value) return VI_ERROR_INV_PARAMETER;
  ViSession manager = VI_NULL;
  ViAccessMode lockState = VI_NO_LOCK;
  std::shared_ptr<OpenInstrument> instrument;
  {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it == objects_.end()) return VI_ERROR_INV_OBJECT;
    if (it->second.kind != Kind::Instrument) return ImplementationAttribute(attribute, value);
    manager = it->second.manager;
    instrument = it->second.instrument;
    lockState = ResourceLockStateLocked(instrument->lockKey);
  }
  std::lock_guard lock(instrument->io);
  switch (attribute) {
    case VI_ATTR_TMO_VALUE:
      return Put<ViUInt32>(value, instrument->session->Timeout());
    case VI_ATTR_TERMCHAR:
      return Put<ViUInt8>(value, static_cast<ViUInt8>(instrument->session->TermChar()));
    case VI_ATTR_TERMCHAR_EN:
      return Put<ViBoolean>(value, instrument->termCharEnabled);
    case VI_ATTR_SEND_END_EN:
      return Put<ViBoolean>(value, instrument->sendEnd);
    case VI_ATTR_SUPPRESS_END_EN:
      return Put<ViBoolean>(value, instrument->suppressEnd);
    case VI_ATTR_RM_SESSION:
      return Put<ViSession>(value, manager);
    case VI_ATTR_RSRC_LOCK_STATE:
      return Put<ViAccessMode>(value, lockState);
    default:
      return NameAttribute(*instrument, attribute, value);
  }
}

}  // namespace vx::visa
