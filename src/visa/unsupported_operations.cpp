// The operations of the VISA standard that this library does not carry out. Each is
// exported all the same, so that a client that binds every operation by name (PyVISA does)
// loads the library, and each call answers VI_ERROR_NSUP_OPER with the reason in its status
// text; the peek and poke calls, which return nothing, do nothing.

#include <string>

#include "visa/library.h"
#include "visa/visa.h"

namespace {

constexpr const char* kEvents = "this library raises no events";
constexpr const char* kAsynchronous = "transfers are synchronous here; use viRead and viWrite";
constexpr const char* kFiles =
    "transfers to and from files are not carried out; use viRead and viWrite";
constexpr const char* kBuffers = "writes are not buffered and reads keep no formatted buffer";
constexpr const char* kFormattedText =
    "formatting into a buffer of unknown size is not carried out; format the text with snprintf";
constexpr const char* kFormattedReads =
    "formatted reads are not carried out; read with viRead and convert the text";
constexpr const char* kInterfaceControl = "control of the bus or the USB pipe is not carried out";
constexpr const char* kRegisterAccess =
    "register-based access is not carried out; the instruments are message-based";

ViStatus Unsupported(ViObject vi, const char* operation, const char* reason) {
  vx::visa::Library& library = vx::visa::Library::Instance();
  if (!library.IsValid(vi)) return VI_ERROR_NSUP_OPER;
  return library.RecordDetail(vi, VI_ERROR_NSUP_OPER, std::string(operation) + ": " + reason);
}

}  // namespace

ViStatus _VI_FUNC viTerminate(ViObject vi, ViUInt16, ViJobId) {
  return Unsupported(vi, "viTerminate", kEvents);
}

ViStatus _VI_FUNC viWaitOnEvent(ViSession vi, ViEventType, ViUInt32, ViPEventType, ViPEvent) {
  return Unsupported(vi, "viWaitOnEvent", kEvents);
}

ViStatus _VI_FUNC viInstallHandler(ViSession vi, ViEventType, ViHndlr, ViAddr) {
  return Unsupported(vi, "viInstallHandler", kEvents);
}

ViStatus _VI_FUNC viUninstallHandler(ViSession vi, ViEventType, ViHndlr, ViAddr) {
  return Unsupported(vi, "viUninstallHandler", kEvents);
}

ViStatus _VI_FUNC viReadAsync(ViSession vi, ViPBuf, ViUInt32, ViPJobId) {
  return Unsupported(vi, "viReadAsync", kAsynchronous);
}

ViStatus _VI_FUNC viReadToFile(ViSession vi, ViConstString, ViUInt32, ViPUInt32) {
  return Unsupported(vi, "viReadToFile", kFiles);
}

ViStatus _VI_FUNC viWriteAsync(ViSession vi, ViConstBuf, ViUInt32, ViPJobId) {
  return Unsupported(vi, "viWriteAsync", kAsynchronous);
}

ViStatus _VI_FUNC viWriteFromFile(ViSession vi, ViConstString, ViUInt32, ViPUInt32) {
  return Unsupported(vi, "viWriteFromFile", kFiles);
}

ViStatus _VI_FUNC viAssertTrigger(ViSession vi, ViUInt16) {
  return Unsupported(vi, "viAssertTrigger", kInterfaceControl);
}

ViStatus _VI_FUNC viSetBuf(ViSession vi, ViUInt16, ViUInt32) {
  return Unsupported(vi, "viSetBuf", kBuffers);
}

ViStatus _VI_FUNCC viSPrintf(ViSession vi, ViPBuf, ViConstString, ...) {
  return Unsupported(vi, "viSPrintf", kFormattedText);
}

ViStatus _VI_FUNC viVSPrintf(ViSession vi, ViPBuf, ViConstString, va_list) {
  return Unsupported(vi, "viVSPrintf", kFormattedText);
}

ViStatus _VI_FUNCC viScanf(ViSession vi, ViConstString, ...) {
  return Unsupported(vi, "viScanf", kFormattedReads);
}

ViStatus _VI_FUNC viVScanf(ViSession vi, ViConstString, va_list) {
  return Unsupported(vi, "viVScanf", kFormattedReads);
}

ViStatus _VI_FUNCC viSScanf(ViSession vi, ViConstBuf, ViConstString, ...) {
  return Unsupported(vi, "viSScanf", kFormattedReads);
}

ViStatus _VI_FUNC viVSScanf(ViSession vi, ViConstBuf, ViConstString, va_list) {
  return Unsupported(vi, "viVSScanf", kFormattedReads);
}

ViStatus _VI_FUNCC viQueryf(ViSession vi, ViConstString, ViConstString, ...) {
  return Unsupported(vi, "viQueryf", kFormattedReads);
}

ViStatus _VI_FUNC viVQueryf(ViSession vi, ViConstString, ViConstString, va_list) {
  return Unsupported(vi, "viVQueryf", kFormattedReads);
}

ViStatus _VI_FUNC viGpibControlREN(ViSession vi, ViUInt16) {
  return Unsupported(vi, "viGpibControlREN", kInterfaceControl);
}

ViStatus _VI_FUNC viGpibControlATN(ViSession vi, ViUInt16) {
  return Unsupported(vi, "viGpibControlATN", kInterfaceControl);
}

ViStatus _VI_FUNC viGpibSendIFC(ViSession vi) {
  return Unsupported(vi, "viGpibSendIFC", kInterfaceControl);
}

ViStatus _VI_FUNC viGpibCommand(ViSession vi, ViConstBuf, ViUInt32, ViPUInt32) {
  return Unsupported(vi, "viGpibCommand", kInterfaceControl);
}

ViStatus _VI_FUNC viGpibPassControl(ViSession vi, ViUInt16, ViUInt16) {
  return Unsupported(vi, "viGpibPassControl", kInterfaceControl);
}

ViStatus _VI_FUNC viVxiCommandQuery(ViSession vi, ViUInt16, ViUInt32, ViPUInt32) {
  return Unsupported(vi, "viVxiCommandQuery", kInterfaceControl);
}

ViStatus _VI_FUNC viAssertUtilSignal(ViSession vi, ViUInt16) {
  return Unsupported(vi, "viAssertUtilSignal", kInterfaceControl);
}

ViStatus _VI_FUNC viAssertIntrSignal(ViSession vi, ViInt16, ViUInt32) {
  return Unsupported(vi, "viAssertIntrSignal", kInterfaceControl);
}

ViStatus _VI_FUNC viMapTrigger(ViSession vi, ViInt16, ViInt16, ViUInt16) {
  return Unsupported(vi, "viMapTrigger", kInterfaceControl);
}

ViStatus _VI_FUNC viUnmapTrigger(ViSession vi, ViInt16, ViInt16) {
  return Unsupported(vi, "viUnmapTrigger", kInterfaceControl);
}

ViStatus _VI_FUNC viUsbControlOut(ViSession vi, ViInt16, ViInt16, ViUInt16, ViUInt16, ViUInt16,
                                  ViConstBuf) {
  return Unsupported(vi, "viUsbControlOut", kInterfaceControl);
}

ViStatus _VI_FUNC viUsbControlIn(ViSession vi, ViInt16, ViInt16, ViUInt16, ViUInt16, ViUInt16,
                                 ViPBuf, ViPUInt16) {
  return Unsupported(vi, "viUsbControlIn", kInterfaceControl);
}

ViStatus _VI_FUNC viIn8(ViSession vi, ViUInt16, ViBusAddress, ViPUInt8) {
  return Unsupported(vi, "viIn8", kRegisterAccess);
}

ViStatus _VI_FUNC viOut8(ViSession vi, ViUInt16, ViBusAddress, ViUInt8) {
  return Unsupported(vi, "viOut8", kRegisterAccess);
}

ViStatus _VI_FUNC viIn16(ViSession vi, ViUInt16, ViBusAddress, ViPUInt16) {
  return Unsupported(vi, "viIn16", kRegisterAccess);
}

ViStatus _VI_FUNC viOut16(ViSession vi, ViUInt16, ViBusAddress, ViUInt16) {
  return Unsupported(vi, "viOut16", kRegisterAccess);
}

ViStatus _VI_FUNC viIn32(ViSession vi, ViUInt16, ViBusAddress, ViPUInt32) {
  return Unsupported(vi, "viIn32", kRegisterAccess);
}

ViStatus _VI_FUNC viOut32(ViSession vi, ViUInt16, ViBusAddress, ViUInt32) {
  return Unsupported(vi, "viOut32", kRegisterAccess);
}

ViStatus _VI_FUNC viIn64(ViSession vi, ViUInt16, ViBusAddress, ViPUInt64) {
  return Unsupported(vi, "viIn64", kRegisterAccess);
}

ViStatus _VI_FUNC viOut64(ViSession vi, ViUInt16, ViBusAddress, ViUInt64) {
  return Unsupported(vi, "viOut64", kRegisterAccess);
}

ViStatus _VI_FUNC viIn8Ex(ViSession vi, ViUInt16, ViBusAddress64, ViPUInt8) {
  return Unsupported(vi, "viIn8Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viOut8Ex(ViSession vi, ViUInt16, ViBusAddress64, ViUInt8) {
  return Unsupported(vi, "viOut8Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viIn16Ex(ViSession vi, ViUInt16, ViBusAddress64, ViPUInt16) {
  return Unsupported(vi, "viIn16Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viOut16Ex(ViSession vi, ViUInt16, ViBusAddress64, ViUInt16) {
  return Unsupported(vi, "viOut16Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viIn32Ex(ViSession vi, ViUInt16, ViBusAddress64, ViPUInt32) {
  return Unsupported(vi, "viIn32Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viOut32Ex(ViSession vi, ViUInt16, ViBusAddress64, ViUInt32) {
  return Unsupported(vi, "viOut32Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viIn64Ex(ViSession vi, ViUInt16, ViBusAddress64, ViPUInt64) {
  return Unsupported(vi, "viIn64Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viOut64Ex(ViSession vi, ViUInt16, ViBusAddress64, ViUInt64) {
  return Unsupported(vi, "viOut64Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn8(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt8) {
  return Unsupported(vi, "viMoveIn8", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut8(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt8) {
  return Unsupported(vi, "viMoveOut8", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn16(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt16) {
  return Unsupported(vi, "viMoveIn16", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut16(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt16) {
  return Unsupported(vi, "viMoveOut16", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn32(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt32) {
  return Unsupported(vi, "viMoveIn32", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut32(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt32) {
  return Unsupported(vi, "viMoveOut32", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn64(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt64) {
  return Unsupported(vi, "viMoveIn64", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut64(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt64) {
  return Unsupported(vi, "viMoveOut64", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn8Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt8) {
  return Unsupported(vi, "viMoveIn8Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut8Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt8) {
  return Unsupported(vi, "viMoveOut8Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn16Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt16) {
  return Unsupported(vi, "viMoveIn16Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut16Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt16) {
  return Unsupported(vi, "viMoveOut16Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn32Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt32) {
  return Unsupported(vi, "viMoveIn32Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut32Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt32) {
  return Unsupported(vi, "viMoveOut32Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveIn64Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt64) {
  return Unsupported(vi, "viMoveIn64Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveOut64Ex(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViAUInt64) {
  return Unsupported(vi, "viMoveOut64Ex", kRegisterAccess);
}

ViStatus _VI_FUNC viMove(ViSession vi, ViUInt16, ViBusAddress, ViUInt16, ViUInt16, ViBusAddress,
                         ViUInt16, ViBusSize) {
  return Unsupported(vi, "viMove", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveAsync(ViSession vi, ViUInt16, ViBusAddress, ViUInt16, ViUInt16,
                              ViBusAddress, ViUInt16, ViBusSize, ViPJobId) {
  return Unsupported(vi, "viMoveAsync", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveEx(ViSession vi, ViUInt16, ViBusAddress64, ViUInt16, ViUInt16,
                           ViBusAddress64, ViUInt16, ViBusSize) {
  return Unsupported(vi, "viMoveEx", kRegisterAccess);
}

ViStatus _VI_FUNC viMoveAsyncEx(ViSession vi, ViUInt16, ViBusAddress64, ViUInt16, ViUInt16,
                                ViBusAddress64, ViUInt16, ViBusSize, ViPJobId) {
  return Unsupported(vi, "viMoveAsyncEx", kRegisterAccess);
}

ViStatus _VI_FUNC viMapAddress(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViBoolean, ViAddr,
                               ViPAddr) {
  return Unsupported(vi, "viMapAddress", kRegisterAccess);
}

ViStatus _VI_FUNC viMapAddressEx(ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViBoolean,
                                 ViAddr, ViPAddr) {
  return Unsupported(vi, "viMapAddressEx", kRegisterAccess);
}

ViStatus _VI_FUNC viUnmapAddress(ViSession vi) {
  return Unsupported(vi, "viUnmapAddress", kRegisterAccess);
}

ViStatus _VI_FUNC viMemAlloc(ViSession vi, ViBusSize, ViPBusAddress) {
  return Unsupported(vi, "viMemAlloc", kRegisterAccess);
}

ViStatus _VI_FUNC viMemAllocEx(ViSession vi, ViBusSize, ViPBusAddress64) {
  return Unsupported(vi, "viMemAllocEx", kRegisterAccess);
}

ViStatus _VI_FUNC viMemFree(ViSession vi, ViBusAddress) {
  return Unsupported(vi, "viMemFree", kRegisterAccess);
}

ViStatus _VI_FUNC viMemFreeEx(ViSession vi, ViBusAddress64) {
  return Unsupported(vi, "viMemFreeEx", kRegisterAccess);
}

void _VI_FUNC viPeek8(ViSession, ViAddr, ViPUInt8) {}

void _VI_FUNC viPoke8(ViSession, ViAddr, ViUInt8) {}

void _VI_FUNC viPeek16(ViSession, ViAddr, ViPUInt16) {}

void _VI_FUNC viPoke16(ViSession, ViAddr, ViUInt16) {}

void _VI_FUNC viPeek32(ViSession, ViAddr, ViPUInt32) {}

void _VI_FUNC viPoke32(ViSession, ViAddr, ViUInt32) {}

void _VI_FUNC viPeek64(ViSession, ViAddr, ViPUInt64) {}

void _VI_FUNC viPoke64(ViSession, ViAddr, ViUInt64) {}
