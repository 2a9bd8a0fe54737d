// libVortica.so: the control's factory and its register entry points.
#include "automation/object_registry.h"
#include "listcontrol/vxdmm_ctl_object.h"

extern "C" __attribute__((visibility("default"))) vx::automation::Unknown* VxCreateVXdmmCTL() {
  return new vx::listcontrol::VXdmmCTLObject;
}

VX_DEFINE_REGISTER_ENTRY_POINTS({vx::listcontrol::kProgId, "VxCreateVXdmmCTL"})
