#pragma once
// vxlink's connect form, as the add-in workbook's: the instrument-list control, created
// through the registry, lists the meters the engine found and marks the one used last; OK
// takes the marked meter and keeps its address in the engine's settings.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "addin/quorvel.h"
#include "common/prompt.h"
#include "linkhost/link_session.h"
#include "listcontrol/vortica.h"

namespace vx::linkhost {

class ConnectForm : public QDialog {
 public:
  ConnectForm(addin::_Application& engine, std::vector<FoundMeter> meters, Prompter& prompter,
              QWidget* parent = nullptr);
  ~ConnectForm() override;

  // Creates the control and fills it; what went wrong, or "".
  std::string SetUp();
  // The chosen meter's position in the list, after OK; -1 before.
  int ChosenDevice() const { return chosen_; }
  listcontrol::_VXdmmCTL* Control() const { return control_.get(); }

 private:
  void OnOk();
  std::string Text(const std::string& key);

  addin::_Application& engine_;
  std::vector<FoundMeter> meters_;
  Prompter& prompter_;
  std::shared_ptr<listcontrol::_VXdmmCTL> control_;
  int chosen_ = -1;
};

}  // namespace vx::linkhost
