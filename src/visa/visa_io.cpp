// Transfers (write, read, clear), the bounded whole-message read, and the VISA entry points
// under their standard names.

#include <algorithm>
#include <chrono>
#include <vector>

#include "common/c_number.h"
#include "visa/library.h"
#include "visa/read_message.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace vx::visa {

ViStatus Library::Write(ViSession handle, const char* data, size_t length, ViUInt32* returnCount) {
  if (returnCount) *returnCount = 0;
  const auto instrument = FindInstrument(handle);
  if (!instrument) return IsValid(handle) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
  if (!data && length > 0) return VI_ERROR_USER_BUF;
  size_t written = 0;
  ViStatus status;
  {
    std::lock_guard lock(instrument->io);
    Session& session = *instrument->session;
    const char end = session.TermChar();
    if (instrument->sendEnd && session.NeedsTermCharForEnd() && length > 0 &&
        data[length - 1] != end) {
      std::string ended(data, length);
      ended += end;
      status = session.Write(ended.data(), ended.size(), written);
      written = std::min(written, length);
    } else {
      status = session.Write(data, length, written);
    }
  }
  if (returnCount) *returnCount = static_cast<ViUInt32>(written);
  if (status < VI_SUCCESS) RecordDetail(handle, status, instrument->session->Detail());
  return status;
}

ViStatus Library::Read(ViSession handle, ViBuf buffer, ViUInt32 capacity, ViUInt32* returnCount) {
  if (returnCount) *returnCount = 0;
  const auto instrument = FindInstrument(handle);
  if (!instrument) return IsValid(handle) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
  if (!buffer && capacity > 0) return VI_ERROR_USER_BUF;
  size_t received = 0;
  ViStatus status;
  {
    std::lock_guard lock(instrument->io);
    status = instrument->framing.Read(*instrument->session, reinterpret_cast<char*>(buffer),
                                      capacity, received, instrument->termCharEnabled);
  }
  if (returnCount) *returnCount = static_cast<ViUInt32>(received);
  if (status < VI_SUCCESS) RecordDetail(handle, status, instrument->session->Detail());
  return status;
}

ViStatus Library::Clear(ViSession handle) {
  const auto instrument = FindInstrument(handle);
  if (!instrument) return IsValid(handle) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
  ViStatus status;
  {
    std::lock_guard lock(instrument->io);
    instrument->framing.Drop();
    status = instrument->session->Clear();
  }
  if (status < VI_SUCCESS) RecordDetail(handle, status, instrument->session->Detail());
  return status;
}

ViStatus ReadMessage(ViSession session, ViUInt32 blockBytes,
                     const std::function<void(std::string_view block)>& sink, size_t maxBytes) {
  Library& library = Library::Instance();
  ViUInt32 timeoutMs = 0;
  const ViStatus attribute = viGetAttribute(session, VI_ATTR_TMO_VALUE, &timeoutMs);
  if (attribute < VI_SUCCESS) return attribute;
  if (blockBytes == 0) return VI_ERROR_INV_LENGTH;
  const Clock& clock = library.TimeSource();
  const auto start = clock.Steady();
  const bool endless = timeoutMs == VI_TMO_INFINITE;
  // Each read waits at most the time-out for something to come, which bounds a read without
  // progress; the whole answer gets ten times the time-out.
  const auto allowed = std::chrono::milliseconds(std::uint64_t{std::max<ViUInt32>(timeoutMs, 100)} *
                                                 kMessageTimeoutFactor);
  std::vector<ViByte> block(blockBytes);
  size_t total = 0;
  for (;;) {
    const auto ask = static_cast<ViUInt32>(std::min<size_t>(blockBytes, maxBytes - total));
    ViUInt32 count = 0;
    const ViStatus status = viRead(session, block.data(), ask, &count);
    if (count > 0) sink(std::string_view(reinterpret_cast<const char*>(block.data()), count));
    total += count;
    if (status != VI_SUCCESS_MAX_CNT) return status;
    if (total >= maxBytes) {
      const std::string bound = maxBytes % (size_t{1} << 20) == 0
                                    ? FormatC("%zu MiB", maxBytes >> 20)
                                    : FormatC("%zu bytes", maxBytes);
      return library.RecordDetail(session, VI_ERROR_IO,
                                  "the answer did not end within " + bound +
                                      FormatC("; reading stopped after %zu bytes", total));
    }
    if (!endless && clock.Steady() - start >= allowed) {
      return library.RecordDetail(
          session, VI_ERROR_TMO,
          FormatC("the answer did not end within %u times the time-out of %u ms; reading "
                  "stopped after %zu bytes",
                  kMessageTimeoutFactor, timeoutMs, total));
    }
  }
}

ViStatus ReadMessage(ViSession session, ViUInt32 blockBytes, std::string& message,
                     size_t maxBytes) {
  message.clear();
  return ReadMessage(
      session, blockBytes, [&message](std::string_view block) { message.append(block); }, maxBytes);
}

ViStatus ConfigureVisa(const VisaConfig& config) {
  return Library::Instance().Configure(config);
}

std::shared_ptr<sim::SimulatedMeter> SimulatedInstrument(std::string_view descriptor) {
  return Library::Instance().SimulatedMeterFor(descriptor);
}

}  // namespace vx::visa

using vx::visa::Library;

ViStatus viOpenDefaultRM(ViSession* resourceManager) {
  return Library::Instance().OpenDefaultRM(resourceManager);
}

ViStatus viFindRsrc(ViSession resourceManager, ViConstString expression, ViFindList* list,
                    ViUInt32* count, ViChar* description) {
  return Library::Instance().FindRsrc(resourceManager, expression, list, count, description);
}

ViStatus viFindNext(ViFindList list, ViChar* description) {
  return Library::Instance().FindNext(list, description);
}

ViStatus viOpen(ViSession resourceManager, ViConstRsrc name, ViAccessMode mode,
                ViUInt32 /*openTimeout*/, ViSession* session) {
  return Library::Instance().Open(resourceManager, name, mode, session);
}

ViStatus viClose(ViObject object) {
  return Library::Instance().Close(object);
}

ViStatus viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) {
  return Library::Instance().SetAttribute(object, attribute, value);
}

ViStatus viGetAttribute(ViObject object, ViAttr attribute, void* value) {
  return Library::Instance().GetAttribute(object, attribute, value);
}

ViStatus viStatusDesc(ViObject object, ViStatus status, ViChar* description) {
  return Library::Instance().StatusDesc(object, status, description);
}

ViStatus viWrite(ViSession session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returnCount) {
  return Library::Instance().Write(session, reinterpret_cast<const char*>(buffer), count,
                                   returnCount);
}

ViStatus viRead(ViSession session, ViBuf buffer, ViUInt32 count, ViUInt32* returnCount) {
  return Library::Instance().Read(session, buffer, count, returnCount);
}

ViStatus viVPrintf(ViSession session, ViConstString format, va_list args) {
  if (!format) return VI_ERROR_INV_FMT;
  const std::string text = vx::VFormatC(format, args);
  return Library::Instance().Write(session, text.data(), text.size(), nullptr);
}

ViStatus viPrintf(ViSession session, ViConstString format, ...) {
  va_list args;
  va_start(args, format);
  const ViStatus status = viVPrintf(session, format, args);
  va_end(args);
  return status;
}

ViStatus viClear(ViSession session) {
  return Library::Instance().Clear(session);
}
