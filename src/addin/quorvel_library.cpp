// libQuorvel.so: the logging engine's factory and its register entry points.
#include "addin/quorvel_application.h"
#include "automation/object_registry.h"

extern "C" __attribute__((visibility("default"))) vx::automation::Unknown*
VxCreateQuorvelApplication() {
  return new vx::addin::Application(vx::addin::DefaultEnginePrompter(), vx::RealClock());
}

VX_DEFINE_REGISTER_ENTRY_POINTS({vx::addin::kProgId, "VxCreateQuorvelApplication"})
