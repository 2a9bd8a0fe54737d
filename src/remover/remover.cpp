#include "remover/remover.h"

#include "automation/command_bars.h"
#include "automation/object_registry.h"
#include "common/c_number.h"

namespace vx::remover {
namespace {

using namespace automation;

// Every toolbar is examined, from the last, so that a deleted one does not make the walk
// step over the one that moved into its place.
int DeleteToolbars(const ApplicationPtr& excel) {
  int deleted = 0;
  auto bars = excel->CommandBars();
  if (!bars) return 0;
  auto count = (*bars)->Count();
  for (int i = count ? *count : 0; i >= 1; --i) {
    auto bar = (*bars)->Item(i);
    if (!bar) continue;
    auto name = (*bar)->Name();
    if (!name || ToUpperAscii(*name) != ToUpperAscii(kToolbarName)) continue;
    (*bar)->SetVisible(false);
    if ((*bar)->Delete()) ++deleted;
  }
  return deleted;
}

int SwitchOffAddIn(const ApplicationPtr& excel) {
  int switchedOff = 0;
  auto addIns = excel->AddIns();
  if (!addIns) return 0;
  auto count = (*addIns)->Count();
  for (int i = 1; count && i <= *count; ++i) {
    auto addIn = (*addIns)->Item(i);
    if (!addIn) continue;
    auto name = (*addIn)->Name();
    if (name && ToUpperAscii(*name) == kAddInFile && (*addIn)->SetInstalled(false)) ++switchedOff;
  }
  return switchedOff;
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
  outcome.toolbarsDeleted = DeleteToolbars(*excel);
  outcome.addInsSwitchedOff = SwitchOffAddIn(*excel);
  return outcome;
}

}  // namespace vx::remover
