#include "listcontrol/designer_plugin.h"

#include "listcontrol/vxdmm_ctl.h"

namespace vx::listcontrol {

QWidget* VXdmmCTLDesignerPlugin::createWidget(QWidget* parent) {
  return new VXdmmCTL(parent);
}

QString VXdmmCTLDesignerPlugin::domXml() const {
  return "<ui language=\"c++\"><widget class=\"vx::listcontrol::VXdmmCTL\" name=\"vxdmmCtl\">"
         "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>480</width><height>200</height>"
         "</rect></property></widget></ui>";
}

}  // namespace vx::listcontrol
