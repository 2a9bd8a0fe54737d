#include "linkhost/single_reading.h"

#include "visa/visa.h"

namespace vx::linkhost {
namespace {

// Closes the resource manager, and with it the session, however the exchange ends.
class ManagerGuard {
 public:
  ~ManagerGuard() {
    if (manager != VI_NULL) viClose(manager);
  }
  ViSession manager = VI_NULL;
};

std::string Describe(ViSession session, ViStatus status) {
  ViChar text[256] = {};
  viStatusDesc(session, status, text);
  return text;
}

std::string Trimmed(const char* buffer, ViUInt32 count) {
  std::string text;
  for (ViUInt32 i = 0; i < count; ++i) {
    const char c = buffer[i];
    if (static_cast<unsigned char>(c) >= 32 && c != '"') text += c;
  }
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

SingleReading ReadOnce(const std::string& descriptor, unsigned timeoutMs) {
  ManagerGuard guard;
  ViStatus status = viOpenDefaultRM(&guard.manager);
  if (status < VI_SUCCESS) return {{}, Describe(VI_NULL, status)};
  ViSession session = VI_NULL;
  status = viOpen(guard.manager, descriptor.c_str(), VI_NULL, VI_NULL, &session);
  if (status < VI_SUCCESS) return {{}, Describe(guard.manager, status)};
  viSetAttribute(session, VI_ATTR_TMO_VALUE, timeoutMs);
  static constexpr char kRead[] = "read?";
  ViUInt32 count = 0;
  status = viWrite(session, reinterpret_cast<ViConstBuf>(kRead), sizeof kRead - 1, &count);
  if (status < VI_SUCCESS) return {{}, Describe(session, status)};
  char buffer[256] = {};
  status = viRead(session, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
  if (status < VI_SUCCESS) return {{}, Describe(session, status)};
  SingleReading reading{Trimmed(buffer, count), {}};
  if (reading.value.empty()) reading.error = "The meter gave an empty answer.";
  return reading;
}

}  // namespace vx::linkhost
