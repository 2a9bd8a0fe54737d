// Finding the meters: the GPIB search, then the two USB searches (the meter's vendor and
// product numbers in hexadecimal, then in decimal), each meter opened and asked "*idn?".
#include "addin/engine_settings.h"
#include "addin/quorvel_application.h"
#include "common/c_number.h"

namespace vx::addin {
namespace {

constexpr ViUInt32 kIdentifyBytes = 255;

}  // namespace

Result<Variant> Application::FindDevice() {
  table_.Clear();
  VX_RETURN_IF_ERROR(FindRsrc("GPIB?*", "GPIB?*"));
  GPIBRM_ = dfltRM_;
  VX_RETURN_IF_ERROR(FindRsrc(state_.usbFilter1, state_.usbFilter2));
  USBRM_ = dfltRM_;
  return Variant{};
}

Result<Variant> Application::FindRsrc(const std::string& add0, const std::string& add1) {
  ViSession manager = VI_NULL;
  if (viOpenDefaultRM(&manager) < VI_SUCCESS) return Variant{};
  dfltRM_ = manager;
  managers_.push_back(manager);
  char descriptor[VI_FIND_BUFLEN] = {};
  ViUInt32 count = 0;
  ViStatus status = viFindRsrc(manager, add0.c_str(), &fList_, &count, descriptor);
  if (status < VI_SUCCESS) status = viFindRsrc(manager, add1.c_str(), &fList_, &count, descriptor);
  if (status < VI_SUCCESS) return Variant{};
  return GetDevSesn(static_cast<std::int32_t>(count), static_cast<std::int32_t>(manager),
                    descriptor);
}

Result<Variant> Application::GetDevSesn(std::int32_t nList, std::int32_t dfltRM,
                                        const std::string& rsrcName) {
  const auto manager = static_cast<ViSession>(dfltRM);
  char descriptor[VI_FIND_BUFLEN] = {};
  rsrcName.copy(descriptor, VI_FIND_BUFLEN - 1);
  Status tableFull;
  for (; nList > 0 && tableFull; --nList) {
    IdentifyOne(manager, descriptor, tableFull);
    viFindNext(fList_, descriptor);
  }
  if (!tableFull) return tableFull.error();
  return Variant{};
}

// A meter that does not open, times out or does not answer is skipped. Its session, like
// that of an instrument that is not the meter, stays open until RMClose.
void Application::IdentifyOne(ViSession manager, const std::string& descriptor, Status& tableFull) {
  if (viOpen(manager, descriptor.c_str(), VI_NO_LOCK, 0, &sesn_) < VI_SUCCESS ||
      viSetAttribute(sesn_, VI_ATTR_TMO_VALUE, kLoggingTimeoutMs) < VI_SUCCESS) {
    viClose(sesn_);
    return;
  }
  viClear(sesn_);
  char answer[kIdentifyBytes + 1] = {};
  ViUInt32 count = 0;
  viWrite(sesn_, reinterpret_cast<ViConstBuf>("*esr?"), 5, &count);
  viRead(sesn_, reinterpret_cast<ViBuf>(answer), kIdentifyBytes, &count);
  retcount_ = static_cast<std::int32_t>(count);
  if (viWrite(sesn_, reinterpret_cast<ViConstBuf>("*idn?"), 5, &count) < VI_SUCCESS) return;
  std::fill(std::begin(answer), std::end(answer), '\0');
  if (viRead(sesn_, reinterpret_cast<ViBuf>(answer), kIdentifyBytes, &count) < VI_SUCCESS) return;
  retcount_ = static_cast<std::int32_t>(count);
  const std::string identity(answer, count);
  if (!Accepts(identity)) return;
  tableFull = table_.Fill(m_DevCount_, identity, descriptor, sesn_, manager);
  if (tableFull) ++m_DevCount_;
}

bool Application::Accepts(const std::string& identity) const {
  const std::string answer = ToLowerAscii(identity);
  const auto holds = [&](const std::string& text) {
    return answer.find(ToLowerAscii(text)) != std::string::npos;
  };
  return (holds(state_.maker) &&
          (holds(state_.model) || holds(state_.model2a) || holds(state_.model2b))) ||
         answer.find("34401") != std::string::npos;
}

Status Application::GetIDN(std::int16_t i) {
  VX_ASSIGN_OR_RETURN(EngineDeviceRow row, table_.Row(i));
  m_IDNbuff_ = row.identity;
  m_IDNAddr_ = row.descriptor;
  m_IDNSesn_ = static_cast<ViSession>(LeadingInteger(row.session));
  return {};
}

Status Application::RMClose() {
  for (const double manager : {USBRM_, GPIBRM_}) {
    if (manager > 0) viClose(static_cast<ViSession>(manager));
  }
  for (const ViSession manager : managers_) viClose(manager);
  managers_.clear();
  USBRM_ = 0;
  GPIBRM_ = 0;
  return {};
}

}  // namespace vx::addin
