// The library of the Calc host: its factory, its check that LibreOffice is there, and its
// register entry points. Registered, it is the current version of "Excel.Application".
#include <cstring>
#include <string>

#include "automation/calc/calc_host.h"
#include "automation/object_registry.h"

namespace {

// Why the factory last made no object: the library's own last error, as the platform's
// in-process servers report theirs.
thread_local vx::automation::AutomationError lastError;

void Copy(const std::string& text, char* message, std::size_t size) {
  if (message == nullptr || size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(message, text.data(), n);
  message[n] = '\0';
}

}  // namespace

extern "C" __attribute__((visibility("default"))) vx::automation::Unknown*
VxCreateCalcSpreadsheet() {
  auto host =
      vx::automation::calc::NewCalcHost(vx::automation::calc::OfficeOptions::FromEnvironment());
  if (!host) {
    lastError = host.error();
    return nullptr;
  }
  return host.value().release();
}

extern "C" __attribute__((visibility("default"))) int VxLastCreateError(char* message,
                                                                        std::size_t size) {
  Copy(lastError.description, message, size);
  return static_cast<int>(lastError.number);
}

extern "C" __attribute__((visibility("default"))) int VxCheckObject(const char*, char* message,
                                                                    std::size_t size) {
  const vx::automation::Status installed = vx::automation::calc::CheckOfficeInstalled(
      vx::automation::calc::OfficeOptions::FromEnvironment());
  if (installed) return 0;
  Copy(installed.error().description, message, size);
  return static_cast<int>(installed.error().number);
}

VX_DEFINE_REGISTER_ENTRY_POINTS({"Excel.Application.Calc", "VxCreateCalcSpreadsheet",
                                 "Excel.Application"})
