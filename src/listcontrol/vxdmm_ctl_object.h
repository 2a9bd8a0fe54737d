#pragma once
// VXdmmCTL as an object of the registry: it owns its control window until the form that
// places it takes it over, and answers the dispatch interface _VXdmmCTL.

#include <QPointer>

#include "automation/unknown.h"
#include "listcontrol/vortica.h"
#include "listcontrol/vxdmm_ctl.h"

namespace vx::listcontrol {

class VXdmmCTLObject final : public automation::Unknown, public _VXdmmCTL {
 public:
  VXdmmCTLObject();
  // Destroys the control's window too, unless a form owns it by then.
  ~VXdmmCTLObject() override;

  void* QueryInterface(std::string_view interfaceId) override;

  std::string get_mark_Address() override;
  void put_mark_Address(const std::string& value) override;
  std::int16_t get_lvw_now() override;
  void put_lvw_now(std::int16_t value) override;
  automation::Status IDN(const std::string& sBuffer, const std::string& Addr) override;
  std::int16_t selmark() override;
  automation::Status ListClear() override;
  QWidget* Window() override { return control_; }

 private:
  automation::AutomationError Closed() const;
  QPointer<VXdmmCTL> control_;
};

}  // namespace vx::listcontrol
