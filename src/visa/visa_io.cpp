// Transfers (write, read, clear, flush, serial poll) and the bounded whole-message read.

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
    char* const bytes = reinterpret_cast<char*>(buffer);
    const bool termChar = instrument->termCharEnabled;
    status = instrument->framing.Read(*instrument->session, bytes, capacity, received, termChar);
    // With END suppressed, the end of a message does not end the read: only the termination
    // character, a full buffer or the time-out do.
    while (instrument->suppressEnd && status == VI_SUCCESS && received < capacity) {
      size_t more = 0;
      status = instrument->framing.Read(*instrument->session, bytes + received, capacity - received,
                                        more, termChar);
      received += more;
    }
    if (instrument->suppressEnd && status == VI_SUCCESS) status = VI_SUCCESS_MAX_CNT;
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

ViStatus Library::Flush(ViSession handle, ViUInt16 mask) {
  constexpr unsigned kKnown = VI_READ_BUF | VI_WRITE_BUF | VI_READ_BUF_DISCARD |
                              VI_WRITE_BUF_DISCARD | VI_IO_IN_BUF | VI_IO_OUT_BUF |
                              VI_IO_IN_BUF_DISCARD | VI_IO_OUT_BUF_DISCARD;
  constexpr unsigned kInput =
      VI_READ_BUF | VI_READ_BUF_DISCARD | VI_IO_IN_BUF | VI_IO_IN_BUF_DISCARD;
  if (const ViStatus status = CheckInstrument(handle); status < VI_SUCCESS) return status;
  // Flushing and discarding one buffer at once asks for two different things.
  const bool readTwice = (mask & VI_READ_BUF) && (mask & VI_READ_BUF_DISCARD);
  const bool writeTwice = (mask & VI_WRITE_BUF) && (mask & VI_WRITE_BUF_DISCARD);
  if (mask == 0 || (mask & ~kKnown) != 0 || readTwice || writeTwice) return VI_ERROR_INV_MASK;
  const auto instrument = FindInstrument(handle);
  if (!instrument) return VI_ERROR_INV_OBJECT;
  // Writes go out at once, so no output waits in a buffer; the input held back is what a
  // read ended by the termination character left.
  if (mask & kInput) {
    std::lock_guard lock(instrument->io);
    instrument->framing.Drop();
  }
  return VI_SUCCESS;
}

ViStatus Library::ReadStatusByte(ViSession handle, ViUInt16* status) {
  if (const ViStatus checked = CheckInstrument(handle); checked < VI_SUCCESS) return checked;
  if (!status) return VI_ERROR_INV_PARAMETER;
  const auto instrument = FindInstrument(handle);
  if (!instrument) return VI_ERROR_INV_OBJECT;
  ViStatus result;
  {
    std::lock_guard lock(instrument->io);
    result = instrument->session->ReadStatusByte(*status);
  }
  if (result < VI_SUCCESS) RecordDetail(handle, result, instrument->session->Detail());
  return result;
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
