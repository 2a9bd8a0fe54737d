#pragma once
// The VISA I/O library as the system uses it: resource managers, resource search with match
// expressions, sessions with a time-out, formatted and raw writes, reads, device clear,
// status texts. Names, types, attribute and status values are those of the VISA standard.
//
// Results are status codes: VI_SUCCESS (0) or another completion code (positive) on success,
// a negative error code on failure. Nothing is thrown.

#include <cstdarg>
#include <cstdint>

using ViInt8 = std::int8_t;
using ViUInt8 = std::uint8_t;
using ViInt16 = std::int16_t;
using ViUInt16 = std::uint16_t;
using ViInt32 = std::int32_t;
using ViUInt32 = std::uint32_t;
using ViUInt64 = std::uint64_t;
using ViBoolean = ViUInt16;
using ViChar = char;
using ViByte = unsigned char;
using ViStatus = ViInt32;
using ViObject = ViUInt32;
using ViSession = ViObject;
using ViFindList = ViObject;
using ViAttr = ViUInt32;
using ViAttrState = ViUInt64;
using ViAccessMode = ViUInt32;
using ViBuf = ViByte*;
using ViConstBuf = const ViByte*;
using ViString = char*;
using ViConstString = const char*;
using ViRsrc = char*;
using ViConstRsrc = const char*;

constexpr ViObject VI_NULL = 0;
constexpr ViBoolean VI_TRUE = 1;
constexpr ViBoolean VI_FALSE = 0;
constexpr ViUInt32 VI_FIND_BUFLEN = 256;

// Completion codes.
constexpr ViStatus VI_SUCCESS = 0;
constexpr ViStatus VI_SUCCESS_TERM_CHAR = 0x3FFF0005;
constexpr ViStatus VI_SUCCESS_MAX_CNT = 0x3FFF0006;
constexpr ViStatus VI_WARN_NULL_OBJECT = 0x3FFF0082;
constexpr ViStatus VI_WARN_NSUP_ATTR_STATE = 0x3FFF0084;
constexpr ViStatus VI_WARN_UNKNOWN_STATUS = 0x3FFF0085;

// Error codes (the standard's unsigned notation, stored as the negative 32-bit value).
constexpr ViStatus ViError(std::uint32_t code) {
  return static_cast<ViStatus>(code);
}
constexpr ViStatus VI_ERROR_SYSTEM_ERROR = ViError(0xBFFF0000u);
constexpr ViStatus VI_ERROR_INV_OBJECT = ViError(0xBFFF000Eu);
constexpr ViStatus VI_ERROR_INV_SESSION = VI_ERROR_INV_OBJECT;
constexpr ViStatus VI_ERROR_RSRC_LOCKED = ViError(0xBFFF000Fu);
constexpr ViStatus VI_ERROR_INV_EXPR = ViError(0xBFFF0010u);
constexpr ViStatus VI_ERROR_RSRC_NFOUND = ViError(0xBFFF0011u);
constexpr ViStatus VI_ERROR_INV_RSRC_NAME = ViError(0xBFFF0012u);
constexpr ViStatus VI_ERROR_INV_ACC_MODE = ViError(0xBFFF0013u);
constexpr ViStatus VI_ERROR_TMO = ViError(0xBFFF0015u);
constexpr ViStatus VI_ERROR_CLOSING_FAILED = ViError(0xBFFF0016u);
constexpr ViStatus VI_ERROR_NSUP_ATTR = ViError(0xBFFF001Du);
constexpr ViStatus VI_ERROR_NSUP_ATTR_STATE = ViError(0xBFFF001Eu);
constexpr ViStatus VI_ERROR_ATTR_READONLY = ViError(0xBFFF001Fu);
constexpr ViStatus VI_ERROR_RAW_WR_PROT_VIOL = ViError(0xBFFF0034u);
constexpr ViStatus VI_ERROR_RAW_RD_PROT_VIOL = ViError(0xBFFF0035u);
constexpr ViStatus VI_ERROR_INV_SETUP = ViError(0xBFFF003Au);
constexpr ViStatus VI_ERROR_ALLOC = ViError(0xBFFF003Cu);
constexpr ViStatus VI_ERROR_IO = ViError(0xBFFF003Eu);
constexpr ViStatus VI_ERROR_INV_FMT = ViError(0xBFFF003Fu);
constexpr ViStatus VI_ERROR_NLISTENERS = ViError(0xBFFF005Fu);
constexpr ViStatus VI_ERROR_NSUP_OPER = ViError(0xBFFF0067u);
constexpr ViStatus VI_ERROR_USER_BUF = ViError(0xBFFF0071u);
constexpr ViStatus VI_ERROR_RSRC_BUSY = ViError(0xBFFF0072u);
constexpr ViStatus VI_ERROR_INV_PARAMETER = ViError(0xBFFF0078u);
constexpr ViStatus VI_ERROR_INV_LENGTH = ViError(0xBFFF0083u);
constexpr ViStatus VI_ERROR_LIBRARY_NFOUND = ViError(0xBFFF009Eu);
constexpr ViStatus VI_ERROR_INTF_NUM_NCONFIG = ViError(0xBFFF00A5u);
constexpr ViStatus VI_ERROR_CONN_LOST = ViError(0xBFFF00A6u);
constexpr ViStatus VI_ERROR_NPERMISSION = ViError(0xBFFF00A8u);

// Attributes.
constexpr ViAttr VI_ATTR_RSRC_NAME = 0xBFFF0002u;
constexpr ViAttr VI_ATTR_SEND_END_EN = 0x3FFF0016u;
constexpr ViAttr VI_ATTR_TERMCHAR = 0x3FFF0018u;
constexpr ViAttr VI_ATTR_TMO_VALUE = 0x3FFF001Au;
constexpr ViAttr VI_ATTR_TERMCHAR_EN = 0x3FFF0038u;
constexpr ViAttr VI_ATTR_RM_SESSION = 0x3FFF00C4u;
constexpr ViAttr VI_ATTR_INTF_TYPE = 0x3FFF0171u;
constexpr ViAttr VI_ATTR_INTF_NUM = 0x3FFF0176u;

// Values.
constexpr ViUInt32 VI_TMO_IMMEDIATE = 0;
constexpr ViUInt32 VI_TMO_INFINITE = 0xFFFFFFFFu;
constexpr ViAccessMode VI_NO_LOCK = 0;
constexpr ViAccessMode VI_EXCLUSIVE_LOCK = 1;
constexpr ViAccessMode VI_SHARED_LOCK = 2;
constexpr ViAccessMode VI_LOAD_CONFIG = 4;
constexpr ViUInt16 VI_INTF_GPIB = 1;
constexpr ViUInt16 VI_INTF_VXI = 2;
constexpr ViUInt16 VI_INTF_GPIB_VXI = 3;
constexpr ViUInt16 VI_INTF_ASRL = 4;
constexpr ViUInt16 VI_INTF_PXI = 5;
constexpr ViUInt16 VI_INTF_TCPIP = 6;
constexpr ViUInt16 VI_INTF_USB = 7;

ViStatus viOpenDefaultRM(ViSession* resourceManager);
// `expression` is a VISA match expression; `description` receives the first descriptor found
// (VI_FIND_BUFLEN bytes). `list`, `count` and `description` may be null.
ViStatus viFindRsrc(ViSession resourceManager, ViConstString expression, ViFindList* list,
                    ViUInt32* count, ViChar* description);
ViStatus viFindNext(ViFindList list, ViChar* description);
// The resource opens with the backend whose search listed it; one no search listed goes to
// each backend in a fixed order until one finds it. `mode` VI_EXCLUSIVE_LOCK is refused with
// VI_ERROR_RSRC_LOCKED while another session of this process holds a lock on the resource
// (an alias and its target are one resource), VI_SHARED_LOCK while one holds an exclusive
// lock; a lock lasts until its session closes and does not stop sessions opened without one.
ViStatus viOpen(ViSession resourceManager, ViConstRsrc name, ViAccessMode mode,
                ViUInt32 openTimeout, ViSession* session);
// Closing a resource manager closes every session and find list opened through it.
ViStatus viClose(ViObject object);
ViStatus viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value);
ViStatus viGetAttribute(ViObject object, ViAttr attribute, void* value);
// Writes the status's text (at most 255 characters and a terminator) into `description`:
// its meaning and, for the object's last failure, why it failed (cut after a whole word when
// it does not fit).
ViStatus viStatusDesc(ViObject object, ViStatus status, ViChar* description);
ViStatus viWrite(ViSession session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returnCount);
// Ends with VI_SUCCESS when the message ended within `count` bytes, with VI_SUCCESS_MAX_CNT
// when the buffer filled before the end of the message; with VI_ATTR_TERMCHAR_EN set, with
// VI_SUCCESS_TERM_CHAR after the first termination character (the rest of what came waits
// for the next read).
ViStatus viRead(ViSession session, ViBuf buffer, ViUInt32 count, ViUInt32* returnCount);
// printf-style formatted write in the C locale.
ViStatus viPrintf(ViSession session, ViConstString format, ...)
    __attribute__((format(printf, 2, 3)));
ViStatus viVPrintf(ViSession session, ViConstString format, va_list args)
    __attribute__((format(printf, 2, 0)));
ViStatus viClear(ViSession session);
