#include "listcontrol/vxdmm_ctl_object.h"

namespace vx::listcontrol {

VXdmmCTLObject::VXdmmCTLObject() : control_(new VXdmmCTL) {}

VXdmmCTLObject::~VXdmmCTLObject() {
  if (control_ && control_->parent() == nullptr) delete control_.data();
}

void* VXdmmCTLObject::QueryInterface(std::string_view interfaceId) {
  if (interfaceId == _VXdmmCTL::kInterfaceId) return static_cast<_VXdmmCTL*>(this);
  return nullptr;
}

automation::AutomationError VXdmmCTLObject::Closed() const {
  return automation::AutomationError::Make(automation::ErrorNumber::Failed,
                                           "The control's window was closed with its form.");
}

std::string VXdmmCTLObject::get_mark_Address() {
  return control_ ? control_->mark_Address() : std::string();
}

void VXdmmCTLObject::put_mark_Address(const std::string& value) {
  if (control_) control_->setMark_Address(value);
}

std::int16_t VXdmmCTLObject::get_lvw_now() {
  return control_ ? control_->lvw_now() : std::int16_t{0};
}

void VXdmmCTLObject::put_lvw_now(std::int16_t value) {
  if (control_) control_->setLvw_now(value);
}

automation::Status VXdmmCTLObject::IDN(const std::string& sBuffer, const std::string& Addr) {
  if (!control_) return Closed();
  return control_->IDN(sBuffer, Addr);
}

std::int16_t VXdmmCTLObject::selmark() {
  return control_ ? control_->selmark() : std::int16_t{0};
}

automation::Status VXdmmCTLObject::ListClear() {
  if (!control_) return Closed();
  control_->ListClear();
  return {};
}

}  // namespace vx::listcontrol
