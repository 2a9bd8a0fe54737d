// The VISA entry points under their standard names, with C linkage: the project's programs
// call them from the static library, C programs and PyVISA from libvxvisa.so. Each one hands
// over to the library core.

#include <cstring>
#include <string>

#include "common/c_number.h"
#include "visa/library.h"
#include "visa/visa.h"

using vx::visa::Library;

namespace {

// Every event type the standard defines for message-based sessions, and the wildcard.
bool KnownEventType(ViEventType type) {
  switch (type) {
    case VI_EVENT_IO_COMPLETION:
    case VI_EVENT_TRIG:
    case VI_EVENT_SERVICE_REQ:
    case VI_EVENT_CLEAR:
    case VI_EVENT_EXCEPTION:
    case VI_EVENT_GPIB_CIC:
    case VI_EVENT_GPIB_TALK:
    case VI_EVENT_GPIB_LISTEN:
    case VI_EVENT_TCPIP_CONNECT:
    case VI_EVENT_USB_INTR:
    case VI_ALL_ENABLED_EVENTS:
      return true;
    default:
      return false;
  }
}

// The checks the event operations share: a live object, a known event type and mechanism.
ViStatus CheckEventArguments(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
  if (!Library::Instance().IsValid(vi)) return VI_ERROR_INV_OBJECT;
  if (!KnownEventType(eventType)) return VI_ERROR_INV_EVENT;
  if (mechanism == 0 ||
      (mechanism != VI_ALL_MECH && (mechanism & ~(VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR)) != 0)) {
    return VI_ERROR_INV_MECH;
  }
  return VI_SUCCESS;
}

}  // namespace

ViStatus _VI_FUNC viOpenDefaultRM(ViPSession vi) {
  return Library::Instance().OpenDefaultRM(vi);
}

ViStatus _VI_FUNC viFindRsrc(ViSession sesn, ViConstString expr, ViPFindList vi, ViPUInt32 retCnt,
                             ViChar desc[]) {
  return Library::Instance().FindRsrc(sesn, expr, vi, retCnt, desc);
}

ViStatus _VI_FUNC viFindNext(ViFindList vi, ViChar desc[]) {
  return Library::Instance().FindNext(vi, desc);
}

ViStatus _VI_FUNC viParseRsrc(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                              ViPUInt16 intfNum) {
  return Library::Instance().ParseRsrc(rmSesn, rsrcName, intfType, intfNum, nullptr, nullptr,
                                       nullptr);
}

ViStatus _VI_FUNC viParseRsrcEx(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                                ViPUInt16 intfNum, ViChar rsrcClass[],
                                ViChar expandedUnaliasedName[], ViChar aliasIfExists[]) {
  return Library::Instance().ParseRsrc(rmSesn, rsrcName, intfType, intfNum, rsrcClass,
                                       expandedUnaliasedName, aliasIfExists);
}

ViStatus _VI_FUNC viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 /*timeout*/,
                         ViPSession vi) {
  return Library::Instance().Open(sesn, name, mode, vi);
}

ViStatus _VI_FUNC viClose(ViObject vi) {
  return Library::Instance().Close(vi);
}

ViStatus _VI_FUNC viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue) {
  return Library::Instance().SetAttribute(vi, attrName, attrValue);
}

ViStatus _VI_FUNC viGetAttribute(ViObject vi, ViAttr attrName, void* attrValue) {
  return Library::Instance().GetAttribute(vi, attrName, attrValue);
}

ViStatus _VI_FUNC viStatusDesc(ViObject vi, ViStatus status, ViChar desc[]) {
  return Library::Instance().StatusDesc(vi, status, desc);
}

ViStatus _VI_FUNC viLock(ViSession vi, ViAccessMode lockType, ViUInt32 timeout,
                         ViConstKeyId requestedKey, ViChar accessKey[]) {
  return Library::Instance().Lock(vi, lockType, timeout, requestedKey, accessKey);
}

ViStatus _VI_FUNC viUnlock(ViSession vi) {
  return Library::Instance().Unlock(vi);
}

ViStatus _VI_FUNC viEnableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism,
                                ViEventFilter /*context*/) {
  const ViStatus status = CheckEventArguments(vi, eventType, mechanism);
  if (status < VI_SUCCESS) return status;
  return Library::Instance().RecordDetail(vi, VI_ERROR_NSUP_OPER, "this library raises no events");
}

ViStatus _VI_FUNC viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
  const ViStatus status = CheckEventArguments(vi, eventType, mechanism);
  return status < VI_SUCCESS ? status : VI_SUCCESS_EVENT_DIS;
}

ViStatus _VI_FUNC viDiscardEvents(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
  const ViStatus status = CheckEventArguments(vi, eventType, mechanism);
  return status < VI_SUCCESS ? status : VI_SUCCESS_QUEUE_EMPTY;
}

ViStatus _VI_FUNC viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
  return Library::Instance().Read(vi, buf, cnt, retCnt);
}

ViStatus _VI_FUNC viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
  return Library::Instance().Write(vi, reinterpret_cast<const char*>(buf), cnt, retCnt);
}

ViStatus _VI_FUNC viBufWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
  // Writes are not buffered: a buffered write is a write.
  return viWrite(vi, buf, cnt, retCnt);
}

ViStatus _VI_FUNC viBufRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
  // No formatted read buffer stands between: a buffered read is a read.
  return viRead(vi, buf, cnt, retCnt);
}

ViStatus _VI_FUNC viReadSTB(ViSession vi, ViPUInt16 status) {
  return Library::Instance().ReadStatusByte(vi, status);
}

ViStatus _VI_FUNC viClear(ViSession vi) {
  return Library::Instance().Clear(vi);
}

ViStatus _VI_FUNC viFlush(ViSession vi, ViUInt16 mask) {
  return Library::Instance().Flush(vi, mask);
}

ViStatus _VI_FUNC viVPrintf(ViSession vi, ViConstString writeFmt, va_list params) {
  if (!writeFmt) return VI_ERROR_INV_FMT;
  const std::string text = vx::VFormatC(writeFmt, params);
  return Library::Instance().Write(vi, text.data(), text.size(), nullptr);
}

ViStatus _VI_FUNCC viPrintf(ViSession vi, ViConstString writeFmt, ...) {
  va_list params;
  va_start(params, writeFmt);
  const ViStatus status = viVPrintf(vi, writeFmt, params);
  va_end(params);
  return status;
}
