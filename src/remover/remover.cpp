#include "remover/remover.h"

#include "automation/command_bars.h"
#include "automation/error_text.h"
#include "automation/object_registry.h"
#include "common/c_number.h"

namespace vx::remover {
namespace {

using namespace automation;

// Every toolbar is examined, from the last, so that a deleted one does not make the walk
// step over the one that moved into its place.
Status DeleteToolbars(const ApplicationPtr& excel, int& deleted) {
  VX_ASSIGN_OR_RETURN(CommandBarsPtr bars, excel->CommandBars());
  VX_ASSIGN_OR_RETURN(int count, bars->Count());
  for (int i = count; i >= 1; --i) {
    VX_ASSIGN_OR_RETURN(CommandBarPtr bar, bars->Item(i));
    VX_ASSIGN_OR_RETURN(std::string name, bar->Name());
    if (ToUpperAscii(name) != ToUpperAscii(kToolbarName)) continue;
    VX_RETURN_IF_ERROR(bar->SetVisible(false));
    VX_RETURN_IF_ERROR(bar->Delete());
    ++deleted;
  }
  return {};
}

// Only an add-in that was on counts as switched off.
Status SwitchOffAddIn(const ApplicationPtr& excel, int& switchedOff) {
  VX_ASSIGN_OR_RETURN(AddInsPtr addIns, excel->AddIns());
  VX_ASSIGN_OR_RETURN(int count, addIns->Count());
  for (int i = 1; i <= count; ++i) {
    VX_ASSIGN_OR_RETURN(AddInPtr addIn, addIns->Item(i));
    VX_ASSIGN_OR_RETURN(std::string name, addIn->Name());
    if (ToUpperAscii(name) != kAddInFile) continue;
    VX_ASSIGN_OR_RETURN(bool installed, addIn->Installed());
    if (!installed) continue;
    VX_RETURN_IF_ERROR(addIn->SetInstalled(false));
    ++switchedOff;
  }
  return {};
}

}  // namespace

RemovalOutcome RemoveAddIn(Prompter& prompter, const ApplicationFactory& hosts) {
  RemovalOutcome outcome;
  if (!CheckObjectRegistry()) {
    prompter.Message("Could not initialize COM dll", "", MessageIcon::Exclamation);
    return outcome;
  }
  auto excel = hosts("Excel.Application");
  if (!excel) {
    prompter.Message("Couldn't start Excel.", "", MessageIcon::Exclamation);
    return outcome;
  }
  outcome.hostStarted = true;
  (*excel)->SetVisible(false);
  // A step that fails is reported, and the other step still runs.
  for (const Status& step : {DeleteToolbars(*excel, outcome.toolbarsDeleted),
                             SwitchOffAddIn(*excel, outcome.addInsSwitchedOff)}) {
    if (step) continue;
    if (outcome.failure.empty()) outcome.failure = step.error().description;
    prompter.Message("Error Num: " + ErrorNumberText(step.error().number) + "\n" +
                         step.error().description + "\n",
                     kCaption, MessageIcon::Stop);
  }
  return outcome;
}

}  // namespace vx::remover
